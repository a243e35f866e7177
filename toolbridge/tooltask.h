// One hidden run of a tool beside the window: no console window, its standard output and
// error in working files, its process tree in a job, a time limit, and the 50 ms tick to
// see whether it is over. The probe's two runs, the version checks and the update use it.
#pragma once
#include "toolbridge/paths.h"
#include "toolbridge/toolrun.h"
#include "toolbridge/tooloptions.h"

enum TaskOutcome { TASK_RUNNING, TASK_OVER, TASK_TIMED_OUT };

// Exit code of a run that did not end by itself (never started, ended, or timed out).
enum { TASK_NOT_RUN = 0xFFFFFFFFu };

struct ToolTask {
    ToolRun run;
    bool running;
    DWORD limitMs;
    DWORD exitCode;
    bool askedUtf8;        // the tool was asked to write UTF-8
    ToolOptions refused;   // the options it was not given
    char outPath[PATH_SIZE];
    char errPath[PATH_SIZE];
};

// Empties the output and error files and starts `commandLine` (whose first argument
// names `program`) in `directory` (null: the current one). False when it did not start.
bool StartToolTask(ToolTask *task, const char *program, char *commandLine, const char *directory,
                   const char *outPath, const char *errPath, DWORD limitMs, const char *tempFolder = nullptr);

// Whether the run is over, by itself (its exit code is then kept) or by the time limit.
TaskOutcome FollowToolTask(ToolTask *task);

// Ends a running task at once.
void CancelToolTask(ToolTask *task);

// Creates (or empties) a working file, inheritable when a run is to write it.
HANDLE CreateTaskFile(const char *path, BOOL inheritable);

// The standard handles of a hidden run: an empty input, and its output and errors in files.
struct RunHandles {
    HANDLE input;
    HANDLE output;
    HANDLE errors;
};

// Opens them and fills `startup` with them; false when a file could not be made.
// CloseRunHandles is due either way, once the run has started or failed to.
bool OpenRunHandles(RunHandles *handles, const char *outPath, const char *errPath, STARTUPINFOA *startup);
void CloseRunHandles(RunHandles *handles);
