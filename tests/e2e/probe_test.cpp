// End-to-end tests of the probe beside the window (a slow, failing or hanging tool) and of
// pages as today's tools print them, from the paste to the downloaded file.
#include "tests/e2e/addresssteps.h"

namespace {

const char READING_STATUS[] = "Reading the page\x85";
const char HANG_MESSAGE[] = "The download tool did not answer within 90 seconds.";

class ProbeTest : public AddressTest {
protected:
    bool ProbeInputsEnabled(bool enabled)
    {
        for (int id : {IDC_PASTE, IDC_SAVE, IDC_START})
            if (IsControlEnabled(&run, id) != enabled)
                return false;
        return true;
    }

    void PasteAndWaitForReading(const std::string &address)
    {
        ASSERT_TRUE(SetClipboardText(address.c_str())) << DriverError();
        ASSERT_TRUE(PostClick(&run, IDC_PASTE)) << DriverError();
        ASSERT_TRUE(WaitControlText(&run, IDC_STATUS, READING_STATUS)) << DriverError() << OpenBoxes();
    }
};

TEST_F(ProbeTest, SlowToolLeavesTheWindowAnsweringWithItsInputsDisabled)
{
    ASSERT_TRUE(Start()) << DriverError();
    // The first destination is proposed as the window starts; a loaded machine may show it late.
    ASSERT_TRUE(WaitUntil([&] { return !DirectoryOf(Text(IDC_DEST_EDIT)).empty(); })) << DriverError();
    std::string directory = DirectoryOf(Text(IDC_DEST_EDIT));
    ASSERT_NO_FATAL_FAILURE(PasteAndWaitForReading("http://standin.test/watch?v=slow&title=Slow&probedelay=4000"));
    EXPECT_TRUE(WaitUntil([&] { return ProbeInputsEnabled(false); })) << "inputs usable while the page is read";
    // A window that waited for the tool would not answer for eight seconds.
    char title[64] = "";
    DWORD_PTR result = 0;
    EXPECT_TRUE(SendMessageTimeoutA(run.window, WM_GETTEXT, sizeof title, (LPARAM)title, SMTO_ABORTIFHUNG, 2000,
                                    &result))
        << "the window did not answer during the probe";
    EXPECT_STREQ(E2E_MAIN_TITLE, title);
    EXPECT_EQ(READING_STATUS, Text(IDC_STATUS)) << "the probe ended before the window was asked";

    EXPECT_TRUE(WaitControlText(&run, IDC_DEST_EDIT, (directory + "Slow.mp4").c_str())) << DriverError();
    EXPECT_TRUE(WaitUntil([&] { return ProbeInputsEnabled(true); })) << "inputs still disabled after the probe";
    EXPECT_EQ("", Text(IDC_STATUS));
    ExpectProbeCopyGone();
}

TEST_F(ProbeTest, ClosingDuringAProbeExitsCleanlyWithTheRecordWhole)
{
    ASSERT_TRUE(Start()) << DriverError();
    const std::string address = "http://standin.test/watch?v=closing&probedelay=60000";
    ASSERT_NO_FATAL_FAILURE(PasteAndWaitForReading(address));
    Record record;
    ASSERT_NO_FATAL_FAILURE(CloseAndReadRecord(&record));
    EXPECT_EQ(address, record.address);
    EXPECT_TRUE(WaitUntil([&] { return JobProcessCount(&run) == 0; })) << "a probe run outlived the program";
    ExpectProbeCopyGone();
}

// While a box is open nothing may start, replace or end a run: clicks and a close that
// reach the window meanwhile change nothing, and the close takes effect after the box.
TEST_F(ProbeTest, ClicksAndCloseDuringABoxChangeNothing)
{
    ASSERT_TRUE(Start()) << DriverError();
    ASSERT_TRUE(SetClipboardText("http://standin.test/watch?v=held&fail=1")) << DriverError();
    ASSERT_TRUE(PostClick(&run, IDC_PASTE)) << DriverError();
    HWND box = FindDialog(&run, "Alert");
    ASSERT_TRUE(box != NULL) << DriverError();
    EXPECT_FALSE(IsWindowEnabled(run.window)) << "the window stays usable under its box";
    std::string before;
    ASSERT_TRUE(ReadTempFile(&run, RECORD_NAME, &before)) << "the probe's result was not saved";
    DWORD handlesBefore = 0, handlesAfter = 0;
    ASSERT_TRUE(GetProcessHandleCount(run.pi.hProcess, &handlesBefore));

    ASSERT_TRUE(SetClipboardText("http://standin.test/watch?v=second")) << DriverError();
    // Clicks that were queued, or come from another program, still reach a disabled window.
    ASSERT_TRUE(PostControlNotify(&run, IDC_PASTE, BN_CLICKED)) << DriverError();
    ASSERT_TRUE(PostControlNotify(&run, IDC_START, BN_CLICKED)) << DriverError();
    ASSERT_TRUE(CloseApp(&run)) << DriverError();
    // A window of time on purpose: what is looked for is a run or a box that appears later.
    EXPECT_FALSE(WaitUntil([&] { return Runs().size() != 2 || JobProcessCount(&run) != 1 || CountDialogs(&run) != 1; },
                           2000))
        << Runs().size() << " runs, " << JobProcessCount(&run) << " processes, " << CountDialogs(&run) << " boxes";
    ASSERT_TRUE(GetProcessHandleCount(run.pi.hProcess, &handlesAfter));
    EXPECT_LE(handlesAfter, handlesBefore) << "handles were opened while the box was open";

    ASSERT_TRUE(PressDialogButton(box, IDOK)) << DriverError();
    DWORD code = 99;
    ASSERT_TRUE(WaitExit(&run, E2E_WAIT_MS, &code)) << "the close was lost: " << OpenBoxes();
    EXPECT_EQ(0u, code);
    std::string after;
    ASSERT_TRUE(ReadTempFile(&run, RECORD_NAME, &after)) << DriverError();
    EXPECT_TRUE(before == after) << "the record changed under the box";
    EXPECT_EQ(2u, Runs().size());
}

// The two runs go together; one failing is told once, and the other's result is used.
TEST_F(ProbeTest, OneRunFailingIsToldOnceAndTheOtherRunsResultIsUsed)
{
    ASSERT_TRUE(Start()) << DriverError();
    std::string directory = DirectoryOf(Text(IDC_DEST_EDIT));
    const struct {
        const char *address;
        std::string destination;
        int formats;
    } cases[] = {
        {"http://standin.test/watch?v=half&title=Half&formats=22,18&fail=formats", directory + "Half.mp4", 0},
        {"http://standin.test/watch?v=half&title=Other&formats=22,18&fail=title", directory, 2},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.address);
        ASSERT_NO_FATAL_FAILURE(PasteAndWaitForReading(c.address));
        ASSERT_NO_FATAL_FAILURE(AnswerAlert("The download tool could not read this page (exit code 1).\n\n"
                                            "ERROR: half: This video is unavailable.\n\nIf this page worked "
                                            "before, the site may have changed: update the download tool from "
                                            "the window menu."));
        EXPECT_EQ(NULL, FindDialog(&run, NULL, 1000)) << "the failure is told once";
        EXPECT_EQ(c.destination, Text(IDC_DEST_EDIT));
        EXPECT_EQ(c.formats ? Description(22) : "", Text(IDC_FORMAT_INFO));
        EXPECT_TRUE(WaitUntil([&] { return ProbeInputsEnabled(true); }));
    }
}

