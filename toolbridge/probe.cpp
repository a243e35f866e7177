// Probe runs. The tool is started directly with its output redirected into files:
// through the command interpreter an address with & | < > or %NAME% would run as commands.
// The runs need nothing of each other, so they run at the same time.
#include "toolbridge/probe.h"

#include <stdlib.h>
#include <string.h>

#include "toolbridge/alert.h"
#include "toolbridge/cmdline.h"
#include "toolbridge/keptool.h"
#include "toolbridge/signin.h"
#include "toolbridge/textconv.h"
#include "toolbridge/toolwords.h"

// A real tool needs a few seconds per run (its own start, then the site); one that takes
// longer than this has hung. The tests shorten it through their environment.
enum { PROBE_LIMIT_MS = 90000, PROBE_COPY_REMOVE_MS = 1000 };
#define PROBE_LIMIT_VARIABLE "VIDMORA_TEST_PROBE_LIMIT_MS"

// Static: the lines live as long as their runs start, and the stack stays small. The
// address is kept for a run that goes again without an option its tool refused.
static char probeCommandLine[COMMAND_LINE_SIZE];
static char probeAddress[COMMAND_LINE_SIZE];

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
static void EmptyOutputFiles(const char *probeOutPath)
{
    const char *suffixes[] = {TITLE_OUT_SUFFIX, FORMAT_OUT_SUFFIX, TITLE_ERR_SUFFIX, FORMAT_ERR_SUFFIX,
                              LIST_OUT_SUFFIX,  LIST_ERR_SUFFIX,   HELP_OUT_SUFFIX,  HELP_ERR_SUFFIX};
    for (const char *suffix : suffixes) {
        char path[PATH_SIZE];
        if (!JoinText(path, sizeof path, probeOutPath, suffix))
            continue;
        HANDLE file = CreateTaskFile(path, FALSE);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
}

static bool LaunchRun(ToolTask *task, ProbeRun *probe, const WorkPaths *paths, ProbeKind kind,
                      DWORD limitMs)
{
    static const char *const OUT_SUFFIXES[] = {TITLE_OUT_SUFFIX, FORMAT_OUT_SUFFIX, LIST_OUT_SUFFIX};
    static const char *const ERR_SUFFIXES[] = {TITLE_ERR_SUFFIX, FORMAT_ERR_SUFFIX, LIST_ERR_SUFFIX};
    static const char *const NAMES[] = {"title", "formats", "list"};
    char outPath[PATH_SIZE], errPath[PATH_SIZE], temp[PATH_SIZE];
    // Titles in every script where the process can hold them, unless the tool refuses it.
    bool askUtf8 = ProcessIsUtf8() && !(probe->refused & OptionBit(OPTION_ENCODING));
    char *cookies = probe->cookies[kind];
    if (!(probe->refused & OptionBit(OPTION_COOKIES)))
        CopyCookiesForRun(paths, NAMES[kind], cookies);
    RunSurroundings surroundings = {probe->refused, paths->kept[KIND_FFMPEG].path, probe->runtime, askUtf8,
                                    kind == PROBE_LIST, probe->firefox, cookies};
    RunTempFolder(paths, NAMES[kind], temp);
    const char *probeOutPath = paths->probeOutPath;
    bool started =
        JoinText(outPath, sizeof outPath, probeOutPath, OUT_SUFFIXES[kind]) &&
        JoinText(errPath, sizeof errPath, probeOutPath, ERR_SUFFIXES[kind]) &&
        BuildProbeCommandLine(probeCommandLine, sizeof probeCommandLine, paths->probeToolPath, kind,
                              probeAddress, &surroundings) &&
        StartToolTask(task, paths->probeToolPath, probeCommandLine, paths->runFolder, outPath, errPath, limitMs, temp);
    if (!started)
        EndRunCookies(paths, cookies, false);
    task->askedUtf8 = started && askUtf8;
    task->refused = probe->refused;
    return started;
}

static ProbeKind KindOf(const ProbeRun *probe, const ToolTask *task)
{
    return task == &probe->title ? PROBE_TITLE : task == &probe->formats ? PROBE_FORMATS : PROBE_LIST;
}

// The tool's --help, into its own files: a tool never seen before learns all it lacks at once.
static bool LaunchHelp(ProbeRun *probe, const WorkPaths *paths, DWORD limitMs)
{
    char outPath[PATH_SIZE], errPath[PATH_SIZE], temp[PATH_SIZE];
    probeCommandLine[0] = '\0';
    RunTempFolder(paths, "help", temp);
    return JoinText(outPath, sizeof outPath, paths->probeOutPath, HELP_OUT_SUFFIX) &&
           JoinText(errPath, sizeof errPath, paths->probeOutPath, HELP_ERR_SUFFIX) &&
           AppendQuotedArgument(probeCommandLine, sizeof probeCommandLine, paths->probeToolPath) &&
           AppendText(probeCommandLine, sizeof probeCommandLine, " --help") &&
           StartToolTask(&probe->help, paths->probeToolPath, probeCommandLine, paths->runFolder, outPath, errPath,
                         limitMs, temp);
}

// A run refused for an option it was given goes again without it; true when it started
// again, or waits for the help run that tells all the tool lacks. Every refusal takes one
// option away, so this ends.
static bool RetryWithoutRefused(ProbeRun *probe, ToolTask *task, const WorkPaths *paths)
{
    char errors[TOOL_WORDS_SIZE] = "";
    ReadToolWords(task->errPath, errors, sizeof errors);
    ToolOption option = RefusedOption(task->exitCode, errors);
    if (option == TOOL_OPTION_COUNT || (task->refused & OptionBit(option)))
        return false;
    // The other run may have been refused for the same option already.
    if (!(probe->refused & OptionBit(option))) {
        probe->refused |= OptionBit(option);
        RememberRefused(paths, probe->toolIdentity, probe->refused);
    }
    // Without the list's options a list is not read flat: it is not offered.
    if (task == &probe->list && !ReadsLists(probe->refused))
        return false;
    // A tool never seen before may lack more: its help, read beside, tells them all at once
    // where each refusal would cost a run of its own (the 2013 tool lacks seven).
    if (task != &probe->list && probe->help.running) {
        probe->waiting[task == &probe->formats] = true;
        return true;
    }
    return LaunchRun(task, probe, paths, KindOf(probe, task), task->limitMs);
}

// The help run has ended: what it tells is learned, and the runs that waited go again.
static void FinishHelp(ProbeRun *probe, const WorkPaths *paths)
{
    if (probe->help.exitCode == 0)
        probe->refused = LearnFromHelp(paths, probe->toolIdentity, probe->help.outPath, probe->refused);
    ToolTask *tasks[] = {&probe->title, &probe->formats};
    for (int i = 0; i < 2; i++) {
        if (!probe->waiting[i])
            continue;
        probe->waiting[i] = false;
        if (!LaunchRun(tasks[i], probe, paths, KindOf(probe, tasks[i]), tasks[i]->limitMs))
            tasks[i]->exitCode = PROBE_NOT_RUN;
    }
}

bool ReadsLists(ToolOptions refused)
{
    return !(refused & (OptionBit(OPTION_FLAT_PLAYLIST) | OptionBit(OPTION_YES_PLAYLIST) |
                        OptionBit(OPTION_DOWNLOAD_ARCHIVE)));
}

// The probe copy goes once nothing runs from it any more.
static void RemoveProbeCopyWhenIdle(ProbeRun *probe, const WorkPaths *paths)
{
    if (!probe->running && !probe->listRunning && !probe->help.running)
        DeleteUntilGone(paths->probeToolPath, PROBE_COPY_REMOVE_MS);
}

ProbeOutcome StartProbe(ProbeRun *probe, const WorkPaths *paths, const char *address)
{
    CancelProbe(probe, paths);
    memset(probe, 0, sizeof *probe);
    probe->title.exitCode = PROBE_NOT_RUN;
    probe->formats.exitCode = PROBE_NOT_RUN;
    probe->list.exitCode = PROBE_NOT_RUN;
    probe->help.exitCode = PROBE_NOT_RUN;
    EmptyOutputFiles(paths->probeOutPath);
    // An address too long for this buffer is too long for any command line as well,
    // and the run then fails to start and says so.
    if (!JoinText(probeAddress, sizeof probeAddress, address, ""))
        probeAddress[0] = '\0';
    if (!ExtractTool(paths, paths->probeToolPath))
        return PROBE_NOT_STARTED;
    DWORD limitMs = ProbeLimitMs();
    ToolIdentityOf(paths, probe->toolIdentity, sizeof probe->toolIdentity);
    bool known = false;
    probe->refused = RefusedOptionsOf(paths, probe->toolIdentity, &known);
    if (!RuntimeArgument(paths, probe->runtime, sizeof probe->runtime))
        probe->runtime[0] = '\0';
    // Copies a crash left behind go before any run gets its own.
    RemoveRunCookies(paths);
    probe->firefox = ReadSignIn(paths, NULL) == SIGNED_FIREFOX;
    // A tool file never seen before tells beside the first runs which options it knows: a run
    // it refuses then goes again once, without all it lacks. A tool that refuses nothing waits
    // for no help.
    if (!known)
        LaunchHelp(probe, paths, limitMs);
    bool titleStarted = LaunchRun(&probe->title, probe, paths, PROBE_TITLE, limitMs);
    bool formatsStarted = LaunchRun(&probe->formats, probe, paths, PROBE_FORMATS, limitMs);
    // Only for a list, and only where the tool reads lists: nothing more to wait for elsewhere.
    if (IsListAddress(address) && ReadsLists(probe->refused))
        probe->listRunning = LaunchRun(&probe->list, probe, paths, PROBE_LIST, limitMs);
    probe->running = titleStarted || formatsStarted;
    if (!titleStarted)
        Alert("Tester Failed!", "Alert-(1)", ALERT_WARNING);
    if (!formatsStarted)
        Alert("Tester Failed!", "Alert-(2)", ALERT_WARNING);
    if (probe->running)
        return PROBE_RUNNING;
    CancelProbe(probe, paths);
    return PROBE_FINISHED;
}

ProbeOutcome FollowProbe(ProbeRun *probe, const WorkPaths *paths)
{
    if (!probe->running)
        return PROBE_FINISHED;
    if (probe->help.running && FollowToolTask(&probe->help) != TASK_RUNNING)
        FinishHelp(probe, paths);
    ToolTask *tasks[] = {&probe->title, &probe->formats};
    bool over = true;
    for (int i = 0; i < 2; i++) {
        if (probe->waiting[i]) {
            over = false;
            continue;
        }
        TaskOutcome outcome = FollowToolTask(tasks[i]);
        if (outcome == TASK_TIMED_OUT)
            probe->timedOut = true;
        if (outcome != TASK_RUNNING)
            EndRunCookies(paths, probe->cookies[i], outcome == TASK_OVER && tasks[i]->exitCode == 0);
        if (outcome == TASK_OVER && RetryWithoutRefused(probe, tasks[i], paths))
            outcome = TASK_RUNNING;
        over = over && outcome != TASK_RUNNING;
    }
    if (!over)
        return PROBE_RUNNING;
    probe->running = false;
    RemoveProbeCopyWhenIdle(probe, paths);
    return probe->timedOut ? PROBE_TIMED_OUT : PROBE_FINISHED;
}

bool FollowRunsBeside(ProbeRun *probe, const WorkPaths *paths)
{
    if (probe->help.running && FollowToolTask(&probe->help) != TASK_RUNNING) {
        FinishHelp(probe, paths);
        RemoveProbeCopyWhenIdle(probe, paths);
    }
    if (!probe->listRunning)
        return false;
    TaskOutcome outcome = FollowToolTask(&probe->list);
    if (outcome != TASK_RUNNING)
        EndRunCookies(paths, probe->cookies[PROBE_LIST], outcome == TASK_OVER && probe->list.exitCode == 0);
    if (outcome == TASK_RUNNING || (outcome == TASK_OVER && RetryWithoutRefused(probe, &probe->list, paths)))
        return false;
    probe->listRunning = false;
    RemoveProbeCopyWhenIdle(probe, paths);
    return true;
}

void CancelProbe(ProbeRun *probe, const WorkPaths *paths)
{
    if (!probe->running && !RunningBeside(probe))
        return;
    // A flat read cut short counted only some entries: it counts none.
    char listOut[PATH_SIZE];
    if (probe->listRunning && JoinText(listOut, sizeof listOut, paths->probeOutPath, LIST_OUT_SUFFIX)) {
        CancelToolTask(&probe->list);
        HANDLE file = CreateTaskFile(listOut, FALSE);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
    CancelToolTask(&probe->title);
    CancelToolTask(&probe->formats);
    CancelToolTask(&probe->list);
    CancelToolTask(&probe->help);
    // A run ended in the middle may have cut its copy short: the kept cookies stay as they were.
    for (char *cookies : probe->cookies)
        EndRunCookies(paths, cookies, false);
    probe->running = false;
    probe->listRunning = false;
    RemoveProbeCopyWhenIdle(probe, paths);
}

bool ProbeRunning(const ProbeRun *probe)
{
    return probe->running;
}

bool RunningBeside(const ProbeRun *probe)
{
    return probe->listRunning || probe->help.running;
}
