// The build's own ffmpeg and JavaScript runtime, written to the per-user folder a piece on
// each tick before the first run that names them, the probes included: every run is told
// where they are, and a file still being written would be none.
#pragma once
#include "control/mainstate.h"

// Before a probe (PENDING_LOAD) or a download (PENDING_DOWNLOAD): true when a built-in
// program must be written first; `next` then runs once all are whole.
bool PrepareFirst(MainState *state, PendingRun next);

// Writes the next piece; called on every tick.
void FollowPreparing(MainState *state);
