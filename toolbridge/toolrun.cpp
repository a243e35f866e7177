// Tool runs inside job objects, with the single-process fallback.
#include "toolbridge/toolrun.h"

#include <string.h>

// How long an ended run may take to disappear before its files are removed anyway.
enum { END_WAIT_MS = 2000, END_POLL_MS = 5 };

// Set in the tests' environment to take the path of a system without nested jobs.
#define NO_JOB_VARIABLE "VIDMORA_TEST_NO_JOB"

static HANDLE CreateRunJob()
{
    char value[8];
    if (GetEnvironmentVariableA(NO_JOB_VARIABLE, value, sizeof value) > 0)
        return NULL;
    HANDLE job = CreateJobObjectA(NULL, NULL);
    if (!job)
        return NULL;
    // Closing the last handle, also when this program crashes, ends every process left.
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits;
    memset(&limits, 0, sizeof limits);
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        CloseHandle(job);
        return NULL;
    }
    return job;
}

bool StartToolRun(ToolRun *run, const char *application, char *commandLine, BOOL inheritHandles,
                  DWORD creationFlags, const char *directory, STARTUPINFOA *startup)
{
    memset(run, 0, sizeof *run);
    PROCESS_INFORMATION started;
    if (!CreateProcessA(application, commandLine, NULL, NULL, inheritHandles,
                        creationFlags | CREATE_SUSPENDED, NULL, directory, startup, &started))
        return false;
    run->process = started.hProcess;
    run->thread = started.hThread;
    run->processId = started.dwProcessId;
    run->job = CreateRunJob();
    if (run->job && !AssignProcessToJobObject(run->job, run->process)) {
        CloseHandle(run->job);
        run->job = NULL;
    }
    run->startTick = GetTickCount();
    ResumeThread(run->thread);
    return true;
}

static DWORD ActiveProcesses(HANDLE job)
{
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info;
    if (!QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info, sizeof info,
                                   NULL))
        return 0;
    return info.ActiveProcesses;
}

bool ToolRunOver(const ToolRun *run)
{
    if (run->job)
        return ActiveProcesses(run->job) == 0;
    return !run->process || WaitForSingleObject(run->process, 0) != WAIT_TIMEOUT;
}

bool ToolRunHasJob(const ToolRun *run)
{
    return run->job != NULL;
}

DWORD ToolRunExitCode(const ToolRun *run)
{
    DWORD code = STILL_ACTIVE;
    if (run->process && !GetExitCodeProcess(run->process, &code))
        code = STILL_ACTIVE;
    return code;
}

void EndToolRun(ToolRun *run)
{
    if (run->job) {
        TerminateJobObject(run->job, 1);
        for (DWORD waited = 0; ActiveProcesses(run->job) > 0 && waited < END_WAIT_MS;
             waited += END_POLL_MS)
            Sleep(END_POLL_MS);
    } else if (run->process) {
        TerminateProcess(run->process, 1);
        WaitForSingleObject(run->process, END_WAIT_MS);
    }
}

void ReleaseToolRun(ToolRun *run)
{
    if (run->job)
        CloseHandle(run->job);
    if (run->process)
        CloseHandle(run->process);
    if (run->thread)
        CloseHandle(run->thread);
    memset(run, 0, sizeof *run);
}
