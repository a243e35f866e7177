// Working paths and extraction of the embedded tool into the temporary directory.
#include "toolbridge/workfiles.h"

#include <windows.h>

#include "resources/resource.h"
#include "toolbridge/alert.h"

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
    DWORD tempLength = GetTempPathA(PATH_SIZE, tempDir);
    if (tempLength == 0 || tempLength >= PATH_SIZE) {
        Alert("Failed to get temporary directory!", "Alert", ALERT_ERROR);
        tempDir[0] = '\0';
    }
    TempFilePath(paths->toolPath, tempDir, TOOL_FILE_NAME);
    TempFilePath(paths->probeToolPath, tempDir, PROBE_TOOL_FILE_NAME);
    TempFilePath(paths->stateFilePath, tempDir, STATE_FILE_NAME);
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

void ExtractTool(const char *path)
{
    HRSRC found = FindResourceA(NULL, MAKEINTRESOURCEA(IDR_TOOL), MAKEINTRESOURCEA(10));
    if (!found) {
        ResourceFailure("Oop! We can not found resource!");
        return;
    }
    HGLOBAL loaded = LoadResource(NULL, found);
    if (!loaded) {
        ResourceFailure("Oop! We can not load resource!");
        return;
    }
    const void *bytes = LockResource(loaded);
    if (!bytes) {
        ResourceFailure("Oop! Resource is unlocked!");
        return;
    }
    DWORD size = SizeofResource(NULL, found);
    if (size == 0) {
        ResourceFailure("Aww! Resource no size!");
        return;
    }
    HANDLE file = CreateWorkFile(path, GENERIC_READ | GENERIC_WRITE, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, bytes, size, &written, NULL);
    CloseHandle(file);
}
