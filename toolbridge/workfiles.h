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

// Writes the tool resource to `path`, replacing any file there.
void ExtractTool(const char *path);

// Removes the file at `path`, retrying while it can still be opened, for at most
// `timeoutMs` (a file held open by a process that is ending cannot be deleted at once).
void DeleteUntilGone(const char *path, unsigned timeoutMs = 3000);
