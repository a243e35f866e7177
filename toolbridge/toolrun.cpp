// Tool runs inside job objects, with the single-process fallback.
#include "toolbridge/toolrun.h"

#include <stdio.h>
#include <string.h>
#include <wchar.h>

#include <initializer_list>

// How long an ended run may take to disappear before its files are removed anyway.
enum { END_WAIT_MS = 2000, END_POLL_MS = 5 };

// A program file just written may be held for a moment by a virus scanner, and a start
// can fail once for a reason of the moment: it is tried again briefly before it counts.
enum { HELD_PAUSE_MS = 20, START_RETRY_LIMIT_MS = 1000 };

// Set in the tests' environment to take the path of a system without nested jobs.
#define NO_JOB_VARIABLE "VIDMORA_TEST_NO_JOB"

static HANDLE CreateRunJob()
{
    char value[8];
    if (GetEnvironmentVariableA(NO_JOB_VARIABLE, value, sizeof value) > 0)
        return NULL;
    HANDLE job = CreateJobObjectA(NULL, NULL);
    if (!job)
        return NULL;
    // Closing the last handle, also when this program crashes, ends every process left.
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits;
    memset(&limits, 0, sizeof limits);
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        CloseHandle(job);
        return NULL;
    }
    return job;
}

// Static: built when a run starts, never on a tick that only follows one.
static wchar_t environmentBlock[32768];

// Our environment with TMP and TEMP naming `folder`; null when it does not fit.
static wchar_t *EnvironmentWithTemp(const char *folder)
{
    wchar_t wideFolder[MAX_PATH * 2];
    if (!MultiByteToWideChar(CP_ACP, 0, folder, -1, wideFolder, MAX_PATH * 2))
        return NULL;
    wchar_t *ours = GetEnvironmentStringsW();
    if (!ours)
        return NULL;
    size_t used = 0, room = sizeof environmentBlock / sizeof environmentBlock[0];
    bool fits = true;
    auto put = [&](const wchar_t *text) {
        size_t length = wcslen(text) + 1;
        fits = fits && used + length < room;
        if (fits)
            memcpy(environmentBlock + used, text, length * sizeof(wchar_t));
        used += fits ? length : 0;
    };
    for (const wchar_t *variable = ours; *variable; variable += wcslen(variable) + 1)
        if (_wcsnicmp(variable, L"TMP=", 4) != 0 && _wcsnicmp(variable, L"TEMP=", 5) != 0)
            put(variable);
    FreeEnvironmentStringsW(ours);
    wchar_t line[MAX_PATH * 2 + 8];
    for (const wchar_t *name : {L"TMP=", L"TEMP="}) {
        swprintf(line, sizeof line / sizeof line[0], L"%ls%ls", name, wideFolder);
        put(line);
    }
    if (!fits)
        return NULL;
    environmentBlock[used] = L'\0';
    return environmentBlock;
}

// Removes everything inside `folder`, a few levels deep; the folder itself stays.
static void EmptyFolder(const char *folder, int depth)
{
    char path[MAX_PATH * 2];
    if (depth > 8 || snprintf(path, sizeof path, "%s\\*", folder) >= (int)sizeof path)
        return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (strcmp(found.cFileName, ".") == 0 || strcmp(found.cFileName, "..") == 0 ||
            snprintf(path, sizeof path, "%s\\%s", folder, found.cFileName) >= (int)sizeof path)
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            EmptyFolder(path, depth + 1);
            RemoveDirectoryA(path);
        } else {
            SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

bool WaitWhileHeld(DWORD error, DWORD *waitedMs, DWORD limitMs)
{
    if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) || *waitedMs >= limitMs)
        return false;
    Sleep(HELD_PAUSE_MS);
    *waitedMs += HELD_PAUSE_MS;
    return true;
}

static bool StartProcess(const char *application, char *commandLine, BOOL inheritHandles, DWORD flags,
                         void *environment, const char *directory, STARTUPINFOA *startup,
                         PROCESS_INFORMATION *started)
{
    for (DWORD waited = 0, tries = 0;; tries++) {
        if (CreateProcessA(application, commandLine, NULL, NULL, inheritHandles, flags, environment, directory,
                           startup, started))
            return true;
        DWORD error = GetLastError();
        if (WaitWhileHeld(error, &waited, START_RETRY_LIMIT_MS))
            continue;
        // Held too long, tried twice, or nothing a moment mends.
        if (tries > 0 || error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
            error == ERROR_BAD_EXE_FORMAT)
            return false;
        Sleep(HELD_PAUSE_MS);
    }
}

bool StartToolRun(ToolRun *run, const char *application, char *commandLine, BOOL inheritHandles,
                  DWORD creationFlags, const char *directory, STARTUPINFOA *startup, const char *tempFolder)
{
    memset(run, 0, sizeof *run);
    wchar_t *environment = NULL;
    if (tempFolder && tempFolder[0] && strlen(tempFolder) < sizeof run->tempFolder &&
        (CreateDirectoryA(tempFolder, NULL) || GetLastError() == ERROR_ALREADY_EXISTS) &&
        (environment = EnvironmentWithTemp(tempFolder)) != NULL) {
        // What a run ended in the middle left there goes now.
        EmptyFolder(tempFolder, 0);
        strcpy(run->tempFolder, tempFolder);
        creationFlags |= CREATE_UNICODE_ENVIRONMENT;
    }
    PROCESS_INFORMATION started;
    if (!StartProcess(application, commandLine, inheritHandles, creationFlags | CREATE_SUSPENDED, environment,
                      directory, startup, &started)) {
        run->tempFolder[0] = '\0';
        return false;
    }
    run->process = started.hProcess;
    run->thread = started.hThread;
    run->processId = started.dwProcessId;
    run->job = CreateRunJob();
    if (run->job && !AssignProcessToJobObject(run->job, run->process)) {
        CloseHandle(run->job);
        run->job = NULL;
    }
    run->startTick = GetTickCount();
    ResumeThread(run->thread);
    return true;
}

static DWORD ActiveProcesses(HANDLE job)
{
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info;
    if (!QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info, sizeof info,
                                   NULL))
        return 0;
    return info.ActiveProcesses;
}

bool ToolRunOver(const ToolRun *run)
{
    if (run->job)
        return ActiveProcesses(run->job) == 0;
    return !run->process || WaitForSingleObject(run->process, 0) != WAIT_TIMEOUT;
}

bool ToolRunHasJob(const ToolRun *run)
{
    return run->job != NULL;
}

DWORD ToolRunExitCode(const ToolRun *run)
{
    DWORD code = STILL_ACTIVE;
    if (run->process && !GetExitCodeProcess(run->process, &code))
        code = STILL_ACTIVE;
    return code;
}

void EndToolRun(ToolRun *run)
{
    if (run->job) {
        TerminateJobObject(run->job, 1);
        for (DWORD waited = 0; ActiveProcesses(run->job) > 0 && waited < END_WAIT_MS;
             waited += END_POLL_MS)
            Sleep(END_POLL_MS);
    } else if (run->process) {
        TerminateProcess(run->process, 1);
        WaitForSingleObject(run->process, END_WAIT_MS);
    }
}

void ReleaseToolRun(ToolRun *run)
{
    if (run->tempFolder[0])
        EmptyFolder(run->tempFolder, 0);
    if (run->job)
        CloseHandle(run->job);
    if (run->process)
        CloseHandle(run->process);
    if (run->thread)
        CloseHandle(run->thread);
    memset(run, 0, sizeof *run);
}
