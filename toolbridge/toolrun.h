// One run of the tool: its process and, where the system allows, a job holding the
// whole process tree (a packed one-file tool does its work in a child process).
#pragma once
#include <windows.h>

struct ToolRun {
    HANDLE job;      // null on the single-process path
    HANDLE process;
    HANDLE thread;
    DWORD processId;
    DWORD startTick;
    // Its TMP and TEMP, emptied when the run is released; "" for none of its own.
    char tempFolder[MAX_PATH * 2];
};

// True, after a short pause, while `error` says a file is held by another process and
// `*waitedMs` (counted on) is under `limitMs`: the caller tries again.
bool WaitWhileHeld(DWORD error, DWORD *waitedMs, DWORD limitMs);

// Starts `commandLine` (`application` may be null) in `directory` (null: ours) suspended, puts it into a new job
// that ends with its handle, then resumes it. Where no job can be had (Windows 7 inside
// a job without breakaway), the run goes on as a single process. False when nothing started.
// With a `tempFolder` (made if missing, emptied first) the run's TMP and TEMP name it: what the
// tool leaves in its temporary folder (a one-file tool's unpacked self, its copy of Firefox's
// cookies) stays in the per-user folder and goes when the run is released.
bool StartToolRun(ToolRun *run, const char *application, char *commandLine, BOOL inheritHandles,
                  DWORD creationFlags, const char *directory, STARTUPINFOA *startup,
                  const char *tempFolder = nullptr);

// True when nothing of the run is left: no process of its job, or its process has ended.
bool ToolRunOver(const ToolRun *run);

// True when the run has a job, so its end is known without counting missed windows.
bool ToolRunHasJob(const ToolRun *run);

// The started process's exit code; STILL_ACTIVE while it runs.
DWORD ToolRunExitCode(const ToolRun *run);

// Ends the whole run at once and waits briefly until it is gone, so that its files
// can be removed right after. The handles stay open.
void EndToolRun(ToolRun *run);

// Closes the run's handles, each once, and clears it.
void ReleaseToolRun(ToolRun *run);
