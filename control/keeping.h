// Looking after the kept programs beside the window: the built-in tool's version, the tool's
// update, and the check of a chosen tool, ffmpeg or JavaScript runtime. Each run goes on
// beside the window; the tick moves it on, and nothing waits.
#pragma once
#include "control/mainstate.h"

// The built-in tool's version, read the first time the window menu opens, never at start-up.
void AskBuiltInVersion(MainState *state);

// Runs the kept tool's own updater (the built-in tool is written there first).
void BeginUpdate(MainState *state);

// Copies `chosen` into the per-user folder as the candidate of `kind` and asks it its
// version there: a program is never run from anywhere else.
void CheckChosenFile(MainState *state, KeptKind kind, const char *chosen);

// Why `path` cannot be a program of `kind` before it is run at all; "" when it may be one.
void FileFaults(const char *path, char *reason, size_t size);

// Tells that `path` is no program of `kind`, and why.
void RefuseChoice(KeptKind kind, const char *reason);

// Moves the keeping run on; called on every tick.
void FollowToolKeeping(MainState *state);

// Ends a running keeping run at close.
void EndToolKeeping(MainState *state);
