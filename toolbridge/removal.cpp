// Removal of working files that may still be held open for a moment by an ending process.
#include "toolbridge/workfiles.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <stdio.h>
#include <time.h>
#include <unistd.h>
#endif

enum { DELETE_RETRY_PAUSE_MS = 20 };

#ifdef _WIN32
static bool CanOpen(const char *path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}
static void RemoveFile(const char *path) { DeleteFileA(path); }
static void PauseMs(unsigned ms) { Sleep(ms); }
#else
static bool CanOpen(const char *path)
{
    FILE *file = fopen(path, "rb");
    if (!file)
        return false;
    fclose(file);
    return true;
}
static void RemoveFile(const char *path) { remove(path); }
static void PauseMs(unsigned ms) { usleep(ms * 1000u); }
#endif

void DeleteUntilGone(const char *path, unsigned timeoutMs)
{
    unsigned waited = 0;
    while (CanOpen(path)) {
        RemoveFile(path);
        if (!CanOpen(path) || waited >= timeoutMs)
            return;
        PauseMs(DELETE_RETRY_PAUSE_MS);
        waited += DELETE_RETRY_PAUSE_MS;
    }
}
