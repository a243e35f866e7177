// The address and file commands: Paste URL, the command-line address and Save File.
#pragma once
#include "ui/mainstate.h"

// Probes `address` and proposes a destination and the formats it offers.
void LoadAddress(MainState *state, const char *address);

// Loads the address the program was started with, if any.
void LoadCommandLine(MainState *state, const char *commandLine);

void PasteUrl(MainState *state);
void SaveFile(MainState *state);
