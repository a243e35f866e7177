// Self-test of the e2e driver against e2e_fakeapp.exe, a stand-in window with the program's ids.
// Proves the driver's start, control, dialog, clipboard and cleanup helpers before real tests rely on them.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>

#include "resources/resource.h"
#include "tests/e2e/driver.h"

namespace {

class DriverSelfTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char dir[MAX_PATH];
        char fake[MAX_PATH];
        ASSERT_TRUE(DriverDir(dir, sizeof dir) && JoinPath(fake, sizeof fake, dir, "e2e_fakeapp.exe"))
            << DriverError();
        ASSERT_TRUE(FileExists(fake)) << fake;
        SetEnvironmentVariableA("VIDMORA_EXE", fake);
    }

    std::string Text(int id)
    {
        char text[512];
        EXPECT_TRUE(GetControlText(&run, id, text, sizeof text)) << DriverError();
        return text;
    }

    std::string TempFileText(const char *name)
    {
        char path[MAX_PATH];
        std::string content;
        EXPECT_TRUE(TempFilePath(&run, name, path, sizeof path)) << DriverError();
        EXPECT_TRUE(WaitUntil([&] { return FileExists(path); })) << path;
        EXPECT_TRUE(ReadWholeFile(path, &content)) << DriverError();
        return content;
    }

    AppRun run;
};

static bool EndsWith(const char *text, const char *tail)
{
    size_t a = strlen(text);
    size_t b = strlen(tail);
    return a >= b && strcmp(text + a - b, tail) == 0;
}

TEST_F(DriverSelfTest, StartPassesTempDirArgumentsAndEnvironment)
{
    SetEnvironmentVariableA("E2E_REMOVED", "inherited");
    EnvVar extra[] = {{"E2E_PROBE", "probe value"}, {"E2E_REMOVED", NULL}};
    bool started = StartApp(&run, "--alpha \"b c\"", extra, 2);
    SetEnvironmentVariableA("E2E_REMOVED", NULL);
    ASSERT_TRUE(started) << DriverError();

    EXPECT_TRUE(EndsWith(run.tempDir, "\\e2e-tmp\\DriverSelfTest.StartPassesTempDirArgumentsAndEnvironment"))
        << run.tempDir;
    char name[64];
    char title[64];
    ASSERT_TRUE(GetClassNameA(run.window, name, sizeof name));
    GetWindowTextA(run.window, title, sizeof title);
    EXPECT_STREQ(E2E_MAIN_CLASS, name);
    EXPECT_STREQ(E2E_MAIN_TITLE, title);
    EXPECT_TRUE(IsAppRunning(&run));

    std::string expected = std::string("temp=") + run.tempDir + "\\\n" + "TEMP=" + run.tempDir + "\n" +
                           "args=--alpha \"b c\"\n" +
                           "probe=probe value\n" + "removed=(unset)\n";
    EXPECT_EQ(expected, TempFileText("fake-start.txt"));

    // The driver's own temp dir must differ, or the check above proves nothing.
    char own[MAX_PATH];
    GetTempPathA(sizeof own, own);
    EXPECT_NE(std::string(run.tempDir) + "\\", std::string(own));
}

TEST_F(DriverSelfTest, PrepareRunEmptiesStaleDirAndCleansName)
{
    ASSERT_TRUE(PrepareRun(&run)) << DriverError();
    char file[MAX_PATH];
    char sub[MAX_PATH];
    char inner[MAX_PATH];
    ASSERT_TRUE(TempFilePath(&run, "stale.bak", file, sizeof file));
    ASSERT_TRUE(TempFilePath(&run, "sub", sub, sizeof sub));
    ASSERT_TRUE(JoinPath(inner, sizeof inner, sub, "deep.txt"));
    ASSERT_TRUE(WriteWholeFile(file, "old", 3)) << DriverError();
    ASSERT_TRUE(CreateDirectoryA(sub, NULL));
    ASSERT_TRUE(WriteWholeFile(inner, "old", 3)) << DriverError();

    ASSERT_TRUE(PrepareRun(&run)) << DriverError();
    EXPECT_FALSE(FileExists(file));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(sub));
    DWORD attributes = GetFileAttributesA(run.tempDir);
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));

    AppRun named;
    ASSERT_TRUE(PrepareRun(&named, "Suite/Param:1 x")) << DriverError();
    EXPECT_TRUE(EndsWith(named.tempDir, "\\e2e-tmp\\Suite_Param_1_x")) << named.tempDir;
}