TEST_F(ProbeTest, HangingToolIsEndedAtTheTimeLimitWithAMessage)
{
    ASSERT_TRUE(Start(NULL, {{"VIDMORA_TEST_PROBE_LIMIT_MS", "2000"}})) << DriverError();
    std::string directory = DirectoryOf(Text(IDC_DEST_EDIT));
    ASSERT_NO_FATAL_FAILURE(PasteAndWaitForReading("http://standin.test/watch?v=hang&hang=1"));
    ASSERT_NO_FATAL_FAILURE(AnswerAlert(HANG_MESSAGE));
    EXPECT_EQ(directory, Text(IDC_DEST_EDIT));
    EXPECT_EQ(NULL, FindDialog(&run, NULL, 1000)) << "the two runs' time-outs are told once";
    EXPECT_EQ(2u, Runs().size()) << "both runs start together";
    EXPECT_TRUE(WaitUntil([&] { return JobProcessCount(&run) == 1; })) << "a hanging run was not ended";
    ExpectProbeCopyGone();
    EXPECT_TRUE(WaitUntil([&] { return ProbeInputsEnabled(true); }));
}

// ---- pages as today's tools print them ----

class TodaysToolTest : public AddressTest, public ::testing::WithParamInterface<const char *> {};

// The page offers full formats, picture-only (137, 160) and sound-only (140, 139) ones; after
// the paste the best full format is first and the list goes on in the order full, picture, sound.
TEST_P(TodaysToolTest, PasteChooseAndDownloadWithProgress)
{
    ASSERT_TRUE(KeepRealNode(&run) && Start()) << DriverError();
    std::string directory = DirectoryOf(Text(IDC_DEST_EDIT));
    const std::string address = std::string("http://standin.test/watch?v=today&title=Today&style=") + GetParam() +
                                "&formats=22,18,137,160,140,139&size=300000&step=10000&delay=100";
    ASSERT_NO_FATAL_FAILURE(PasteAndWaitForDestination(address, directory + "Today.mp4"));
    EXPECT_EQ(Description(22), Text(IDC_FORMAT_INFO));

    HWND dialog = NULL;
    ASSERT_NO_FATAL_FAILURE(OpenSaveDialog(&dialog));
    EXPECT_EQ(6, SaveDialogFilterCount(dialog)) << "every row of the table is offered";
    char first[256] = "";
    ASSERT_TRUE(SaveDialogFilterText(dialog, 0, first, sizeof first)) << DriverError();
    EXPECT_EQ(FilterText(22, 720, 1280), std::string(first));
    const std::string chosen = Temp("today clip");
    ASSERT_NO_FATAL_FAILURE(ChooseInSaveDialog(dialog, 0, chosen, ".mp4"));

    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    int lastWidth = 0, midWidths = 0;
    bool done = WaitUntil([&] {
        char status[256] = "";
        RECT fill;
        if (!GetControlText(&run, IDC_STATUS, status, sizeof status) ||
            !GetControlRect(&run, IDC_PROGRESS_FILL, &fill))
            return false;
        if (strcmp(status, DONE_STATUS) == 0)
            return true;
        int width = fill.right - fill.left;
        if (strstr(status, "|>DL:") && strchr(status, '%') && width > 0 && width < 290) {
            EXPECT_GE(width, lastWidth) << "the bar shrank at \"" << status << "\"";
            lastWidth = width;
            ++midWidths;
        }
        return false;
    });
    ASSERT_TRUE(done) << "never finished: " << Text(IDC_STATUS) << OpenBoxes();
    EXPECT_GT(midWidths, 0) << "no percentage was shown while the bar grew";

    const std::string file = chosen + ".mp4";
    EXPECT_TRUE(WaitUntil([&] { return FileSize(file.c_str()) == 300000; })) << file;
    Record record;
    ASSERT_NO_FATAL_FAILURE(CloseAndReadRecord(&record));
    ExpectFormats(record, {{22, "mp4", 720, 1280},
                           {18, "mp4", 360, 640},
                           {137, "mp4", 1080, 1920},
                           {160, "mp4", 144, 256},
                           {140, "m4a", 0, 0},
                           {139, "m4a", 0, 0}});
}

