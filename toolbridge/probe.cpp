// Probe runs. The tool is started directly with its output redirected into files:
// through the command interpreter an address with & | < > or %NAME% would run as commands.
// The two runs need nothing of each other, so they run at the same time.
#include "toolbridge/probe.h"

#include <stdlib.h>
#include <string.h>

#include "toolbridge/alert.h"
#include "toolbridge/cmdline.h"

// A real tool needs a few seconds per run (its own start, then the site); one that takes
// longer than this has hung. The tests shorten it through their environment.
enum { PROBE_LIMIT_MS = 90000, PROBE_COPY_REMOVE_MS = 1000 };
#define PROBE_LIMIT_VARIABLE "VIDMORA_TEST_PROBE_LIMIT_MS"

// Static: both lines live as long as their runs start, and the stack stays small.
static char probeCommandLine[COMMAND_LINE_SIZE];

static DWORD ProbeLimitMs()
{
    char value[16];
    DWORD length = GetEnvironmentVariableA(PROBE_LIMIT_VARIABLE, value, sizeof value);
    if (length == 0 || length >= sizeof value)
        return PROBE_LIMIT_MS;
    long limit = strtol(value, NULL, 10);
    return limit > 0 ? (DWORD)limit : (DWORD)PROBE_LIMIT_MS;
}

void ProbeErrorPath(char *path, const char *probeToolPath, bool titleRun)
{
    JoinText(path, PATH_SIZE, probeToolPath, titleRun ? TITLE_ERR_SUFFIX : FORMAT_ERR_SUFFIX);
}

// Both output files are emptied first, so a run that is ended or never started leaves no
// output of an earlier page behind.
static void EmptyOutputFiles(const char *probeToolPath)
{
    const char *suffixes[] = {TITLE_OUT_SUFFIX, FORMAT_OUT_SUFFIX, TITLE_ERR_SUFFIX, FORMAT_ERR_SUFFIX};
    for (const char *suffix : suffixes) {
        char path[PATH_SIZE];
        if (!JoinText(path, sizeof path, probeToolPath, suffix))
            continue;
        HANDLE file = CreateTaskFile(path, FALSE);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
}

static bool LaunchRun(ToolTask *task, const char *probeToolPath, ProbeKind kind, const char *address,
                      DWORD limitMs)
{
    char outPath[PATH_SIZE], errPath[PATH_SIZE];
    bool titleRun = kind == PROBE_TITLE;
    ProbeErrorPath(errPath, probeToolPath, titleRun);
    return JoinText(outPath, sizeof outPath, probeToolPath, titleRun ? TITLE_OUT_SUFFIX : FORMAT_OUT_SUFFIX) &&
           BuildProbeCommandLine(probeCommandLine, sizeof probeCommandLine, probeToolPath, kind, address) &&
           StartToolTask(task, probeToolPath, probeCommandLine, NULL, outPath, errPath, limitMs);
}

static void RemoveProbeCopy(ProbeRun *probe, const char *probeToolPath)
{
    probe->running = false;
    DeleteUntilGone(probeToolPath, PROBE_COPY_REMOVE_MS);
}

ProbeOutcome StartProbe(ProbeRun *probe, const WorkPaths *paths, const char *address)
{
    const char *probeToolPath = paths->probeToolPath;
    memset(probe, 0, sizeof *probe);
    probe->title.exitCode = PROBE_NOT_RUN;
    probe->formats.exitCode = PROBE_NOT_RUN;
    EmptyOutputFiles(probeToolPath);
    if (!ExtractTool(paths, probeToolPath))
        return PROBE_NOT_STARTED;
    DWORD limitMs = ProbeLimitMs();
    bool titleStarted = LaunchRun(&probe->title, probeToolPath, PROBE_TITLE, address, limitMs);
    bool formatsStarted = LaunchRun(&probe->formats, probeToolPath, PROBE_FORMATS, address, limitMs);
    probe->running = titleStarted || formatsStarted;
    if (!titleStarted)
        Alert("Tester Failed!", "Alert-(1)", ALERT_WARNING);
    if (!formatsStarted)
        Alert("Tester Failed!", "Alert-(2)", ALERT_WARNING);
    if (probe->running)
        return PROBE_RUNNING;
    RemoveProbeCopy(probe, probeToolPath);
    return PROBE_FINISHED;
}

ProbeOutcome FollowProbe(ProbeRun *probe, const char *probeToolPath)
{
    if (!probe->running)
        return PROBE_FINISHED;
    ToolTask *tasks[] = {&probe->title, &probe->formats};
    bool over = true;
    for (ToolTask *task : tasks) {
        TaskOutcome outcome = FollowToolTask(task);
        if (outcome == TASK_TIMED_OUT)
            probe->timedOut = true;
        over = over && outcome != TASK_RUNNING;
    }
    if (!over)
        return PROBE_RUNNING;
    RemoveProbeCopy(probe, probeToolPath);
    return probe->timedOut ? PROBE_TIMED_OUT : PROBE_FINISHED;
}

void CancelProbe(ProbeRun *probe, const char *probeToolPath)
{
    if (!probe->running)
        return;
    CancelToolTask(&probe->title);
    CancelToolTask(&probe->formats);
    RemoveProbeCopy(probe, probeToolPath);
}

bool ProbeRunning(const ProbeRun *probe)
{
    return probe->running;
}
