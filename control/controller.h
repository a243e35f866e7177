// The download controller: Idle, Downloading and Paused, driven by the buttons and the timer.
#pragma once
#include "control/mainstate.h"

#include "control/missedticks.h"

enum { TIMER_ID = 1, TIMER_PERIOD_MS = 50 };

// A page is read, or the tool's file is being replaced: the inputs and Start wait.
bool ToolBusy(const MainState *state);
void OnStartButton(MainState *state);
// Starts the download of the selected format, or continues the paused one.
void StartOrContinue(MainState *state);
void PauseDownload(MainState *state);
// An address handed over while a download is paused: true when there is none, or when the
// person drops it (its partial files are removed); false when it stays.
bool DropPausedDownload(MainState *state);
void OnTimerTick(MainState *state);
// The controls of Idle or Paused, with the inputs and Start disabled while a page is read.
void ShowIdleControls(MainState *state);
void OnCloseRequest(MainState *state);
void OnDestroy(MainState *state);
// WM_ENDSESSION: when the session really ends, does what closing does.
void OnEndSession(MainState *state, bool ending);
