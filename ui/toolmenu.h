// The window menu's items for the kept programs: update the download tool, choose another,
// go back to the built-in one, choose ffmpeg or a JavaScript runtime, and greyed lines that
// say which are in use.
#pragma once
#include "control/mainstate.h"

// Adds the items to the window menu, after About and Minimize (at creation; nothing runs).
void AddToolMenu(HWND window);

// Greys and words the items as the menu opens (WM_INITMENUPOPUP of the window menu).
void UpdateToolMenu(MainState *state, HMENU menu);

// WM_SYSCOMMAND: the picture tab whose command `command` is (About, Minimize); 0 for none.
int TabOfMenuItem(WPARAM command);

// WM_SYSCOMMAND: true when `command` was one of the items.
bool OnToolMenuCommand(MainState *state, WPARAM command);
