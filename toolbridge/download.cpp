// Starting and ending the download copy of the tool.
#include "toolbridge/download.h"

#include <string.h>

#include "toolbridge/cmdline.h"
#include "ui/alert.h"

// Wait for a terminated tool so its program file can be removed right after.
enum { END_WAIT_MS = 2000 };

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
    PROCESS_INFORMATION started;
    // A console of its own: under Wine a console inherited from whoever started us
    // would leave the tool without a console window to read progress from.
    if (!CreateProcessA(paths->toolPath, downloadArguments, NULL, NULL, FALSE, CREATE_NEW_CONSOLE,
                        NULL, NULL, &startup, &started)) {
        Alert("Craete Downloading process failed!", "Alert", ALERT_ERROR);
        return false;
    }
    child->process = started.hProcess;
    child->thread = started.hThread;
    child->processId = started.dwProcessId;
    child->consoleOwnerId = 0;
    if (!GetExitCodeProcess(child->process, &child->exitCode))
        Alert("Oop! This process failed to get exit code.", "Alert", ALERT_ERROR);
    return true;
}

void ReleaseDownload(ChildProcess *child)
{
    if (child->process)
        CloseHandle(child->process);
    if (child->thread)
        CloseHandle(child->thread);
    child->process = NULL;
    child->thread = NULL;
    child->processId = 0;
    child->consoleOwnerId = 0;
}

void EndDownload(ChildProcess *child)
{
    if (child->process) {
        TerminateProcess(child->process, child->exitCode);
        WaitForSingleObject(child->process, END_WAIT_MS);
    }
    ReleaseDownload(child);
}

bool DownloadRunning(const ChildProcess *child)
{
    return child->process && WaitForSingleObject(child->process, 0) == WAIT_TIMEOUT;
}

DWORD ConsoleOwnerOf(ChildProcess *child)
{
    if (child->consoleOwnerId != 0 || !child->processId)
        return child->consoleOwnerId;
    // On Windows this gives the tool itself; under Wine its console host.
    FreeConsole();
    if (!AttachConsole(child->processId))
        return 0;
    HWND console = GetConsoleWindow();
    DWORD owner = 0;
    if (console)
        GetWindowThreadProcessId(console, &owner);
    FreeConsole();
    child->consoleOwnerId = owner;
    return owner;
}
