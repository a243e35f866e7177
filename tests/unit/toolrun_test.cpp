// A tool run whose program file is held, as a virus scanner holds one just written (Windows only).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/unit/test_files.h"
#include "toolbridge/toolrun.h"

static DWORD WINAPI ReleaseAfter150Ms(void *file)
{
    Sleep(150);
    return CloseHandle((HANDLE)file);
}

TEST(ToolRun, HeldProgramStartsOnceFreeWithinASecondAndMissingOneAtOnceNever)
{
    char system[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryA(system, sizeof system), 0u);
    const std::string program = ScratchPath("held-cmd.exe"), missing = ScratchPath("missing.exe");
    ASSERT_TRUE(CopyFileA((std::string(system) + "\\cmd.exe").c_str(), program.c_str(), FALSE));
    const struct {
        const std::string &path;
        bool released, starts;
        DWORD error, minMs, maxMs;
    } cases[] = {{program, true, true, 0, 140, 3000},
                 {program, false, false, ERROR_SHARING_VIOLATION, 1000, 3000},
                 {missing, false, false, ERROR_FILE_NOT_FOUND, 0, 200}};
    for (const auto &c : cases) {
        HANDLE file = CreateFileA(program.c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
        HANDLE releaser = c.released ? CreateThread(NULL, 0, ReleaseAfter150Ms, file, 0, NULL) : NULL;
        std::string line = "\"" + c.path + "\" /c exit 7";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        ToolRun run;
        DWORD began = GetTickCount();
        EXPECT_EQ(c.starts, StartToolRun(&run, c.path.c_str(), &line[0], FALSE, CREATE_NO_WINDOW, NULL, &startup));
        DWORD took = GetTickCount() - began, error = GetLastError();
        EXPECT_TRUE(took >= c.minMs && took <= c.maxMs) << took << " ms, " << line;
        if (c.starts) {
            EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(run.process, 10000));
            EXPECT_EQ(7u, ToolRunExitCode(&run));
        } else {
            EXPECT_EQ(c.error, error) << line;
        }
        ReleaseToolRun(&run);
        WaitForSingleObject(releaser, INFINITE);
        CloseHandle(c.released ? releaser : file);
    }
    DeleteFileA(program.c_str());
}