TEST_F(DriverSelfTest, ControlsCanBeReadWrittenAndLocated)
{
    ASSERT_TRUE(StartApp(&run)) << DriverError();
    EXPECT_EQ("Ready", Text(IDC_STATUS));
    EXPECT_EQ("Start Download", Text(IDC_START));
    EXPECT_EQ("", Text(IDC_URL_EDIT));

    const char *url = "https://example.invalid/watch?v=e2e&x=1";
    ASSERT_TRUE(SetControlText(&run, IDC_URL_EDIT, url)) << DriverError();
    EXPECT_EQ(url, Text(IDC_URL_EDIT));
    EXPECT_EQ("", Text(IDC_DEST_EDIT));

    char tiny[6];
    ASSERT_TRUE(GetControlText(&run, IDC_URL_EDIT, tiny, sizeof tiny));
    EXPECT_STREQ("https", tiny);

    EXPECT_TRUE(IsControlEnabled(&run, IDC_START));
    EXPECT_FALSE(IsControlEnabled(&run, IDC_PAUSE));
    EXPECT_TRUE(IsControlVisible(&run, IDC_ABOUT_TAB));
    EXPECT_FALSE(IsControlVisible(&run, IDC_MINIMIZE_TAB));

    HWND frame = ControlOf(&run, IDC_PROGRESS_FRAME);
    HWND fill = ControlOf(&run, IDC_PROGRESS_FILL);
    ASSERT_TRUE(frame && fill) << DriverError();
    EXPECT_EQ(frame, GetParent(fill));
    RECT rect;
    ASSERT_TRUE(GetControlRect(&run, IDC_PROGRESS_FILL, &rect)) << DriverError();
    EXPECT_EQ(2, rect.left);
    EXPECT_EQ(3, rect.top);
    EXPECT_EQ(102, rect.right);
    EXPECT_EQ(17, rect.bottom);
    ASSERT_TRUE(GetControlRect(&run, IDC_PROGRESS_FRAME, &rect)) << DriverError();
    EXPECT_EQ(20, rect.left);
    EXPECT_EQ(200, rect.top);
    EXPECT_EQ(320, rect.right);
    EXPECT_EQ(220, rect.bottom);

    char text[16];
    EXPECT_EQ(NULL, ControlOf(&run, 9999));
    EXPECT_FALSE(GetControlText(&run, 9999, text, sizeof text));
    EXPECT_FALSE(SetControlText(&run, 9999, "x"));
}

TEST_F(DriverSelfTest, ClickOpensBoxThatCanBeReadAndAnswered)
{
    ASSERT_TRUE(StartApp(&run)) << DriverError();
    EXPECT_FALSE(PostClick(&run, IDC_PAUSE)) << "a disabled button must not be clickable";
    EXPECT_TRUE(strstr(DriverError(), "disabled") != NULL) << DriverError();
    EXPECT_FALSE(PostClick(&run, IDC_MINIMIZE_TAB)) << "a hidden control must not be clickable";

    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    HWND box = FindDialog(&run, "Alert");
    ASSERT_TRUE(box != NULL) << DriverError();
    EXPECT_EQ(1, CountDialogs(&run));
    EXPECT_EQ(NULL, FindDialog(&run, "Some Other Caption", 200));
    char text[256];
    ASSERT_TRUE(DialogText(box, text, sizeof text)) << DriverError();
    EXPECT_STREQ("Start the download now?", text);
    ASSERT_TRUE(DialogCaption(box, text, sizeof text)) << DriverError();
    EXPECT_STREQ("Alert", text);
    EXPECT_TRUE(DialogHasButton(box, IDYES));
    EXPECT_TRUE(DialogHasButton(box, IDNO));
    EXPECT_FALSE(DialogHasButton(box, IDOK));
    EXPECT_FALSE(PressDialogButton(box, IDOK));
    // The box disables its owner, so the main window's buttons are out of reach.
    EXPECT_FALSE(PostClick(&run, IDC_PASTE));

    ASSERT_TRUE(PressDialogButton(box, IDNO)) << DriverError();
    ASSERT_TRUE(WaitDialogGone(box)) << DriverError();
    EXPECT_TRUE(WaitControlText(&run, IDC_STATUS, "answer-no")) << DriverError();

    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    box = FindDialog(&run, "Alert");
    ASSERT_TRUE(box != NULL) << DriverError();
    ASSERT_TRUE(PressDialogButton(box, IDYES)) << DriverError();
    ASSERT_TRUE(WaitDialogGone(box)) << DriverError();
    EXPECT_TRUE(WaitControlText(&run, IDC_STATUS, "answer-yes")) << DriverError();
    EXPECT_EQ(std::string(run.tempDir) + "\\", TempFileText("temp-path.txt"));
    EXPECT_EQ(0, CountDialogs(&run));
}

