// The download controller: Idle, Downloading and Paused, driven by the buttons and the timer.
#pragma once
#include "ui/mainstate.h"

enum { TIMER_ID = 1, TIMER_PERIOD_MS = 50, MISSED_TICK_LIMIT = 5 };

void OnStartButton(MainState *state);
void PauseDownload(MainState *state);
void OnTimerTick(MainState *state);
void OnCloseRequest(MainState *state);
void OnDestroy(MainState *state);

// Counts one tick without the tool's console window; true on the miss that ends the
// download (the one after MISSED_TICK_LIMIT misses in a row).
bool CountMissedTick(int *missedTicks);
