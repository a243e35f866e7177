// End-to-end tests of keeping the download tool current from the window menu: an update,
// a chosen tool, going back to the built-in one; and failures told in the tool's words.
#include "tests/e2e/addresssteps.h"
#include "tests/standin/version.h"

namespace {

const char NOT_A_TOOL[] = "This file is not a download tool: ";

class ToolKeepingTest : public AddressTest {
protected:
    void SetUp() override
    {
        AddressTest::SetUp();
        local = std::string(run.tempDir) + "\\local\\Vidmora";
        kept = local + "\\tool.exe";
    }

    bool Menu(int item) { return PostMessageA(run.window, WM_SYSCOMMAND, item, 0) != 0; }

    std::string AnswerBox(const char *caption, int button = IDOK) { return ::AnswerBox(&run, caption, button); }

    // The version inside a stand-in's exe file; "" when there is none (yet).
    static std::string VersionIn(const std::string &path)
    {
        std::string bytes;
        if (!ReadWholeFile(path.c_str(), &bytes))
            return "";
        long at = StandinFindVersion((const unsigned char *)bytes.data(), bytes.size());
        return at < 0 ? "" : std::string(bytes.c_str() + at);
    }

    // The version of the tool copy the next probe runs, read while it waits on its page.
    std::string VersionOfNextProbe()
    {
        std::string version;
        EXPECT_TRUE(SetClipboardText("http://standin.test/watch?v=which&title=Which&probedelay=2000"));
        EXPECT_TRUE(PostClick(&run, IDC_PASTE)) << DriverError();
        EXPECT_TRUE(WaitUntil([&] { return !(version = VersionIn(Temp(PROBE_TOOL_NAME))).empty(); }))
            << "no probe copy seen";
        EXPECT_TRUE(WaitUntil([&] { return ProbeIdle(); })) << OpenBoxes();
        return version;
    }

    bool ProbeIdle() { return IsControlEnabled(&run, IDC_PASTE) && !FileExists(Temp(PROBE_TOOL_NAME).c_str()); }

    // A copy of the stand-in with another version inside, at `path`.
    void MakeStandinCopy(const std::string &path, const char *version)
    {
        char dir[MAX_PATH], standin[MAX_PATH];
        ASSERT_TRUE(DriverDir(dir, sizeof dir) && JoinPath(standin, sizeof standin, dir, "standin.exe"));
        std::string bytes;
        ASSERT_TRUE(ReadWholeFile(standin, &bytes)) << DriverError();
        ASSERT_TRUE(StandinSetVersion((unsigned char *)&bytes[0], bytes.size(), version));
        ASSERT_TRUE(WriteWholeFile(path.c_str(), bytes.data(), bytes.size())) << DriverError();
    }

    // Chooses `path` in the Open dialog of "Choose a download tool…" (or of `item`).
    void Choose(const std::string &path, int item = IDM_TOOL_CHOOSE)
    {
        ASSERT_TRUE(Menu(item));
        HWND dialog = FindDialog(&run, "Open");
        ASSERT_TRUE(dialog != NULL) << DriverError() << OpenBoxes();
        ASSERT_TRUE(SetSaveDialogFileName(dialog, path.c_str())) << DriverError();
        ASSERT_TRUE(ConfirmSaveDialog(dialog)) << DriverError();
        ASSERT_TRUE(WaitDialogGone(dialog)) << DriverError();
    }

    std::string KeptVersionFile()
    {
        std::string text;
        ReadWholeFile((local + "\\tool-version.txt").c_str(), &text);
        return text;
    }

