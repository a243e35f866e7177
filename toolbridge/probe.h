// The probe: two hidden runs of the probe copy of the tool, started together, whose output
// lands in the title and format files and whose errors in two more. It runs beside the
// window: each 50 ms tick looks at it, and it is over when both runs are.
#pragma once
#include "toolbridge/tooltask.h"
#include "toolbridge/workfiles.h"

enum ProbeOutcome {
    PROBE_RUNNING,     // still working
    PROBE_FINISHED,    // both runs are over; the files can be read
    PROBE_TIMED_OUT,   // a run passed the time limit and was ended; the other may have finished
    PROBE_NOT_STARTED  // the tool copy could not be written (the reason was shown)
};

// Exit code of a run that could not be started or was ended.
enum { PROBE_NOT_RUN = TASK_NOT_RUN };

struct ProbeRun {
    ToolTask title;
    ToolTask formats;
    ToolTask list;  // a list's address: its page read flat, a line an entry
    bool running;
    bool timedOut;
    // The tool file that ran, and the options it is known to refuse: a run refused for one
    // of the others goes again without it, and that is remembered for this file.
    char toolIdentity[TOOL_IDENTITY_SIZE];
    ToolOptions refused;
    char runtime[PATH_SIZE + 16];  // the kept JavaScript runtime, as --js-runtimes takes it
};

// Writes the probe copy of the tool and starts both runs; returns at once, with
// PROBE_FINISHED only when neither run could start (the reasons were shown).
ProbeOutcome StartProbe(ProbeRun *probe, const WorkPaths *paths, const char *address);

// Called on every tick while a probe runs; the probe copy is removed when it is over.
ProbeOutcome FollowProbe(ProbeRun *probe, const WorkPaths *paths);

// Ends both runs at once and removes the probe copy.
void CancelProbe(ProbeRun *probe, const WorkPaths *paths);

bool ProbeRunning(const ProbeRun *probe);

// Whether a tool that refuses `refused` reads and downloads whole lists.
bool ReadsLists(ToolOptions refused);
