// Working paths and extraction of the embedded tool into the temporary directory.
#include "toolbridge/workfiles.h"

#include <windows.h>
#include <stdio.h>

#include "resources/resource.h"
#include "toolbridge/alert.h"
#include "toolbridge/keptool.h"
#include "toolbridge/textconv.h"

static void TempFilePath(char *out, const char *tempDir, const char *name)
{
    if (!JoinText(out, PATH_SIZE, tempDir, name))
        Alert("The temporary directory's path is too long!", "Alert", ALERT_ERROR);
}

void ComputeWorkPaths(WorkPaths *paths)
{
    char tempDir[PATH_SIZE];
    DWORD moduleLength = GetModuleFileNameA(NULL, paths->modulePath, PATH_SIZE);
    if (moduleLength == 0 || moduleLength >= PATH_SIZE)
        paths->modulePath[0] = '\0';
    if (!TempDirectory(tempDir, sizeof tempDir)) {
        Alert("Failed to get temporary directory!\n"
              "Its name cannot be written in this system's code page, even in its short form.",
              "Alert", ALERT_ERROR);
        tempDir[0] = '\0';
    }
    TempFilePath(paths->toolPath, tempDir, TOOL_FILE_NAME);
    TempFilePath(paths->probeToolPath, tempDir, PROBE_TOOL_FILE_NAME);
    TempFilePath(paths->stateFilePath, tempDir, STATE_FILE_NAME);
    TempFilePath(paths->versionToolPath, tempDir, VERSION_TOOL_FILE_NAME);
    TempFilePath(paths->keepingOutPath, tempDir, KEEPING_OUT_FILE_NAME);
    TempFilePath(paths->keepingErrPath, tempDir, KEEPING_ERR_FILE_NAME);
    ComputeKeptPaths(paths);
}

// A resource failure means the program file itself is damaged: report it and end.
static void ResourceFailure(const char *message)
{
    Alert(message, "Alert", ALERT_ERROR);
    PostQuitMessage(0);
}

enum { CREATE_RETRY_PAUSE_MS = 20, CREATE_RETRY_LIMIT_MS = 2000 };

HANDLE CreateWorkFile(const char *path, DWORD access, DWORD share, SECURITY_ATTRIBUTES *security)
{
    for (unsigned waited = 0;; waited += CREATE_RETRY_PAUSE_MS) {
        HANDLE file = CreateFileA(path, access, share, security, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, NULL);
        DWORD error = GetLastError();
        if (file != INVALID_HANDLE_VALUE || waited >= CREATE_RETRY_LIMIT_MS ||
            (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED))
            return file;
        Sleep(CREATE_RETRY_PAUSE_MS);
    }
}

void ReportCopyFailure(unsigned long error)
{
    char reason[200];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL,
                                  error, 0, reason, sizeof reason, NULL);
    // The system's text ends in ".\r\n", which the sentence supplies itself.
    while (length > 0 && (reason[length - 1] == '\r' || reason[length - 1] == '\n' ||
                          reason[length - 1] == '.' || reason[length - 1] == ' '))
        reason[--length] = '\0';
    if (length == 0)
        snprintf(reason, sizeof reason, "error %lu", error);
    char message[400];
    snprintf(message, sizeof message,
             "The download tool could not be written to the temporary folder (%s).", reason);
    Alert(message, "Alert", ALERT_WARNING);
}

// The resource's bytes; null (and the program asked to end) when the program file is damaged.
static const void *BuiltInTool(DWORD *size)
{
    HRSRC found = FindResourceA(NULL, MAKEINTRESOURCEA(IDR_TOOL), MAKEINTRESOURCEA(10));
    if (!found) {
        ResourceFailure("Oop! We can not found resource!");
        return NULL;
    }
    HGLOBAL loaded = LoadResource(NULL, found);
    if (!loaded) {
        ResourceFailure("Oop! We can not load resource!");
        return NULL;
    }
    const void *bytes = LockResource(loaded);
    if (!bytes) {
        ResourceFailure("Oop! Resource is unlocked!");
        return NULL;
    }
    *size = SizeofResource(NULL, found);
    if (*size == 0) {
        ResourceFailure("Aww! Resource no size!");
        return NULL;
    }
    return bytes;
}

bool WriteBuiltInTool(const char *path, unsigned long *error)
{
    DWORD size = 0;
    const void *bytes = BuiltInTool(&size);
    *error = ERROR_SUCCESS;
    if (!bytes)
        return false;
    // An old copy that cannot be replaced, held by another process or put there by
    // someone else where the folder is shared, must not run in place of this one.
    HANDLE file = CreateWorkFile(path, GENERIC_READ | GENERIC_WRITE, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        *error = GetLastError();
        return false;
    }
    DWORD written = 0;
    LARGE_INTEGER onDisk;
    if (!WriteFile(file, bytes, size, &written, NULL) || !FlushFileBuffers(file))
        *error = GetLastError();
    else if (written != size || !GetFileSizeEx(file, &onDisk) || onDisk.QuadPart != (LONGLONG)size)
        *error = ERROR_HANDLE_DISK_FULL;  // a short write is what a full disk gives
    CloseHandle(file);
    if (*error == ERROR_SUCCESS)
        return true;
    DeleteFileA(path);  // a cut-off copy must not be left to run
    return false;
}

bool ExtractTool(const WorkPaths *paths, const char *path)
{
    // Said once a session: the built-in tool serves meanwhile.
    static bool damageTold;
    unsigned long error = ERROR_SUCCESS;
    KeptToolState kept = CheckKeptTool(paths->keptToolPath);
    if (kept == KEPT_SOUND) {
        if (CopyToolFile(paths->keptToolPath, path, &error))
            return true;
        if (CheckKeptTool(paths->keptToolPath) == KEPT_SOUND) {
            ReportCopyFailure(error);
            return false;
        }
        kept = KEPT_DAMAGED;  // it went bad while being read
    }
    if (kept == KEPT_DAMAGED && !damageTold) {
        damageTold = true;
        Alert("The kept download tool is damaged; using the built-in one.", "Alert", ALERT_WARNING);
    }
    if (WriteBuiltInTool(path, &error))
        return true;
    if (error != ERROR_SUCCESS)
        ReportCopyFailure(error);
    return false;
}
