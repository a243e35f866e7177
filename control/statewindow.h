// The state's window side: the record loaded into the boxes and saved from them, the
// selected format's description, and control texts set without needless repaints.
#pragma once
#include "control/mainstate.h"

// Reads the record file (or sets up the defaults) and shows it in the window.
void LoadState(MainState *state);

// Takes the boxes' texts and the paused flag into the record and writes it.
void SaveState(MainState *state);

// Shows the description of the selected format in the information panel.
void ShowSelectedFormat(MainState *state);

// Sets a control's text only when it differs, so the 50 ms tick does not repaint needlessly.
void SetControlText(HWND window, int id, const char *text);
void SetControlTextW(HWND window, int id, const wchar_t *text);
