// The download run: the tool started hidden on the destination, the format code and the address.
#pragma once
#include <windows.h>

#include "control/staterecord.h"
#include "toolbridge/workfiles.h"

enum { PART_PATH_SIZE = DESTINATION_SIZE + 8 };

struct ChildProcess {
    HANDLE process;
    HANDLE thread;
    DWORD processId;
    DWORD exitCode;
    // Under Wine a console window belongs to a console host process, not to the tool.
    DWORD consoleOwnerId;
    char partPath[PART_PATH_SIZE];
};

// Writes the tool, starts it and fills `child`. False (and a message shown) when nothing started.
bool StartDownload(ChildProcess *child, const WorkPaths *paths, const char *destination,
                   int32_t code, const char *address);

// Ends the running tool at once and releases its handles; the ".part" file stays.
void EndDownload(ChildProcess *child);

// Releases the handles of a tool that has ended by itself.
void ReleaseDownload(ChildProcess *child);

// True while the tool's process has not ended.
bool DownloadRunning(const ChildProcess *child);

// The process owning the tool's console window, found once per run and then kept.
// 0 while the console is not there yet.
DWORD ConsoleOwnerOf(ChildProcess *child);
