// The tool resource and the fixed working files in the temporary directory.
#pragma once
#include "toolbridge/paths.h"

#define TOOL_FILE_NAME "5890DA2.~tmp.exe"
#define PROBE_TOOL_FILE_NAME "5890DA2.~tester.exe"
#define STATE_FILE_NAME "5890DA2.~record.bak"
#define TITLE_OUT_SUFFIX "-title-out"
#define FORMAT_OUT_SUFFIX "-format-out"
#define PART_SUFFIX ".part"

struct WorkPaths {
    char modulePath[PATH_SIZE];
    char toolPath[PATH_SIZE];
    char probeToolPath[PATH_SIZE];
    char stateFilePath[PATH_SIZE];
};

// Fills every path from the module file name and the temporary directory.
void ComputeWorkPaths(WorkPaths *paths);

#ifdef _WIN32
#include <windows.h>
// Creates (or truncates) a working file. A file that a tool run just used may still be
// held, or be pending deletion, for a moment after its process has ended (under Wine its
// console host can outlive it), so this retries briefly instead of failing at once.
HANDLE CreateWorkFile(const char *path, DWORD access, DWORD share, SECURITY_ATTRIBUTES *security);
#endif

// Writes the tool resource to `path`, replacing any file there, and checks the copy is
// whole. False, with the reason shown, when it is not: such a copy is never to be run.
bool ExtractTool(const char *path);

// Removes the file at `path`, retrying while it can still be opened, for at most
// `timeoutMs` (a file held open by a process that is ending cannot be deleted at once).
void DeleteUntilGone(const char *path, unsigned timeoutMs = 3000);
