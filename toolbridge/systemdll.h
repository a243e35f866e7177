// Functions of system DLLs that only a rarely used action needs. Loading such a DLL on
// that action's first use keeps it, and all it pulls in, out of every start-up.
#pragma once
#include <windows.h>

// The address of `name` in `dll` from the system directory, which then stays loaded;
// null when the DLL or the function cannot be found.
FARPROC SystemFunction(const char *dll, const char *name);

// ole32 loaded and OLE started on this thread (drag and drop, the taskbar's interface): on
// the first use, once. False when it cannot be.
bool InitializeOle();
