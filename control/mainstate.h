// Everything the main window owns for its whole life.
#pragma once
#include <windows.h>

#include "control/progress.h"
#include "control/staterecord.h"
#include "formats/catalogue.h"
#include "toolbridge/download.h"
#include "toolbridge/probe.h"
#include "toolbridge/workfiles.h"

static_assert(DESTINATION_SIZE + sizeof PART_SUFFIX <= PART_PATH_SIZE,
              "a full destination and its suffix fit the .part path");

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


