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

void PasteUrl(MainState *state);
void SaveFile(MainState *state);
