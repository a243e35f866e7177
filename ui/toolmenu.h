// The window menu's items that keep the download tool current: update it, choose another,
// go back to the built-in one, and a greyed line that says which is in use.
#pragma once
#include "control/mainstate.h"

// Adds the items to the window menu (at creation; nothing runs).
void AddToolMenu(HWND window);

// Greys and words the items as the menu opens (WM_INITMENUPOPUP of the window menu).
void UpdateToolMenu(MainState *state, HMENU menu);

// WM_SYSCOMMAND: true when `command` was one of the items.
bool OnToolMenuCommand(MainState *state, WPARAM command);

// Moves the version and update runs on; called on every tick.
void FollowToolKeeping(MainState *state);

// Ends a running update or version run at close.
void EndToolKeeping(MainState *state);
