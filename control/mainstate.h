// Everything the main window owns for its whole life.
#pragma once
#include <windows.h>

#include "control/progress.h"
#include "control/staterecord.h"
#include "formats/catalogue.h"
#include "formats/filterlist.h"
#include "toolbridge/download.h"
#include "toolbridge/keptool.h"
#include "toolbridge/toolwords.h"
#include "toolbridge/probe.h"
#include "toolbridge/taskbar.h"
#include "toolbridge/workfiles.h"

static_assert(DESTINATION_SIZE + sizeof PART_SUFFIX <= PART_PATH_SIZE,
              "a full destination and its suffix fit the .part path");

struct DownloadController {
    int downloading;  // a tool process is believed to be running
    int paused;       // the last download was paused and can be continued
    int missedTicks;  // consecutive ticks without the tool's console window
    ChildProcess child;
    bool merging;                // this download's output tells its stages: a merge or an MP3
    bool toMp3;                  // the sound is converted to MP3
    bool list;                   // a whole list, one entry after another
    bool toolsChoice;            // the tool chooses the format (and names the file)
    MergeProgress merge;
    unsigned long outputRead;    // bytes of the tool's output read so far
    // The tool file the download runs and the options it was not given: one it refuses all
    // the same is remembered and the download goes again without it.
    char toolIdentity[TOOL_IDENTITY_SIZE];
    ToolOptions refused;
    char cookies[PATH_SIZE];     // the run's own copy of the kept cookies; "" for none
};

// Looking after the download tool: the runs that read its version or update it.
enum KeepingJob {
    KEEPING_NONE,
    KEEPING_BUILT_IN_VERSION,  // the built-in tool's --version, for the window menu
    KEEPING_UPDATE,            // the kept tool's -U
    KEEPING_UPDATED_VERSION,   // its --version after the update
    KEEPING_CHOSEN_VERSION,    // a chosen program's version, before it is kept
    KEEPING_TOOL_HELP          // a newly kept tool's --help: which options it knows
};

struct ToolKeeping {
    KeepingJob job;
    KeptKind kind;             // of the program the run is about
    ToolTask task;
    bool wroteForUpdate;       // the kept tool was written only for this update attempt
    bool leftoversWaiting;     // an update's .new and .old wait for an idle tick
    bool builtInVersionAsked;  // once a session
    char builtInVersion[TOOL_VERSION_SIZE];
    char updateLine[TOOL_WORDS_SIZE];  // the update's last line of output
};

// What waits while the build's own programs are written.
enum PendingRun { PENDING_NONE, PENDING_LOAD, PENDING_DOWNLOAD };

struct Preparing {
    PendingRun next;  // PENDING_NONE while nothing is written
    KeptKind kind;
    unsigned long written;
};

struct MainState {
    HWND window;
    StateRecord record;
    StreamKinds told;  // what the last format table said of the offered codes
    int listEntries;   // of the list the page is part of, as its flat read found; 0 for none
    int listChoice;    // LIST_FILTER_BEST or LIST_FILTER_MP3 where the whole list is chosen, else 0
    bool toldNoFirefox;  // that this tool cannot read Firefox's cookies, said once a session
    FormatInfo catalogue[FORMAT_CATALOGUE_SIZE];
    int catalogueCount;
    WorkPaths paths;
    DownloadController controller;
    ProbeRun probe;
    ToolKeeping keeping;
    Preparing preparing;
    ProgressText progress;
    char description[FORMAT_TEXT_SIZE];
    HBRUSH whiteBrush;
    HWND savedFocus;  // the control the focus goes back to (control/focus.h)
    int dpi;          // the window's, which its layout, font and pictures are made for
    HFONT font;       // the controls' (ui/dpi.h)
    TaskbarButton taskbar;
};


