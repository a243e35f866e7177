// Loading a system DLL by its full path on first use.
#include "toolbridge/systemdll.h"

#include <string.h>

FARPROC SystemFunction(const char *dll, const char *name)
{
    // The full path, so a DLL of the same name in the program's folder or the working
    // directory is never loaded in its place.
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, sizeof path);
    size_t dllLength = strlen(dll);
    if (length == 0 || length >= sizeof path || dllLength >= sizeof path - length - 1)
        return NULL;
    path[length] = '\\';
    memcpy(path + length + 1, dll, dllLength + 1);
    // Already loaded by an earlier use: no further load, so the count does not grow.
    HMODULE library = GetModuleHandleA(path);
    if (!library)
        library = LoadLibraryA(path);
    return library ? GetProcAddress(library, name) : NULL;
}

typedef HRESULT(WINAPI *OleInitializeFunction)(LPVOID);

bool InitializeOle()
{
    static bool initialized;
    if (initialized)
        return true;
    OleInitializeFunction oleInitialize =
        (OleInitializeFunction)(void (*)(void))SystemFunction("ole32.dll", "OleInitialize");
    // S_FALSE: this thread had it already, which is as good.
    initialized = oleInitialize && SUCCEEDED(oleInitialize(NULL));
    return initialized;
}
