// The state record's window side: loading into the boxes and saving from them.
#pragma once
#include "ui/mainstate.h"

// Reads the record file (or sets up the defaults) and shows it in the window.
void LoadState(MainState *state);

// Takes the boxes' texts and the paused flag into the record and writes it.
void SaveState(MainState *state);
