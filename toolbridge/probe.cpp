// Probe runs. The tool is started directly with its output redirected into files:
// through the command interpreter an address with & | < > or %NAME% would run as commands.
// The two runs need nothing of each other, so they run at the same time.
#include "toolbridge/probe.h"

#include <stdlib.h>
#include <string.h>

#include "toolbridge/alert.h"
#include "toolbridge/cmdline.h"
#include "toolbridge/keptool.h"
#include "toolbridge/textconv.h"
#include "toolbridge/toolwords.h"

// A real tool needs a few seconds per run (its own start, then the site); one that takes
// longer than this has hung. The tests shorten it through their environment.
enum { PROBE_LIMIT_MS = 90000, PROBE_COPY_REMOVE_MS = 1000 };
#define PROBE_LIMIT_VARIABLE "VIDMORA_TEST_PROBE_LIMIT_MS"

// Static: the lines live as long as their runs start, and the stack stays small. The
// address is kept for a run that goes again without --encoding.
static char probeCommandLine[COMMAND_LINE_SIZE];
static char probeAddress[COMMAND_LINE_SIZE];

// The 2013 tool does not know --encoding. Once a tool refused it, it is not asked again this
// session; a tool that is replaced (updated, chosen, the built-in one back) is asked anew.
static bool encodingRefused;
static ToolIdentity refusingTool;

static ToolIdentity IdentityOf(const WorkPaths *paths)
{
    ToolIdentity identity;
    memset(&identity, 0, sizeof identity);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (CheckKeptTool(paths->keptToolPath) == KEPT_SOUND &&
        GetFileAttributesExA(paths->keptToolPath, GetFileExInfoStandard, &data)) {
        identity.kept = true;
        identity.size = ((ULONGLONG)data.nFileSizeHigh << 32) | data.nFileSizeLow;
        identity.written = data.ftLastWriteTime;
    }
    return identity;
}

static bool AskForUtf8(const WorkPaths *paths)
{
    if (!ProcessIsUtf8())
        return false;
    ToolIdentity tool = IdentityOf(paths);
    bool same = tool.kept == refusingTool.kept && tool.size == refusingTool.size &&
                CompareFileTime(&tool.written, &refusingTool.written) == 0;
    return !encodingRefused || !same;
}

static DWORD ProbeLimitMs()
{
    char value[16];
    DWORD length = GetEnvironmentVariableA(PROBE_LIMIT_VARIABLE, value, sizeof value);
    if (length == 0 || length >= sizeof value)
        return PROBE_LIMIT_MS;
    long limit = strtol(value, NULL, 10);
    return limit > 0 ? (DWORD)limit : (DWORD)PROBE_LIMIT_MS;
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

static bool LaunchRun(ToolTask *task, const char *probeToolPath, ProbeKind kind, DWORD limitMs, bool askUtf8)
{
    char outPath[PATH_SIZE], errPath[PATH_SIZE];
    bool titleRun = kind == PROBE_TITLE;
    bool started =
        JoinText(outPath, sizeof outPath, probeToolPath, titleRun ? TITLE_OUT_SUFFIX : FORMAT_OUT_SUFFIX) &&
        JoinText(errPath, sizeof errPath, probeToolPath, titleRun ? TITLE_ERR_SUFFIX : FORMAT_ERR_SUFFIX) &&
        BuildProbeCommandLine(probeCommandLine, sizeof probeCommandLine, probeToolPath, kind, probeAddress,
                              askUtf8) &&
        StartToolTask(task, probeToolPath, probeCommandLine, NULL, outPath, errPath, limitMs);
    task->askedUtf8 = started && askUtf8;
    return started;
}

// A run that was refused for --encoding goes again without it; true when it started again.
static bool RetryWithoutEncoding(ProbeRun *probe, ToolTask *task, const char *probeToolPath)
{
    if (!task->askedUtf8)
        return false;
    char errors[TOOL_WORDS_SIZE] = "";
    ReadToolWords(task->errPath, errors, sizeof errors);
    if (!RefusedUnknownOption(task->exitCode, errors))
        return false;
    encodingRefused = true;
    refusingTool = probe->tool;
    ProbeKind kind = task == &probe->title ? PROBE_TITLE : PROBE_FORMATS;
    return LaunchRun(task, probeToolPath, kind, task->limitMs, false);
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
    // An address too long for this buffer is too long for any command line as well,
    // and the run then fails to start and says so.
    if (!JoinText(probeAddress, sizeof probeAddress, address, ""))
        probeAddress[0] = '\0';
    if (!ExtractTool(paths, probeToolPath))
        return PROBE_NOT_STARTED;
    DWORD limitMs = ProbeLimitMs();
    bool askUtf8 = AskForUtf8(paths);
    probe->tool = IdentityOf(paths);
    bool titleStarted = LaunchRun(&probe->title, probeToolPath, PROBE_TITLE, limitMs, askUtf8);
    bool formatsStarted = LaunchRun(&probe->formats, probeToolPath, PROBE_FORMATS, limitMs, askUtf8);
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
        if (outcome == TASK_OVER && RetryWithoutEncoding(probe, task, probeToolPath))
            outcome = TASK_RUNNING;
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
