// Probe runs. The tool is started directly with its output redirected into a file:
// through the command interpreter an address with & | < > or %NAME% would run as commands.
// Nothing here waits for the tool; the window's tick moves the probe on.
#include "toolbridge/probe.h"

#include <stdlib.h>
#include <string.h>

#include "toolbridge/cmdline.h"
#include "toolbridge/paths.h"
#include "toolbridge/workfiles.h"
#include "toolbridge/alert.h"

// A real tool needs a few seconds per run (its own start, then the site); one that takes
// longer than this has hung. The tests shorten it through their environment.
enum { PROBE_LIMIT_MS = 90000, PROBE_COPY_REMOVE_MS = 1000 };
#define PROBE_LIMIT_VARIABLE "VIDMORA_TEST_PROBE_LIMIT_MS"

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

static const char *OutputSuffix(ProbeKind kind)
{
    return kind == PROBE_TITLE ? TITLE_OUT_SUFFIX : FORMAT_OUT_SUFFIX;
}

// Creates (or empties) a run's output file; `inheritable` for the run that writes it.
static HANDLE CreateOutputFile(const char *probeToolPath, ProbeKind kind, BOOL inheritable)
{
    char path[PATH_SIZE];
    if (!JoinText(path, sizeof path, probeToolPath, OutputSuffix(kind)))
        return INVALID_HANDLE_VALUE;
    SECURITY_ATTRIBUTES security = {sizeof security, NULL, inheritable};
    return CreateWorkFile(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &security);
}

// Both files are emptied first, so a run that is ended or never started leaves no
// output of an earlier page behind.
static void EmptyOutputFiles(const char *probeToolPath)
{
    const ProbeKind kinds[] = {PROBE_TITLE, PROBE_FORMATS};
    for (ProbeKind kind : kinds) {
        HANDLE file = CreateOutputFile(probeToolPath, kind, FALSE);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
}

static bool LaunchRun(ProbeRun *probe, const char *probeToolPath, ProbeKind kind)
{
    if (!BuildProbeCommandLine(probeCommandLine, sizeof probeCommandLine, probeToolPath, kind,
                               probeAddress))
        return false;
    HANDLE output = CreateOutputFile(probeToolPath, kind, TRUE);
    if (output == INVALID_HANDLE_VALUE)
        return false;
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = SW_HIDE;
    startup.hStdOutput = output;
    bool started = StartToolRun(&probe->run, probeToolPath, probeCommandLine, TRUE,
                                CREATE_NO_WINDOW, &startup);
    CloseHandle(output);
    return started;
}

static void RemoveProbeCopy(ProbeRun *probe, const char *probeToolPath)
{
    probe->stage = PROBE_IDLE;
    DeleteUntilGone(probeToolPath, PROBE_COPY_REMOVE_MS);
}

// Starts the run of `kind`; when it cannot start, says so and goes on as if it had ended.
static ProbeOutcome BeginRun(ProbeRun *probe, const char *probeToolPath, ProbeKind kind)
{
    ProbeStage stage = kind == PROBE_TITLE ? PROBE_TITLE_RUN : PROBE_FORMAT_RUN;
    if (LaunchRun(probe, probeToolPath, kind)) {
        probe->stage = stage;
        return PROBE_RUNNING;
    }
    // Idle while the box is open, so the ticks it lets through leave the probe alone.
    probe->stage = PROBE_IDLE;
    Alert("Tester Failed!", kind == PROBE_TITLE ? "Alert-(1)" : "Alert-(2)", ALERT_WARNING);
    if (kind == PROBE_TITLE)
        return BeginRun(probe, probeToolPath, PROBE_FORMATS);
    RemoveProbeCopy(probe, probeToolPath);
    return PROBE_FINISHED;
}

ProbeOutcome StartProbe(ProbeRun *probe, const char *probeToolPath, const char *address)
{
    memset(probe, 0, sizeof *probe);
    probe->titleExitCode = PROBE_NOT_RUN;
    probe->formatExitCode = PROBE_NOT_RUN;
    probe->limitMs = ProbeLimitMs();
    // An address too long for this buffer is too long for any command line as well,
    // and the run then fails to start and says so.
    if (!JoinText(probeAddress, sizeof probeAddress, address, ""))
        probeAddress[0] = '\0';
    EmptyOutputFiles(probeToolPath);
    if (!ExtractTool(probeToolPath))
        return PROBE_NOT_STARTED;
    return BeginRun(probe, probeToolPath, PROBE_TITLE);
}

ProbeOutcome FollowProbe(ProbeRun *probe, const char *probeToolPath)
{
    if (probe->stage == PROBE_IDLE)
        return PROBE_FINISHED;
    if (!ToolRunOver(&probe->run)) {
        if (GetTickCount() - probe->run.startTick < probe->limitMs)
            return PROBE_RUNNING;
        EndToolRun(&probe->run);
        ReleaseToolRun(&probe->run);
        RemoveProbeCopy(probe, probeToolPath);
        return PROBE_TIMED_OUT;
    }
    DWORD exitCode = ToolRunExitCode(&probe->run);
    ReleaseToolRun(&probe->run);
    if (probe->stage == PROBE_TITLE_RUN) {
        probe->titleExitCode = exitCode;
        return BeginRun(probe, probeToolPath, PROBE_FORMATS);
    }
    probe->formatExitCode = exitCode;
    RemoveProbeCopy(probe, probeToolPath);
    return PROBE_FINISHED;
}

void CancelProbe(ProbeRun *probe, const char *probeToolPath)
{
    if (probe->stage == PROBE_IDLE)
        return;
    EndToolRun(&probe->run);
    ReleaseToolRun(&probe->run);
    RemoveProbeCopy(probe, probeToolPath);
}

bool ProbeRunning(const ProbeRun *probe)
{
    return probe->stage != PROBE_IDLE;
}
