// Hidden tool runs whose output and errors land in files, moved on by the window's tick.
#include "toolbridge/tooltask.h"

#include <string.h>

#include "toolbridge/workfiles.h"

HANDLE CreateTaskFile(const char *path, BOOL inheritable)
{
    SECURITY_ATTRIBUTES security = {sizeof security, NULL, inheritable};
    return CreateWorkFile(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &security);
}

// Reading nothing: a tool that asks for input gets an end of file, not a missing handle.
static HANDLE OpenEmptyInput()
{
    SECURITY_ATTRIBUTES security = {sizeof security, NULL, TRUE};
    return CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &security,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
}

static void CloseIfOpen(HANDLE handle)
{
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
}

bool StartToolTask(ToolTask *task, const char *program, char *commandLine, const char *directory,
                   const char *outPath, const char *errPath, DWORD limitMs)
{
    memset(task, 0, sizeof *task);
    task->exitCode = TASK_NOT_RUN;
    task->limitMs = limitMs;
    if (!JoinText(task->outPath, sizeof task->outPath, outPath, "") ||
        !JoinText(task->errPath, sizeof task->errPath, errPath, ""))
        return false;
    // A standard error is needed as much as an output: youtube-dl stops with an error at its
    // first warning when it has none.
    HANDLE output = CreateTaskFile(outPath, TRUE);
    HANDLE errors = CreateTaskFile(errPath, TRUE);
    HANDLE input = OpenEmptyInput();
    bool started = false;
    if (output != INVALID_HANDLE_VALUE && errors != INVALID_HANDLE_VALUE) {
        STARTUPINFOA startup;
        memset(&startup, 0, sizeof startup);
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
        startup.wShowWindow = SW_HIDE;
        startup.hStdInput = input;
        startup.hStdOutput = output;
        startup.hStdError = errors;
        started = StartToolRun(&task->run, program, commandLine, TRUE, CREATE_NO_WINDOW, directory,
                               &startup);
    }
    // The run has its own copies; kept here, they would reach later runs as well.
    CloseIfOpen(output);
    CloseIfOpen(errors);
    CloseIfOpen(input);
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
