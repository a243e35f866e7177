// Starting and ending the download copy of the tool.
#include "toolbridge/download.h"

#include <string.h>

#include "toolbridge/cmdline.h"
#include "toolbridge/alert.h"

// Static: the tick path never allocates, and the stack stays small.
static char downloadArguments[COMMAND_LINE_SIZE];

bool StartDownload(ChildProcess *child, const WorkPaths *paths, const char *destination,
                   int32_t code, const char *address)
{
    // A quote or a control character would let the text split into further options.
    if (!IsPassableArgument(destination) || !IsPassableArgument(address)) {
        Alert("The destination or the address holds a double quote or a control character.\n"
              "It cannot be passed to the download tool safely, so nothing was started.",
              "Alert", ALERT_WARNING);
        return false;
    }
    if (!BuildDownloadArguments(downloadArguments, sizeof downloadArguments, destination, code,
                                address) ||
        !JoinText(child->partPath, sizeof child->partPath, destination, PART_SUFFIX)) {
        Alert("The destination and the address are too long to pass to the download tool.",
              "Alert", ALERT_WARNING);
        return false;
    }
    ExtractTool(paths->toolPath);

    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    // A console of its own: under Wine a console inherited from whoever started us
    // would leave the tool without a console window to read progress from.
    if (!StartToolRun(&child->run, paths->toolPath, downloadArguments, FALSE, CREATE_NEW_CONSOLE,
                      &startup)) {
        Alert("Craete Downloading process failed!", "Alert", ALERT_ERROR);
        return false;
    }
    child->consoleOwnerId = 0;
    child->console = NULL;
    DWORD exitCode;
    if (!GetExitCodeProcess(child->run.process, &exitCode))
        Alert("Oop! This process failed to get exit code.", "Alert", ALERT_ERROR);
    return true;
}

void ReleaseDownload(ChildProcess *child)
{
    ReleaseToolRun(&child->run);
    child->consoleOwnerId = 0;
    child->console = NULL;
}

void EndDownload(ChildProcess *child)
{
    EndToolRun(&child->run);
    ReleaseDownload(child);
}

bool DownloadOver(const ChildProcess *child)
{
    return ToolRunOver(&child->run);
}

// On Windows this gives the tool itself; under Wine its console host. Found once per run.
static DWORD ConsoleOwnerOf(ChildProcess *child)
{
    if (child->consoleOwnerId != 0 || !child->run.processId)
        return child->consoleOwnerId;
    FreeConsole();
    if (!AttachConsole(child->run.processId))
        return 0;
    HWND console = GetConsoleWindow();
    DWORD owner = 0;
    if (console)
        GetWindowThreadProcessId(console, &owner);
    FreeConsole();
    child->consoleOwnerId = owner;
    return owner;
}

// The first top-level window, in stacking order, of the tool or of its console host.
HWND FindToolConsole(ChildProcess *child)
{
    if (child->console && IsWindow(child->console))
        return child->console;
    child->console = NULL;
    DWORD owner = ConsoleOwnerOf(child);
    for (HWND window = GetTopWindow(NULL); window; window = GetWindow(window, GW_HWNDNEXT)) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == child->run.processId || (owner != 0 && process == owner)) {
            child->console = window;
            return window;
        }
    }
    return NULL;
}