TEST_F(DriverSelfTest, TabClicksDeliverStaticNotifications)
{
    ASSERT_TRUE(StartApp(&run)) << DriverError();
    ASSERT_TRUE(PostTabClick(&run, IDC_ABOUT_TAB, false)) << DriverError();
    EXPECT_TRUE(WaitControlText(&run, IDC_STATUS, "tab-click 1")) << DriverError();
    ASSERT_TRUE(PostTabClick(&run, IDC_ABOUT_TAB, true)) << DriverError();
    EXPECT_TRUE(WaitControlText(&run, IDC_STATUS, "tab-dblclick after 2 clicks")) << DriverError();

    EXPECT_FALSE(PostTabClick(&run, IDC_MINIMIZE_TAB, false));
    ASSERT_TRUE(PostControlNotify(&run, IDC_MINIMIZE_TAB, STN_CLICKED)) << DriverError();
    EXPECT_TRUE(WaitControlText(&run, IDC_STATUS, "hidden-tab-click")) << DriverError();
}

TEST_F(DriverSelfTest, ClipboardTextReachesTheProgram)
{
    const char *url = "https://example.invalid/watch?v=clip";
    ASSERT_TRUE(SetClipboardText(url)) << DriverError();
    char text[128];
    ASSERT_TRUE(GetClipboardText(text, sizeof text)) << DriverError();
    EXPECT_STREQ(url, text);

    ASSERT_TRUE(StartApp(&run)) << DriverError();
    ASSERT_TRUE(PostClick(&run, IDC_PASTE)) << DriverError();
    EXPECT_TRUE(WaitControlText(&run, IDC_STATUS, "pasted")) << DriverError();
    EXPECT_EQ(url, Text(IDC_URL_EDIT));

    ASSERT_TRUE(EmptyClipboardText()) << DriverError();
    EXPECT_FALSE(GetClipboardText(text, sizeof text));
    ASSERT_TRUE(PostClick(&run, IDC_PASTE)) << DriverError();
    EXPECT_TRUE(WaitControlText(&run, IDC_STATUS, "clipboard-empty")) << DriverError();
}

