// End-to-end tests of the taskbar button: a logging double of the shell's taskbar list,
// registered in the test prefix while a test runs, records what the program tells it; the
// test posts the shell's TaskbarButtonCreated itself, as no module of Wine does.
#include "tests/e2e/downloadsteps.h"

namespace {

// Wine's COM reads the machine's classes only, not the user's.
const char TASKBAR_LIST_SERVER[] =
    "Software\\Classes\\CLSID\\{56FDF344-FD6D-11d0-958A-006097C9A090}\\InprocServer32";
const char PAGE[] = "http://standin.test/watch?v=bar&formats=22,18&size=300000&step=15000&delay=100";
const char FAILING_PAGE[] = "http://standin.test/watch?v=bad&formats=22&fail=1&exit=3";

// TBPF_ flags as the log shows them.
const char NORMAL[] = "SetProgressState 2", PAUSED[] = "SetProgressState 8", FAILED[] = "SetProgressState 4",
           CLEARED[] = "SetProgressState 0";
const char PROGRESS[] = "progress";

class TaskbarTest : public DownloadTest {
protected:
    void SetUp() override
    {
        DownloadTest::SetUp();
        char dir[MAX_PATH], dll[MAX_PATH];
        ASSERT_TRUE(DriverDir(dir, sizeof dir) && JoinPath(dll, sizeof dll, dir, "e2e_taskbarlog.dll")) << DriverError();
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, TASKBAR_LIST_SERVER, 0, NULL, 0,
                                                 KEY_READ | KEY_WRITE, NULL, &server, NULL));
        DWORD size = sizeof shellServer;
        if (RegQueryValueExA(server, NULL, NULL, NULL, (BYTE *)shellServer, &size) != ERROR_SUCCESS)
            shellServer[0] = '\0';
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(server, NULL, 0, REG_SZ, (const BYTE *)dll, (DWORD)strlen(dll) + 1));
        logPath = TempPath(&run, "taskbar.log");
    }

    // The double stands for the shell's list only while this test runs.
    void TearDown() override
    {
        if (!server)
            return;
        RegSetValueExA(server, NULL, 0, REG_SZ, (const BYTE *)shellServer, (DWORD)strlen(shellServer) + 1);
        RegCloseKey(server);
    }

    void StartLogged() { Start({{"VIDMORA_TASKBAR_LOG", logPath.c_str()}}); }

    // The shell's word that the button is there, and a round trip so it has been read.
    void AnnounceButton()
    {
        ASSERT_TRUE(PostMessageA(run.window, RegisterWindowMessageA("TaskbarButtonCreated"), 0, 0));
        DWORD_PTR result = 0;
        ASSERT_TRUE(SendMessageTimeoutA(run.window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, E2E_WAIT_MS, &result));
    }

    // The calls logged, each run of progress values as one PROGRESS: every value of the bar's
    // 290, each told only when it changed.
    std::vector<std::string> Story()
    {
        std::string log;
        if (!FileExists(logPath.c_str()))
            return {};
        EXPECT_TRUE(ReadWholeFile(logPath.c_str(), &log)) << DriverError();
        std::vector<std::string> story;
        long previous = -1;
        for (size_t at = 0, end; at < log.size(); at = end + 1) {
            end = log.find('\n', at);
            if (end == std::string::npos)
                end = log.size();
            std::string line = log.substr(at, end - at);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            unsigned long long value = 0, total = 0;
            if (sscanf(line.c_str(), "SetProgressValue %llu %llu", &value, &total) != 2) {
                story.push_back(line);
                previous = -1;
                continue;
            }
            EXPECT_EQ(290u, total) << line;
            EXPECT_LE(value, 290u) << line;
            EXPECT_NE(previous, (long)value) << "told twice: " << line;
            previous = (long)value;
            if (story.empty() || story.back() != PROGRESS)
                story.push_back(PROGRESS);
        }
        return story;
    }

    HKEY server = NULL;
    char shellServer[MAX_PATH];
    std::string logPath;
};

TEST_F(TaskbarTest, ProgressPausedClearedAndFailedReachTheButtonInOrder)
{
    Prepare(PAGE, "out", "bar.mp4");
    StartLogged();
    AnnounceButton();
    EXPECT_FALSE(FileExists(logPath.c_str())) << "the taskbar list is made at the first download, not at start-up";

    ASSERT_NO_FATAL_FAILURE(StartAndWaitForBytes());
    ASSERT_TRUE(PostClick(&run, IDC_PAUSE)) << DriverError();
    ASSERT_TRUE(WaitUntil([&] { return IsPaused(); })) << StateReport();
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    ExpectCompleted("bar", 300000);

    // A download that fails: its error shows until the next action, here Save File.
    ASSERT_TRUE(SetControlText(&run, IDC_URL_EDIT, FAILING_PAGE)) << DriverError();
    ASSERT_TRUE(SetControlText(&run, IDC_DEST_EDIT, (DirectoryOfDest() + "bad.mp4").c_str())) << DriverError();
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    EXPECT_NE("", AnswerBox(&run, "Alert"));
    ASSERT_TRUE(WaitUntil([&] { return IsIdle(); })) << StateReport();
    std::vector<std::string> story = Story();
    ASSERT_FALSE(story.empty()) << "nothing was told to the taskbar list";
    EXPECT_EQ(FAILED, story.back()) << "the failure before the next action";
    ASSERT_TRUE(PostClick(&run, IDC_SAVE)) << DriverError();
    HWND dialog = FindDialog(&run);
    ASSERT_TRUE(dialog != NULL) << DriverError();
    ASSERT_TRUE(CancelSaveDialog(dialog)) << DriverError();
    ASSERT_TRUE(WaitDialogGone(dialog)) << DriverError();

    // The failed run's bar is the full one the download before it left.
    const std::vector<std::string> expected = {"HrInit", NORMAL,   PROGRESS, PAUSED, NORMAL, PROGRESS,
                                               CLEARED,  NORMAL,   PROGRESS, FAILED, CLEARED};
    EXPECT_EQ(expected, Story());
}

// Wine's case, and Windows before 7: without the shell's word nothing is asked of it.
TEST_F(TaskbarTest, WithoutTheButtonNothingIsAskedOfTheShell)
{
    Prepare(PAGE, "out", "bar.mp4");
    StartLogged();
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    ExpectCompleted("bar", 300000);
    EXPECT_FALSE(FileExists(logPath.c_str())) << "the taskbar list was made";
}

}  // namespace
