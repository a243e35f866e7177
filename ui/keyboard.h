// The keys: Alt+P, Alt+S, Alt+T and Alt+U press their buttons, Enter acts on the control that
// has the focus, and Ctrl+V outside the two boxes is Paste URL.
#pragma once
#include "control/mainstate.h"

// WM_COMMAND from the accelerator table (no control in `lParam`) or IsDialogMessage's Enter
// (IDOK), as the click of the
// button it stands for; 0 when it did its work already, or does nothing now (a disabled
// button ignores its key). Any other command comes back as it is.
WPARAM ButtonOfKey(MainState *state, WPARAM command, LPARAM lParam);