TEST_F(DriverSelfTest, SaveDialogFiltersNameAndConfirm)
{
    ASSERT_TRUE(StartApp(&run)) << DriverError();
    ASSERT_TRUE(PostClick(&run, IDC_SAVE)) << DriverError();
    HWND dialog = FindDialog(&run, "Save Video");
    ASSERT_TRUE(dialog != NULL) << DriverError();

    ASSERT_EQ(3, SaveDialogFilterCount(dialog)) << DriverError();
    const char *filters[] = {"Video file (*.mp4)", "Audio file (*.m4a)", "All files (*.*)"};
    for (int i = 0; i < 3; ++i) {
        char entry[128];
        ASSERT_TRUE(SaveDialogFilterText(dialog, i, entry, sizeof entry)) << DriverError();
        EXPECT_STREQ(filters[i], entry);
    }
    char entry[128];
    EXPECT_FALSE(SaveDialogFilterText(dialog, 3, entry, sizeof entry));
    EXPECT_EQ(0, SaveDialogSelectedFilter(dialog));
    EXPECT_FALSE(SelectSaveDialogFilter(dialog, 7));
    ASSERT_TRUE(SelectSaveDialogFilter(dialog, 1)) << DriverError();
    EXPECT_EQ(1, SaveDialogSelectedFilter(dialog));

    char target[MAX_PATH];
    ASSERT_TRUE(TempFilePath(&run, "chosen.m4a", target, sizeof target));
    ASSERT_TRUE(SetSaveDialogFileName(dialog, target)) << DriverError();
    char name[MAX_PATH];
    ASSERT_TRUE(GetSaveDialogFileName(dialog, name, sizeof name)) << DriverError();
    EXPECT_STREQ(target, name);
    ASSERT_TRUE(ConfirmSaveDialog(dialog)) << DriverError();
    ASSERT_TRUE(WaitDialogGone(dialog)) << DriverError();
    std::string expected = std::string("saved 2 ") + target;
    EXPECT_TRUE(WaitControlText(&run, IDC_STATUS, expected.c_str())) << DriverError();
}

TEST_F(DriverSelfTest, SaveDialogCancel)
{
    ASSERT_TRUE(StartApp(&run)) << DriverError();
    ASSERT_TRUE(PostClick(&run, IDC_SAVE)) << DriverError();
    HWND dialog = FindDialog(&run, "Save Video");
    ASSERT_TRUE(dialog != NULL) << DriverError();
    ASSERT_TRUE(CancelSaveDialog(dialog)) << DriverError();
    ASSERT_TRUE(WaitDialogGone(dialog)) << DriverError();
    EXPECT_TRUE(WaitControlText(&run, IDC_STATUS, "save-cancelled")) << DriverError();
}

TEST_F(DriverSelfTest, CloseGivesExitCodeAndRunCanRestart)
{
    ASSERT_TRUE(StartApp(&run, "first")) << DriverError();
    ASSERT_TRUE(CloseApp(&run)) << DriverError();
    DWORD code = 99;
    ASSERT_TRUE(WaitExit(&run, E2E_WAIT_MS, &code)) << DriverError();
    EXPECT_EQ(0u, code);
    EXPECT_FALSE(IsAppRunning(&run));

    // A second start keeps the temp dir, so state left by the first run survives.
    ASSERT_TRUE(StartApp(&run, "second")) << DriverError();
    EXPECT_NE(std::string::npos, TempFileText("fake-start.txt").find("args=second\n"));
    EXPECT_FALSE(StartApp(&run, "third")) << "starting over a running program must be refused";
    ASSERT_TRUE(CloseApp(&run)) << DriverError();
    ASSERT_TRUE(WaitExit(&run, E2E_WAIT_MS, &code)) << DriverError();
    EXPECT_EQ(0u, code);
}

TEST_F(DriverSelfTest, StartFailsCleanlyWithoutWindowOrProgram)
{
    EXPECT_FALSE(StartApp(&run, "--exit-early=3"));
    EXPECT_TRUE(strstr(DriverError(), "exited with code 3") != NULL) << DriverError();
    EXPECT_FALSE(IsAppRunning(&run));

    char dir[MAX_PATH];
    char missing[MAX_PATH];
    ASSERT_TRUE(DriverDir(dir, sizeof dir) && JoinPath(missing, sizeof missing, dir, "no-such-program.exe"));
    SetEnvironmentVariableA("VIDMORA_EXE", missing);
    EXPECT_FALSE(StartApp(&run));
    EXPECT_TRUE(strstr(DriverError(), "no-such-program.exe") != NULL) << DriverError();
}

TEST_F(DriverSelfTest, LaunchLetsTestAnswerABoxBeforeTheWindow)
{
    ASSERT_TRUE(LaunchApp(&run, "--box-first")) << DriverError();
    HWND box = FindDialog(&run, "Startup");
    ASSERT_TRUE(box != NULL) << DriverError();
    // While the box is up there is no window, and the error says what blocks it.
    EXPECT_FALSE(WaitMainWindow(&run, 300));
    EXPECT_TRUE(strstr(DriverError(), "\"Startup\": \"Starting up\"") != NULL) << DriverError();
    ASSERT_TRUE(PressDialogButton(box, IDOK)) << DriverError();
    ASSERT_TRUE(WaitMainWindow(&run)) << DriverError();
    EXPECT_EQ("Ready", Text(IDC_STATUS));
}

