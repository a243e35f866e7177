// A link or text dropped on the window (IDropTarget), loaded as Paste URL loads the
// clipboard's; dropped files are refused.
#pragma once
#include "control/mainstate.h"

// Posted by the main window to itself: dropped text waits to be loaded.
enum { WM_DROPPED_ADDRESS = WM_APP + 2 };

// On each tick: registers the window as a drop target the first time, which loads ole32;
// so it waits for the first idle moment after the window shows, out of start-up.
void AcceptDropsOnceIdle(MainState *state);

// At destruction.
void StopAcceptingDrops(MainState *state);
