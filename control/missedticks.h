// Counting the ticks on which the tool's console window was not found.
#pragma once

enum { MISSED_TICK_LIMIT = 5 };

// Counts one tick without the tool's console window; true on the miss that ends the
// download, the one after MISSED_TICK_LIMIT misses in a row. The count is only reset
// when a window is found or a download ends, so a count left by a stopped or paused
// run carries into the next one.
bool CountMissedTick(int *missedTicks);
