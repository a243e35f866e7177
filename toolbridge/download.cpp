// Starting and ending the download copy of the tool.
#include "toolbridge/download.h"

#include <stdio.h>
#include <string.h>

#include "toolbridge/cmdline.h"
#include "toolbridge/textrules.h"
#include "toolbridge/tooltask.h"
#include "toolbridge/alert.h"

void DownloadOutputPaths(const WorkPaths *paths, char *outPath, char *errPath)
{
    JoinText(outPath, PATH_SIZE, paths->toolPath, RUN_OUT_SUFFIX);
    JoinText(errPath, PATH_SIZE, paths->toolPath, RUN_ERR_SUFFIX);
}

void RemoveDownloadCopy(const WorkPaths *paths)
{
    char outPath[PATH_SIZE], errPath[PATH_SIZE];
    DownloadOutputPaths(paths, outPath, errPath);
    DeleteUntilGone(paths->toolPath);
    DeleteUntilGone(outPath);
    DeleteUntilGone(errPath);
}

// Whether the tool, which inherits this environment, would find `name` in it.
static bool IsEnvironmentName(const char *name)
{
    char value[2];
    SetLastError(ERROR_SUCCESS);
    return GetEnvironmentVariableA(name, value, sizeof value) > 0 ||
           GetLastError() != ERROR_ENVVAR_NOT_FOUND;
}

// Static: the tick path never allocates, and the stack stays small.
static char downloadArguments[COMMAND_LINE_SIZE];

bool StartDownload(ChildProcess *child, const WorkPaths *paths, const char *destination,
                   int32_t code, const char *address, const RunSurroundings *surroundings,
                   const char *mergeExtension)
{
    // A quote or a control character would let the text split into further options.
    if (!IsPassableArgument(destination) || !IsPassableArgument(address)) {
        Alert("The destination or the address holds a double quote or a control character.\n"
              "It cannot be passed to the download tool safely, so nothing was started.",
              "Alert", ALERT_WARNING);
        return false;
    }
    char name[ENVIRONMENT_NAME_SIZE];
    if (FindExpandedName(destination, IsEnvironmentName, name, sizeof name)) {
        char message[ENVIRONMENT_NAME_SIZE + 300];
        snprintf(message, sizeof message,
                 "The destination holds \"$%s\", which the download tool would replace with the "
                 "value of the environment variable %s, and it would save elsewhere.\n"
                 "Choose a file name in which no '$' stands before that name.",
                 name, name);
        Alert(message, "Alert", ALERT_WARNING);
        return false;
    }
    if (!BuildDownloadArguments(downloadArguments, sizeof downloadArguments, destination, code,
                                address, surroundings, mergeExtension) ||
        !JoinText(child->partPath, sizeof child->partPath, destination, PART_SUFFIX)) {
        Alert("The destination and the address are too long to pass to the download tool.",
              "Alert", ALERT_WARNING);
        return false;
    }
    if (!ExtractTool(paths, paths->toolPath))
        return false;

    // Its output and errors go to files, so a failure can be told in the tool's words;
    // the console still gets its title, which is where the progress is read.
    char outPath[PATH_SIZE], errPath[PATH_SIZE];
    DownloadOutputPaths(paths, outPath, errPath);
    RunHandles handles;
    STARTUPINFOA startup;
    // A console of its own: under Wine a console inherited from whoever started us
    // would leave the tool without a console window to read progress from.
    bool started = OpenRunHandles(&handles, outPath, errPath, &startup) &&
                   StartToolRun(&child->run, paths->toolPath, downloadArguments, TRUE,
                                CREATE_NEW_CONSOLE, paths->runFolder, &startup);
    CloseRunHandles(&handles);
    if (!started) {
        Alert("Craete Downloading process failed!", "Alert", ALERT_ERROR);
        return false;
    }
    child->console = NULL;
    DWORD exitCode;
    if (!GetExitCodeProcess(child->run.process, &exitCode))
        Alert("Oop! This process failed to get exit code.", "Alert", ALERT_ERROR);
    return true;
}

void ReleaseDownload(ChildProcess *child)
{
    ReleaseToolRun(&child->run);
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

// The console's own window, as the console names it to a process attached to it. A one-file
// tool's starter has a hidden top-level window of its own, so "the first window of the
// tool's process" could be that one instead, and its title holds no progress.
static HWND ConsoleWindowOf(DWORD processId)
{
    FreeConsole();
    if (!AttachConsole(processId))
        return NULL;
    HWND console = GetConsoleWindow();
    FreeConsole();
    return console;
}

HWND FindToolConsole(ChildProcess *child)
{
    if (child->console && IsWindow(child->console))
        return child->console;
    child->console = child->run.processId ? ConsoleWindowOf(child->run.processId) : NULL;
    return child->console;
}

size_t ReadDownloadOutput(const WorkPaths *paths, unsigned long offset, char *buffer, size_t size)
{
    char outPath[PATH_SIZE], errPath[PATH_SIZE];
    DownloadOutputPaths(paths, outPath, errPath);
    HANDLE file = CreateFileA(outPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    DWORD got = 0;
    LARGE_INTEGER at;
    at.QuadPart = offset;
    if (!SetFilePointerEx(file, at, NULL, FILE_BEGIN) || !ReadFile(file, buffer, (DWORD)size, &got, NULL))
        got = 0;
    CloseHandle(file);
    return got;
}

void RemoveDownloadLeftovers(const char *destination)
{
    const char *slash = LastBackslash(destination, TextCodePage());
    if (!slash)
        return;
    char pattern[PATH_SIZE + 8], path[PATH_SIZE + 8];
    const char *name = slash + 1;
    size_t folderLength = (size_t)(name - destination);
    if (!JoinText(pattern, sizeof pattern, destination, "") || folderLength + 2 > sizeof pattern)
        return;
    // Every name that starts like the destination's stem; each is checked before it goes.
    const char *extension = ExtensionOf(name);
    size_t stemEnd = extension ? (size_t)(extension - destination) : strlen(destination);
    snprintf(pattern + stemEnd, sizeof pattern - stemEnd, ".*");
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsDownloadLeftover(name, found.cFileName) &&
            folderLength + strlen(found.cFileName) < sizeof path) {
            memcpy(path, destination, folderLength);
            snprintf(path + folderLength, sizeof path - folderLength, "%s", found.cFileName);
            DeleteUntilGone(path);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}
