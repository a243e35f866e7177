// Loading system DLL functions on first use (Windows only).
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "toolbridge/systemdll.h"

TEST(SystemFunction, FindsTheFunctionsTheProgramLoadsLate)
{
    FARPROC save = SystemFunction("comdlg32.dll", "GetSaveFileNameA");
    FARPROC shell = SystemFunction("shell32.dll", "ShellExecuteA");
    ASSERT_TRUE(save != NULL);
    ASSERT_TRUE(shell != NULL);
    // The DLL came from the system directory, not from a search of other folders.
    char systemDir[MAX_PATH], loaded[MAX_PATH];
    UINT length = GetSystemDirectoryA(systemDir, sizeof systemDir);
    ASSERT_GT(length, 0u);
    HMODULE module = NULL;
    DWORD flags = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    ASSERT_TRUE(GetModuleHandleExA(flags, (const char *)save, &module));
    ASSERT_GT(GetModuleFileNameA(module, loaded, sizeof loaded), 0u);
    EXPECT_EQ(0, _strnicmp(loaded, systemDir, length)) << loaded << " is not in " << systemDir;
    EXPECT_EQ('\\', loaded[length]) << loaded;
}

TEST(SystemFunction, MissingDllOrFunctionGivesNull)
{
    EXPECT_TRUE(SystemFunction("no-such-library-vidmora.dll", "Anything") == NULL);
    EXPECT_TRUE(SystemFunction("comdlg32.dll", "NoSuchFunctionVidmora") == NULL);
    // A name that would not fit beside the system directory is refused, not cut.
    std::string longName(MAX_PATH, 'a');
    EXPECT_TRUE(SystemFunction(longName.c_str(), "GetSaveFileNameA") == NULL);
}
