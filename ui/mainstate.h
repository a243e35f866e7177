// Everything the main window owns for its whole life.
#pragma once
#include <windows.h>

#include "control/progress.h"
#include "control/staterecord.h"
#include "formats/catalogue.h"
#include "toolbridge/download.h"
#include "toolbridge/probe.h"
#include "toolbridge/workfiles.h"

struct DownloadController {
    int downloading;  // a tool process is believed to be running
    int paused;       // the last download was paused and can be continued
    int missedTicks;  // consecutive ticks without the tool's console window
    ChildProcess child;
};

struct MainState {
    HWND window;
    StateRecord record;
    FormatInfo catalogue[FORMAT_CATALOGUE_SIZE];
    int catalogueCount;
    WorkPaths paths;
    DownloadController controller;
    ProbeRun probe;
    ProgressText progress;
    char description[FORMAT_TEXT_SIZE];
    HBRUSH whiteBrush;
};

// Shows the description of the selected format in the information panel.
void ShowSelectedFormat(MainState *state);

// Sets a control's text only when it differs, so the 50 ms tick does not repaint needlessly.
void SetControlText(HWND window, int id, const char *text);
