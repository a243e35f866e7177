// The address and file commands: Paste URL, the command-line address and Save File.
#pragma once
#include "control/mainstate.h"

// Starts probing `address`; when the probe is over the window proposes a destination
// and the formats the page offers.
void LoadAddress(MainState *state, const char *address);

// Moves a running probe on; called on every tick.
void FollowAddressProbe(MainState *state);

// Loads the address the program was started with, if any.
void LoadCommandLine(MainState *state, const char *commandLine);

// WM_COPYDATA from a second start: takes the address it carries (outside input: checked
// and bounded) and has it loaded once the sender has its answer. False when refused.
bool TakeHandedAddress(MainState *state, const COPYDATASTRUCT *data);

// Loads the taken address as a command-line one, or says the window is busy.
void LoadHandedAddress(MainState *state);

// Whether an address from a key or a drop is taken now: as Paste URL, not while a page is
// read, a download runs or waits paused, or a box is open.
bool TakesAnAddress(const MainState *state);

void PasteUrl(MainState *state);
// Enter in the address box: what it holds, loaded as Paste URL loads the clipboard's.
void LoadTypedAddress(MainState *state);
// A drop's UTF-16 text (outside input: bounded as the clipboard's), loaded after the drop
// returned by LoadDroppedText. False when it holds no text.
bool TakeDroppedText(MainState *state, HANDLE data);
void LoadDroppedText(MainState *state);
void SaveFile(MainState *state);
