// Starting a tool run whose program file is held, as a virus scanner holds a file it reads
// (Windows only).
#include <gtest/gtest.h>

#include <string.h>
#include <windows.h>

#include <string>

#include "tests/unit/test_files.h"
#include "toolbridge/toolrun.h"

namespace {

DWORD WINAPI ReleaseAfter150Ms(void *file)
{
    Sleep(150);
    CloseHandle((HANDLE)file);
    return 0;
}

// Starts `program` with "/c exit 7": whether it started, the time the start took and the exit code.
bool Start(const std::string &program, DWORD *tookMs, DWORD *exitCode)
{
    std::string line = "\"" + program + "\" /c exit 7";
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    ToolRun run;
    DWORD began = GetTickCount();
    bool started = StartToolRun(&run, program.c_str(), &line[0], FALSE, CREATE_NO_WINDOW, NULL, &startup);
    *tookMs = GetTickCount() - began;
    if (started && WaitForSingleObject(run.process, 10000) == WAIT_OBJECT_0)
        *exitCode = ToolRunExitCode(&run);
    ReleaseToolRun(&run);
    return started;
}

TEST(ToolRun, HeldProgramStartsOnceFreeWithinASecondAndMissingOneAtOnceNever)
{
    char system[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryA(system, sizeof system), 0u);
    const std::string program = ScratchPath("held-cmd.exe");
    ASSERT_TRUE(CopyFileA((std::string(system) + "\\cmd.exe").c_str(), program.c_str(), FALSE));
    DWORD took = 0, exitCode = 0;
    for (bool released : {true, false}) {
        SCOPED_TRACE(released ? "released after 150 ms" : "held");
        HANDLE file = CreateFileA(program.c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
        ASSERT_NE(INVALID_HANDLE_VALUE, file) << GetLastError();
        HANDLE releaser = released ? CreateThread(NULL, 0, ReleaseAfter150Ms, file, 0, NULL) : NULL;
        exitCode = 0;
        bool started = Start(program, &took, &exitCode);
        DWORD error = GetLastError();
        if (released) {
            EXPECT_TRUE(started) << error;
            EXPECT_EQ(7u, exitCode);
        } else {
            EXPECT_FALSE(started);
            EXPECT_EQ((DWORD)ERROR_SHARING_VIOLATION, error);
        }
        EXPECT_GE(took, 140u) << "it started while the file was held";
        EXPECT_LT(took, 3000u);
        if (releaser) {
            WaitForSingleObject(releaser, INFINITE);
            CloseHandle(releaser);
        } else {
            CloseHandle(file);
        }
    }
    // Nothing that waiting would mend is waited for.
    EXPECT_FALSE(Start(ScratchPath("missing.exe"), &took, &exitCode));
    EXPECT_LT(took, 200u);
    DeleteFileA(program.c_str());
}

}  // namespace
