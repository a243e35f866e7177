// Loading a page: the probe beside the window, and what the window takes from it.
#pragma once
#include "control/mainstate.h"

// Puts `address` into its box and probes it (once the build's own programs are written);
// when the probe is over the window proposes a destination and the formats the page offers.
void StartLoading(MainState *state, const char *address);

// Probes the address in the box now.
void ResumeLoading(MainState *state);

// Moves a running probe on; called on every tick.
void FollowLoading(MainState *state);