INSTANTIATE_TEST_SUITE_P(Styles, TodaysToolTest, ::testing::Values("youtube-dl", "yt-dlp"));

// A page whose formats have no numbers gets one entry, the tool's own choice.
TEST_F(AddressTest, PageWithoutNumberedFormatsOffersTheToolsChoice)
{
    WriteOldPageRecord();
    ASSERT_TRUE(Start()) << DriverError();
    std::string directory = DirectoryOf(Text(IDC_DEST_EDIT));
    const std::string address =
        "http://standin.test/watch?v=direct&title=Direct&style=yt-dlp&generic=1&size=50000&step=10000&delay=20";
    ASSERT_NO_FATAL_FAILURE(PasteAndWaitForDestination(address, directory + "Direct.mp4"));
    HWND dialog = NULL;
    ASSERT_NO_FATAL_FAILURE(OpenSaveDialog(&dialog));
    ASSERT_EQ(1, SaveDialogFilterCount(dialog));
    char entry[256] = "";
    ASSERT_TRUE(SaveDialogFilterText(dialog, 0, entry, sizeof entry)) << DriverError();
    EXPECT_STREQ("best (chosen by the tool)", entry);
    ASSERT_NO_FATAL_FAILURE(CloseSaveDialog(dialog, false));

    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    ASSERT_TRUE(WaitControlText(&run, IDC_STATUS, DONE_STATUS)) << DriverError() << OpenBoxes();
    std::vector<ArgList> runs = Runs();
    ASSERT_EQ(3u, runs.size());
    ArgList expected = Joined({"-o", directory + "Direct.mp4", "--format", "best"}, SurroundingArgs(&run),
                              {"--console-title", "--", address});
    EXPECT_EQ(JoinArgs(expected), JoinArgs(runs[2]));
    Record record;
    ASSERT_NO_FATAL_FAILURE(CloseAndReadRecord(&record));
    ExpectFormats(record, {{0, "mp4", 0, 0}});
}

} // namespace
