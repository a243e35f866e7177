// Counting the ticks on which the tool's console window was not found.
#include "control/missedticks.h"

bool CountMissedTick(int *missedTicks)
{
    if (*missedTicks < MISSED_TICK_LIMIT) {
        (*missedTicks)++;
        return false;
    }
    return true;
}