static HANDLE OpenForWait(DWORD pid)
{
    return OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid);
}

TEST_F(DriverSelfTest, KillEndsProgramAndItsChildren)
{
    ASSERT_TRUE(StartApp(&run, "--spawn-child")) << DriverError();
    std::string childPid = TempFileText("child-pid.txt");
    ASSERT_FALSE(childPid.empty());
    HANDLE child = OpenForWait((DWORD)strtoul(childPid.c_str(), NULL, 10));
    HANDLE main = OpenForWait(run.pi.dwProcessId);
    ASSERT_TRUE(child != NULL && main != NULL);
    EXPECT_EQ((DWORD)WAIT_TIMEOUT, WaitForSingleObject(child, 0));

    KillApp(&run);
    EXPECT_EQ((DWORD)WAIT_OBJECT_0, WaitForSingleObject(main, E2E_WAIT_MS));
    EXPECT_EQ((DWORD)WAIT_OBJECT_0, WaitForSingleObject(child, E2E_WAIT_MS));
    EXPECT_EQ(NULL, run.window);
    CloseHandle(child);
    CloseHandle(main);
}

TEST_F(DriverSelfTest, LeavingScopeKillsTheProgram)
{
    HANDLE main = NULL;
    {
        AppRun scoped;
        ASSERT_TRUE(PrepareRun(&scoped, "DriverSelfTest.LeavingScope.inner")) << DriverError();
        ASSERT_TRUE(StartApp(&scoped)) << DriverError();
        main = OpenForWait(scoped.pi.dwProcessId);
        ASSERT_TRUE(main != NULL);
    }
    EXPECT_EQ((DWORD)WAIT_OBJECT_0, WaitForSingleObject(main, E2E_WAIT_MS));
    CloseHandle(main);
}

TEST(DriverHelpers, FilesAndPaths)
{
    char path[16];
    EXPECT_TRUE(JoinPath(path, sizeof path, "C:\\a", "b.txt"));
    EXPECT_STREQ("C:\\a\\b.txt", path);
    EXPECT_TRUE(JoinPath(path, sizeof path, "C:\\a\\", "b.txt"));
    EXPECT_STREQ("C:\\a\\b.txt", path);
    EXPECT_FALSE(JoinPath(path, sizeof path, "C:\\a-long-folder", "name.txt"));
    EXPECT_STREQ("", path);

    AppRun run;
    ASSERT_TRUE(PrepareRun(&run)) << DriverError();
    char file[MAX_PATH];
    ASSERT_TRUE(TempFilePath(&run, "bytes.bin", file, sizeof file));
    EXPECT_FALSE(FileExists(file));
    EXPECT_EQ(-1, FileSize(file));
    std::string content;
    EXPECT_FALSE(ReadWholeFile(file, &content));

    const char bytes[] = {'a', '\0', 'b', '\n', (char)0xFF};
    ASSERT_TRUE(WriteWholeFile(file, bytes, sizeof bytes)) << DriverError();
    EXPECT_TRUE(FileExists(file));
    EXPECT_EQ(5, FileSize(file));
    ASSERT_TRUE(ReadWholeFile(file, &content)) << DriverError();
    EXPECT_EQ(std::string(bytes, sizeof bytes), content);

    EXPECT_FALSE(FileExists(run.tempDir)) << "a folder is not a file";
    EXPECT_EQ(-1, FileSize(run.tempDir));
}

TEST(DriverHelpers, WaitUntilReportsWhetherTheConditionHeld)
{
    int calls = 0;
    EXPECT_TRUE(WaitUntil([&] { return ++calls >= 3; }));
    EXPECT_EQ(3, calls);
    EXPECT_FALSE(WaitUntil([] { return false; }, 100));
}

} // namespace
