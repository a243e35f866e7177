// The probe: two hidden runs of the probe copy of the tool, whose output lands in the title
// and format files. It runs beside the window: each 50 ms tick looks at it and moves it on.
#pragma once
#include "toolbridge/toolrun.h"

enum ProbeStage { PROBE_IDLE, PROBE_TITLE_RUN, PROBE_FORMAT_RUN };

enum ProbeOutcome {
    PROBE_RUNNING,   // still working
    PROBE_FINISHED,  // both runs are over; the files can be read
    PROBE_TIMED_OUT, // a run passed the time limit and was ended
    PROBE_NOT_STARTED // the tool copy could not be written (the reason was shown)
};

// Exit code of a run that could not be started.
enum { PROBE_NOT_RUN = 0xFFFFFFFFu };

struct ProbeRun {
    ProbeStage stage;
    ToolRun run;
    DWORD titleExitCode;
    DWORD formatExitCode;
    DWORD limitMs;
};

// Writes the probe copy of the tool and starts the first run; returns at once, with
// PROBE_FINISHED only when neither run could start (the reasons were shown).
ProbeOutcome StartProbe(ProbeRun *probe, const char *probeToolPath, const char *address);

// Called on every tick while a probe runs: starts the second run when the first is over,
// and ends a run that passed the time limit. The probe copy is removed when it finishes.
ProbeOutcome FollowProbe(ProbeRun *probe, const char *probeToolPath);

// Ends a running probe at once and removes the probe copy.
void CancelProbe(ProbeRun *probe, const char *probeToolPath);

bool ProbeRunning(const ProbeRun *probe);