    std::string local, kept;
};

TEST_F(ToolKeepingTest, UpdateIsKeptAndUsedByTheNextProbeAndAfterARestart)
{
    ASSERT_TRUE(Start()) << DriverError();
    EXPECT_EQ(STANDIN_DEFAULT_VERSION, VersionOfNextProbe()) << "the built-in tool first";
    ASSERT_TRUE(Menu(IDM_TOOL_UPDATE));
    EXPECT_EQ("Updated yt-dlp to stable@" STANDIN_LATEST_VERSION " from yt-dlp/yt-dlp\n\n"
              "Download tool: " STANDIN_LATEST_VERSION " (updated)",
              AnswerBox("Vidmora"));
    EXPECT_EQ(STANDIN_LATEST_VERSION, VersionIn(kept));
    EXPECT_EQ(STANDIN_LATEST_VERSION "\nupdated\n", KeptVersionFile());
    EXPECT_TRUE(WaitUntil([&] { return !FileExists((kept + ".old").c_str()) && !FileExists((kept + ".new").c_str()); }))
        << "the update's leftovers stay";
    EXPECT_EQ(STANDIN_LATEST_VERSION, VersionOfNextProbe());

    ASSERT_TRUE(CloseApp(&run)) << DriverError();
    ASSERT_TRUE(WaitExit(&run, E2E_WAIT_MS, NULL)) << DriverError();
    ASSERT_TRUE(Start()) << DriverError();
    EXPECT_EQ(STANDIN_LATEST_VERSION, VersionOfNextProbe()) << "after a restart";
}

// A failed update says why in the tool's words and leaves the tool in use as it was.
TEST_F(ToolKeepingTest, FailedUpdateSaysWhyAndChangesNothing)
{
    struct {
        const char *variable;
        const char *message;  // the tool's words follow the first line
    } cases[] = {
        {"STANDIN_UPDATE_FAIL", "The download tool could not be updated (exit code 100).\n\nERROR: Unable to write to "},
        {"STANDIN_UPDATE_DEAD",
         "The download tool could not be updated (exit code 0).\n\nERROR: can't find the current version. Please try "
         "again later."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.variable);
        ASSERT_TRUE(Start(NULL, {{c.variable, "1"}})) << DriverError();
        ASSERT_TRUE(Menu(IDM_TOOL_UPDATE));
        std::string shown = AnswerBox("Alert");
        EXPECT_EQ(c.message, shown.substr(0, strlen(c.message)));
        EXPECT_TRUE(WaitUntil([&] { return ProbeIdle(); })) << OpenBoxes();
        EXPECT_FALSE(FileExists(kept.c_str())) << "the copy written for the update stays";
        EXPECT_EQ(STANDIN_DEFAULT_VERSION, VersionOfNextProbe());
        ASSERT_TRUE(CloseApp(&run)) << DriverError();
        ASSERT_TRUE(WaitExit(&run, E2E_WAIT_MS, NULL)) << DriverError();
    }
}

TEST_F(ToolKeepingTest, BadFilesAreRefusedAGoodOneIsKeptAndTheBuiltInOneComesBack)
{
    std::string dir = std::string(run.tempDir) + "\\choices\\";
    ASSERT_TRUE(CreateDirectoryA(dir.c_str(), NULL));
    ASSERT_TRUE(WriteWholeFile((dir + "empty.exe").c_str(), "", 0));
    ASSERT_TRUE(WriteWholeFile((dir + "notes.exe").c_str(), "just text\r\n", 11));
    ASSERT_NO_FATAL_FAILURE(MakeStandinCopy(dir + "silent.exe", ""));
    ASSERT_NO_FATAL_FAILURE(MakeStandinCopy(dir + "hangs.exe", "HANG"));
    ASSERT_NO_FATAL_FAILURE(MakeStandinCopy(dir + "Werkzeug \xe9t\xe9.exe", "2024.05.06"));
    ASSERT_TRUE(Start()) << DriverError();
    const struct {
        const char *name;
        const char *reason;
    } refused[] = {
        {"empty.exe", "it is empty"},
        {"notes.exe", "it is not a Windows program"},
        {"silent.exe", "it printed no version"},
        {"hangs.exe", "it did not answer --version within 20 seconds"},
    };
    for (const auto &c : refused) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(Choose(dir + c.name));
        EXPECT_EQ(std::string(NOT_A_TOOL) + c.reason + ".", AnswerBox("Alert"));
        EXPECT_FALSE(FileExists(kept.c_str()));
    }
    // ffmpeg is checked the same way, by its own first line.
    const struct {
        const char *name;
        const char *reason;
    } notFfmpeg[] = {
        {"notes.exe", "it is not a Windows program"},
        {"Werkzeug \xe9t\xe9.exe", "-version failed (exit code 2)"},  // a download tool knows no -version
    };
    for (const auto &c : notFfmpeg) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(Choose(dir + c.name, IDM_FFMPEG_CHOOSE));
        EXPECT_EQ(std::string("This file is not ffmpeg: ") + c.reason + ".", AnswerBox("Alert"));
        EXPECT_FALSE(FileExists((local + "\\ffmpeg.exe").c_str()));
    }
    ASSERT_NO_FATAL_FAILURE(Choose(dir + "Werkzeug \xe9t\xe9.exe"));
    EXPECT_EQ("Download tool: 2024.05.06 (chosen)", AnswerBox("Vidmora"));
    EXPECT_EQ("2024.05.06\nchosen\n", KeptVersionFile());
    EXPECT_EQ("2024.05.06", VersionOfNextProbe());

    ASSERT_TRUE(Menu(IDM_TOOL_BUILT_IN));
    EXPECT_EQ("Remove the kept download tool and use the built-in one again?", AnswerBox("Vidmora", IDYES));
    EXPECT_FALSE(FileExists(kept.c_str()));
    EXPECT_EQ("", KeptVersionFile());
    EXPECT_EQ(STANDIN_DEFAULT_VERSION, VersionOfNextProbe());
}

// A failing page is told with the tool's own line, picked from its errors after its warnings.
TEST_F(ToolKeepingTest, FailingProbeCarriesTheToolsWords)
{
    ASSERT_TRUE(Start()) << DriverError();
    ASSERT_TRUE(SetClipboardText("http://standin.test/watch?v=gone&style=yt-dlp&fail=1")) << DriverError();
    ASSERT_TRUE(PostClick(&run, IDC_PASTE)) << DriverError();
    EXPECT_EQ("The download tool could not read this page (exit code 1).\n\nERROR: [youtube] gone: Video "
              "unavailable\n\nIf this page worked before, the site may have changed: update the download tool "
              "from the window menu.",
              AnswerBox("Alert"));
    EXPECT_EQ(NULL, FindDialog(&run, NULL, 1000)) << "the failure is told once";
}

}  // namespace
