// The keyboard focus among the main window's controls: handed on before its control is
// disabled, remembered while the window is inactive or a box is open, and given back.
#pragma once
#include "control/mainstate.h"

// Enables or disables the main window's controls `ids`. Before a control among them that
// has the focus is disabled, the focus moves to the next enabled control in tab order that
// stays enabled; where there is none, the window holds it until one is enabled again.
void EnableControls(MainState *state, const int *ids, int count, bool enable);
void EnableControl(MainState *state, int id, bool enable);

// WM_ACTIVATE: which control had the focus as the window is deactivated (a box opening
// over it included), and the focus given back as it is activated again: to that control,
// or the next enabled one after it.
void RememberFocus(MainState *state);
void GiveFocusBack(MainState *state);

// On each tick: where the focus was held by the window (every control was disabled), it goes
// back to a control as soon as one is enabled.
void KeepFocusOnAControl(MainState *state);
