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
    // A tool file never seen before: its --help, read beside the first runs, tells all it
    // lacks; a refused run waits for it and goes again without them.
    ToolTask help;
    bool running;      // the title and format runs (and a help run they wait for)
    bool listRunning;  // the flat read, which the window does not wait for
    bool timedOut;
    bool waiting[2];   // the title and format runs wait for the help run to go again
    // The tool file that ran, and the options it is known to refuse: a run refused for one
    // of the others goes again without it, and that is remembered for this file.
    char toolIdentity[TOOL_IDENTITY_SIZE];
    ToolOptions refused;
    char runtime[PATH_SIZE + 16];  // the kept JavaScript runtime, as --js-runtimes takes it
    // Signed in: Firefox's cookies, or each run's own copy of the kept cookies file.
    bool firefox;
    char cookies[3][PATH_SIZE];    // of the title, format and list runs
};

// Writes the probe copy of the tool and starts both runs (and a list's flat read); returns at
// once, with PROBE_FINISHED only when neither run could start (the reasons were shown). A
// probe still running, or its list read, is ended first.
ProbeOutcome StartProbe(ProbeRun *probe, const WorkPaths *paths, const char *address);

// Called on every tick while the probe runs; the probe copy is removed when nothing of it runs.
ProbeOutcome FollowProbe(ProbeRun *probe, const WorkPaths *paths);

// Called on every tick while runs go on beside the window after the probe: a list's flat
// read, and a help run that no refused run waits for. True on the tick the flat read has
// ended (by itself, or at the time limit: then quietly, with nothing read).
bool FollowRunsBeside(ProbeRun *probe, const WorkPaths *paths);

// Ends every run of it at once and removes the probe copy.
void CancelProbe(ProbeRun *probe, const WorkPaths *paths);

// The title and format runs: what the window waits for.
bool ProbeRunning(const ProbeRun *probe);
// A list's flat read or a help run going on beside the window.
bool RunningBeside(const ProbeRun *probe);

// Whether a tool that refuses `refused` reads and downloads whole lists.
bool ReadsLists(ToolOptions refused);
