// Hidden tool runs whose output and errors land in files, moved on by the window's tick.
#include "toolbridge/tooltask.h"

#include <string.h>

#include "toolbridge/workfiles.h"

HANDLE CreateTaskFile(const char *path, BOOL inheritable)
{
    SECURITY_ATTRIBUTES security = {sizeof security, NULL, inheritable};
    return CreateWorkFile(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &security);
}

bool OpenRunHandles(RunHandles *handles, const char *outPath, const char *errPath,
                    STARTUPINFOA *startup)
{
    // Reading nothing: a tool that asks for input gets an end of file, not a missing handle.
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, NULL, TRUE};
    handles->input = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    // A standard error is needed as much as an output: youtube-dl stops with an error at its
    // first warning when it has none.
    handles->output = CreateTaskFile(outPath, TRUE);
    handles->errors = CreateTaskFile(errPath, TRUE);
    memset(startup, 0, sizeof *startup);
    startup->cb = sizeof *startup;
    startup->dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup->wShowWindow = SW_HIDE;
    startup->hStdInput = handles->input;
    startup->hStdOutput = handles->output;
    startup->hStdError = handles->errors;
    return handles->output != INVALID_HANDLE_VALUE && handles->errors != INVALID_HANDLE_VALUE;
}

void CloseRunHandles(RunHandles *handles)
{
    // The run has its own copies; kept here, they would reach later runs as well.
    HANDLE all[] = {handles->input, handles->output, handles->errors};
    for (HANDLE handle : all)
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
}

bool StartToolTask(ToolTask *task, const char *program, char *commandLine, const char *directory,
                   const char *outPath, const char *errPath, DWORD limitMs, const char *tempFolder)
{
    memset(task, 0, sizeof *task);
    task->exitCode = TASK_NOT_RUN;
    task->limitMs = limitMs;
    if (!JoinText(task->outPath, sizeof task->outPath, outPath, "") ||
        !JoinText(task->errPath, sizeof task->errPath, errPath, ""))
        return false;
    RunHandles handles;
    STARTUPINFOA startup;
    bool started = OpenRunHandles(&handles, outPath, errPath, &startup) &&
                   StartToolRun(&task->run, program, commandLine, TRUE, CREATE_NO_WINDOW, directory,
                                &startup, tempFolder);
    CloseRunHandles(&handles);
    task->running = started;
    return started;
}

TaskOutcome FollowToolTask(ToolTask *task)
{
    if (!task->running)
        return TASK_OVER;
    if (!ToolRunOver(&task->run)) {
        if (GetTickCount() - task->run.startTick < task->limitMs)
            return TASK_RUNNING;
        CancelToolTask(task);
        return TASK_TIMED_OUT;
    }
    task->exitCode = ToolRunExitCode(&task->run);
    ReleaseToolRun(&task->run);
    task->running = false;
    return TASK_OVER;
}

void CancelToolTask(ToolTask *task)
{
    if (!task->running)
        return;
    EndToolRun(&task->run);
    ReleaseToolRun(&task->run);
    task->running = false;
    task->exitCode = TASK_NOT_RUN;
}
