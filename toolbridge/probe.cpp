// Probe runs. The tool is started directly with its output redirected into a file:
// through the command interpreter an address with & | < > or %NAME% would run as commands.
#include "toolbridge/probe.h"

#include <windows.h>
#include <string.h>

#include "toolbridge/cmdline.h"
#include "toolbridge/paths.h"
#include "toolbridge/workfiles.h"
#include "ui/alert.h"

static char probeCommandLine[COMMAND_LINE_SIZE];

static HANDLE CreateOutputFile(const char *path)
{
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, NULL, TRUE};
    return CreateWorkFile(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable);
}

// Runs one probe command with its standard output in `outPath` and waits for it.
static void RunProbeCommand(const char *probeToolPath, ProbeKind kind, const char *address,
                            const char *outPath, const char *failureCaption)
{
    if (!BuildProbeCommandLine(probeCommandLine, sizeof probeCommandLine, probeToolPath, kind,
                               address)) {
        Alert("The address is too long to pass to the download tool.", failureCaption,
              ALERT_WARNING);
        return;
    }
    HANDLE output = CreateOutputFile(outPath);
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = SW_HIDE;
    startup.hStdOutput = output;
    PROCESS_INFORMATION started;
    BOOL ok = output != INVALID_HANDLE_VALUE &&
              CreateProcessA(probeToolPath, probeCommandLine, NULL, NULL, TRUE, CREATE_NO_WINDOW,
                             NULL, NULL, &startup, &started);
    if (output != INVALID_HANDLE_VALUE)
        CloseHandle(output);
    if (!ok) {
        Alert("Tester Failed!", failureCaption, ALERT_WARNING);
        return;
    }
    WaitForSingleObject(started.hProcess, INFINITE);
    CloseHandle(started.hProcess);
    CloseHandle(started.hThread);
}

void RunProbe(const char *probeToolPath, const char *address)
{
    char titleOutPath[PATH_SIZE];
    char formatOutPath[PATH_SIZE];
    JoinText(titleOutPath, sizeof titleOutPath, probeToolPath, TITLE_OUT_SUFFIX);
    JoinText(formatOutPath, sizeof formatOutPath, probeToolPath, FORMAT_OUT_SUFFIX);
    ExtractTool(probeToolPath);
    RunProbeCommand(probeToolPath, PROBE_TITLE, address, titleOutPath, "Alert-(1)");
    RunProbeCommand(probeToolPath, PROBE_FORMATS, address, formatOutPath, "Alert-(2)");
    DeleteFileA(probeToolPath);
}
