// End-to-end tests of downloads: Start, Stop, Pause, Continue, progress display,
// closing mid-download and argument quoting, driven against the offline stand-in tool.
#include "tests/e2e/downloadsteps.h"

namespace {

TEST_F(DownloadTest, StartRunsToCompletionAndRestoresControls)
{
    const char *address = "http://standin.test/watch?v=dl1&formats=22,18&size=300000&step=15000&delay=100";
    Prepare(address, "out", "clip.mp4");
    Start();
    ASSERT_TRUE(IsIdle()) << "at start: " << StateReport();
    EXPECT_EQ("", Text(IDC_STATUS));
    ExpectFillSize(0, 25);

    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    EXPECT_TRUE(WaitUntil([&] { return IsDownloading(); })) << "after Start: " << StateReport();
    EXPECT_TRUE(WaitUntil([&] { return FileExists(toolCopy); })) << "the tool copy never appeared";

    ExpectCompleted("dl1", 300000);
    std::vector<ArgList> runs = ToolRuns();
    ASSERT_EQ(1u, runs.size()) << "the tool must run exactly once";
    EXPECT_EQ(JoinArgs(ExpectedArgs()), JoinArgs(runs[0]));
}

// The status line and the fill must follow the tool's console title.
TEST_F(DownloadTest, ProgressShowsToolTitleAndFillWidth)
{
    const unsigned long long size = 300000, step = 15000;
    const unsigned delay = 100;
    // 300000 B = 292.97KiB; 15000 B per 100 ms = 150000 B/s = 146.48KiB/s.
    const char *sizeText = "292.97KiB";
    const char *speedText = "146.48KiB/s";
    Prepare("http://standin.test/watch?v=prog&formats=22&size=300000&step=15000&delay=100", "out", "p.mp4");
    Start();

    std::vector<std::string> expected;
    for (unsigned long long done = 0; done <= size; done += step)
        expected.push_back(ExpectedStatus(done, size, step, delay, sizeText, speedText));

    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    int consistentMidSamples = 0;
    std::vector<std::string> unexpected, badFills;
    bool done = WaitUntil([&] {
        char before[256], after[256];
        RECT fill;
        if (!GetControlText(&run, IDC_STATUS, before, sizeof before) ||
            !GetControlRect(&run, IDC_PROGRESS_FILL, &fill) ||
            !GetControlText(&run, IDC_STATUS, after, sizeof after))
            return false;
        if (strcmp(before, DONE_STATUS) == 0)
            return true;
        if (strncmp(before, "SP:", 3) != 0)
            return false;
        size_t k = 0;
        while (k < expected.size() && expected[k] != before)
            ++k;
        if (k == expected.size()) {
            if (unexpected.size() < 5)
                unexpected.push_back(before);
            return false;
        }
        // Same text on both sides of the fill read: the fill belongs to it.
        unsigned long long tenths = (k * step) * 1000 / size;
        if (strcmp(before, after) == 0 && tenths > 0 && tenths < 1000) {
            long width = (long)(tenths * 29 / 100); // floor(percent * 290 / 100)
            if (fill.right - fill.left != width || fill.bottom - fill.top != 25) {
                char note[320];
                snprintf(note, sizeof note, "fill %ldx%ld instead of %ldx25 for \"%s\"", fill.right - fill.left,
                         fill.bottom - fill.top, width, before);
                if (badFills.size() < 5)
                    badFills.push_back(note);
            }
            ++consistentMidSamples;
        }
        return false;
    });
    EXPECT_TRUE(done) << "never finished: " << StateReport();
    EXPECT_TRUE(unexpected.empty()) << "status texts not matching the tool's title, first: \""
                                    << (unexpected.empty() ? "" : unexpected[0]) << "\"";
    EXPECT_GT(consistentMidSamples, 0) << "no progress text was seen mid-download";
    EXPECT_TRUE(badFills.empty()) << badFills.size() << " wrong fill widths, first: "
                                  << (badFills.empty() ? "" : badFills[0]);
    ExpectCompleted("prog", 300000);
}

// A run that fails says so once, keeps nothing and goes back to Idle, also where a file of
// that name was there before it.
class FailingRunTest : public DownloadTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FailingRunTest, SaysSoAndReturnsToIdle)
{
    Prepare("http://standin.test/watch?v=bad&formats=22&fail=1&exit=3", "out", "bad.mp4");
    const bool existing = GetParam();
    if (existing) {
        ASSERT_TRUE(WriteWholeFile(dest, "older", 5)) << DriverError();
    }
    Start();
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    // The file that is there goes to the Recycle Bin first; the failure is told all the same.
    if (existing) {
        EXPECT_EQ("bad.mp4 already exists. Replace it?", AnswerBox(&run, "Vidmora", IDYES));
    }
    ASSERT_TRUE(FindDialog(&run, "Alert") != NULL) << DriverError() << " " << StateReport();
    EXPECT_TRUE(WaitUntil([&] { return IsIdle(); })) << "Idle before the box is answered: " << StateReport();
    EXPECT_EQ("The download tool stopped with an error (exit code 3). Nothing was saved.\n\n"
              "ERROR: bad: This video is unavailable.",
              AnswerBox(&run, "Alert"));
    EXPECT_TRUE(WaitUntil([&] { return !FileExists(toolCopy) && IsIdle(); })) << StateReport();
    EXPECT_EQ(NULL, FindDialog(&run, NULL, 1000)) << "the failure is told once";
    EXPECT_NE(DONE_STATUS, Text(IDC_STATUS));
    EXPECT_EQ(-1, FileSize(dest));
    EXPECT_EQ(1u, ToolRuns().size());
}
INSTANTIATE_TEST_SUITE_P(Destination, FailingRunTest, ::testing::Values(false, true));

// The tools skip a file that is there and end well, which would be told as done. Start asks
// first: No starts nothing; Yes moves the old file to the Recycle Bin and downloads.
TEST_F(DownloadTest, ExistingDestinationIsReplacedOnlyWhenThePersonSaysSo)
{
    Prepare("http://standin.test/watch?v=anew&formats=22&size=20000&step=5000&delay=10", "out", "Holiday.mp4");
    ASSERT_TRUE(WriteWholeFile(dest, "older", 5)) << DriverError();
    Start();
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    EXPECT_EQ("Holiday.mp4 already exists. Replace it?", AnswerBox(&run, "Vidmora", IDNO));
    EXPECT_TRUE(WaitUntil([&] { return IsIdle(); })) << StateReport();
    EXPECT_EQ(5, FileSize(dest));
    EXPECT_TRUE(ToolRuns().empty());
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    EXPECT_EQ("Holiday.mp4 already exists. Replace it?", AnswerBox(&run, "Vidmora", IDYES));
    ExpectCompleted("anew", 20000);
    EXPECT_EQ(1u, ToolRuns().size());
}

TEST_F(DownloadTest, StopAsksAndNoKeepsDownloadingYesEndsIt)
{
    Prepare("http://standin.test/watch?v=stop&formats=22&size=400000&step=10000&delay=200", "out", "s.mp4");
    Start();
    ASSERT_NO_FATAL_FAILURE(StartAndWaitForBytes());

    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    AnswerQuestion(STOP_QUESTION, IDNO);
    long long afterNo = FileSize(part);
    EXPECT_TRUE(WaitPartBeyond(afterNo)) << "the download stalled after No";
    EXPECT_TRUE(IsDownloading()) << "after No: " << StateReport();
    EXPECT_TRUE(FileExists(toolCopy));

    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    AnswerQuestion(STOP_QUESTION, IDYES);
    EXPECT_TRUE(WaitUntil([&] { return IsIdle() && !FileExists(toolCopy) && !FileExists(part); }))
        << "after Yes: " << StateReport();
    EXPECT_TRUE(WaitUntil([&] { return JobProcesses() == 1; })) << JobProcesses() << " processes still run";
    EXPECT_FALSE(FileExists(dest));
    EXPECT_FALSE(FileExists(part));
    EXPECT_EQ(1u, ToolRuns().size());
}

TEST_F(DownloadTest, PauseKeepsPartAndContinueCompletesIt)
{
    Prepare("http://standin.test/watch?v=pause&formats=22&size=400000&step=10000&delay=150", "out", "c.mp4");
    Start();
    ASSERT_NO_FATAL_FAILURE(StartAndWaitForBytes());

    ASSERT_TRUE(PostClick(&run, IDC_PAUSE)) << DriverError();
    EXPECT_TRUE(WaitUntil([&] { return IsPaused() && !FileExists(toolCopy); })) << "after Pause: " << StateReport();
    EXPECT_TRUE(WaitUntil([&] { return JobProcesses() == 1; })) << JobProcesses() << " processes still run";
    long long kept = FileSize(part);
    EXPECT_GT(kept, 0) << "Pause must keep the .part";
    EXPECT_LT(kept, 400000);
    EXPECT_TRUE(FileHoldsStandinBytes(part, "pause", -1));
    EXPECT_FALSE(FileExists(dest));
    EXPECT_EQ(0, CountDialogs(&run));

    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    EXPECT_TRUE(WaitUntil([&] { return IsDownloading(); })) << "after Continue: " << StateReport();
    ExpectPartNeverBelow(kept);
    ExpectCompleted("pause", 400000);
    std::vector<ArgList> runs = ToolRuns();
    ASSERT_EQ(2u, runs.size()) << "Continue must run the tool once more";
    EXPECT_EQ(JoinArgs(ExpectedArgs()), JoinArgs(runs[0]));
    EXPECT_EQ(JoinArgs(ExpectedArgs()), JoinArgs(runs[1]));
}

// Pause commands reaching the program while idle or paused must change nothing.
// Posted messages are handled in order, so the Start click after each stray Pause
// shows what state the stray one left.
TEST_F(DownloadTest, PauseIgnoredWhenIdleOrPaused)
{
    Prepare("http://standin.test/watch?v=ign&formats=22&size=400000&step=10000&delay=150", "out", "i.mp4");
    Start();
    ASSERT_TRUE(PostControlNotify(&run, IDC_PAUSE, BN_CLICKED)) << DriverError();
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    ASSERT_TRUE(WaitUntil([&] { return IsDownloading(); })) << "Start after a stray Pause: " << StateReport();
    EXPECT_EQ(0, CountDialogs(&run));
    ASSERT_TRUE(WaitPartBeyond(0)) << "no .part appeared: " << part;

    ASSERT_TRUE(PostClick(&run, IDC_PAUSE)) << DriverError();
    ASSERT_TRUE(WaitUntil([&] { return IsPaused() && !FileExists(toolCopy); })) << StateReport();
    ASSERT_TRUE(PostControlNotify(&run, IDC_PAUSE, BN_CLICKED)) << DriverError();
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    ExpectCompleted("ign", 400000);
    EXPECT_EQ(0, CountDialogs(&run));
    EXPECT_EQ(2u, ToolRuns().size()) << "only Start and Continue may run the tool";
}

// The pause is saved when it happens: also a program ended without closing (logoff,
// shutdown, a crash) offers Continue at its next start.
class PauseRestartTest : public DownloadTest, public ::testing::WithParamInterface<bool> {};

TEST_P(PauseRestartTest, PausedStateSurvivesAndContinues)
{
    const char *address = "http://standin.test/watch?v=again&formats=22&size=400000&step=10000&delay=150";
    Prepare(address, "out", "r.mp4");
    Start();
    ASSERT_NO_FATAL_FAILURE(StartAndWaitForBytes());
    ASSERT_TRUE(PostClick(&run, IDC_PAUSE)) << DriverError();
    ASSERT_TRUE(WaitUntil([&] { return IsPaused() && !FileExists(toolCopy); })) << StateReport();
    long long kept = FileSize(part);

    DWORD code = 99;
    if (GetParam()) {
        KillApp(&run);
    } else {
        // No question when not downloading, so the close goes straight through.
        ASSERT_TRUE(CloseApp(&run)) << DriverError();
        ASSERT_TRUE(WaitExit(&run, E2E_WAIT_MS, &code)) << DriverError() << " dialogs open: " << CountDialogs(&run);
        EXPECT_EQ(0u, code);
    }
    std::string record = ReadRecord();
    EXPECT_EQ(1, GetInt32(record, REC_PAUSED));
    EXPECT_EQ(std::string(address), GetText(record, REC_ADDRESS, REC_ADDRESS_LEN));
    EXPECT_EQ(std::string(dest), GetText(record, REC_DEST, REC_DEST_LEN));
    EXPECT_EQ(kept, FileSize(part)) << "the .part must wait untouched for Continue";

    Start();
    EXPECT_TRUE(WaitUntil([&] { return IsPaused(); })) << "after restart: " << StateReport();
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    ExpectPartNeverBelow(kept);
    ExpectCompleted("again", 400000);
    std::vector<ArgList> runs = ToolRuns();
    ASSERT_EQ(2u, runs.size());
    EXPECT_EQ(JoinArgs(ExpectedArgs()), JoinArgs(runs[1]));

    ASSERT_TRUE(CloseApp(&run)) << DriverError();
    ASSERT_TRUE(WaitExit(&run, E2E_WAIT_MS, &code)) << DriverError();
    EXPECT_EQ(0, GetInt32(ReadRecord(), REC_PAUSED)) << "a finished download is no longer paused";
}
INSTANTIATE_TEST_SUITE_P(EndedBy, PauseRestartTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool> &info) { return info.param ? "Kill" : "Close"; });

TEST_F(DownloadTest, CloseDuringDownloadAsksAndYesEndsTheTool)
{
    const char *address = "http://standin.test/watch?v=close&formats=22&size=400000&step=10000&delay=200";
    Prepare(address, "out", "x.mp4");
    Start();
    ASSERT_NO_FATAL_FAILURE(StartAndWaitForBytes());

    ASSERT_TRUE(CloseApp(&run)) << DriverError();
    AnswerQuestion(EXIT_QUESTION, IDNO);
    EXPECT_TRUE(IsAppRunning(&run)) << "No must keep the program";
    long long afterNo = FileSize(part);
    EXPECT_TRUE(WaitPartBeyond(afterNo)) << "the download stalled after No";
    EXPECT_TRUE(IsDownloading()) << "after No: " << StateReport();

    ASSERT_TRUE(CloseApp(&run)) << DriverError();
    AnswerQuestion(EXIT_QUESTION, IDYES);
    DWORD code = 99;
    ASSERT_TRUE(WaitExit(&run, E2E_WAIT_MS, &code)) << DriverError();
    EXPECT_EQ(0u, code);
    EXPECT_TRUE(WaitUntil([&] { return JobProcesses() == 0; })) << JobProcesses() << " processes still run";
    EXPECT_FALSE(FileExists(toolCopy)) << toolCopy;
    EXPECT_GT(FileSize(part), 0) << "the .part must stay";
    EXPECT_TRUE(FileHoldsStandinBytes(part, "close", -1));
    EXPECT_FALSE(FileExists(dest));
    std::string record = ReadRecord();
    EXPECT_EQ(0, GetInt32(record, REC_PAUSED));
    EXPECT_EQ(std::string(address), GetText(record, REC_ADDRESS, REC_ADDRESS_LEN));
    EXPECT_EQ(std::string(dest), GetText(record, REC_DEST, REC_DEST_LEN));
}

// A double quote would let an address break out of its argument, so it is refused.
TEST_F(DownloadTest, AddressWithQuoteIsRefused)
{
    Prepare("http://standin.test/watch?v=ok&formats=22&size=1000&delay=0", "out", "q.mp4");
    Start();
    ASSERT_TRUE(SetControlText(&run, IDC_URL_EDIT, "http://standin.test/watch?v=q\"x --exec calc")) << DriverError();
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    HWND box = FindDialog(&run, "Alert");
    ASSERT_TRUE(box != NULL) << DriverError() << " " << StateReport();
    EXPECT_EQ(run.window, GetWindow(box, GW_OWNER)) << "a box over the window is owned by it, which disables it";
    EXPECT_FALSE(FileExists(toolCopy));
    ASSERT_TRUE(PressDialogButton(box, IDOK)) << DriverError();
    ASSERT_TRUE(WaitDialogGone(box)) << DriverError();

    // Nothing may start after the box either.
    EXPECT_FALSE(WaitUntil([&] { return FileExists(toolCopy) || FileExists(argsPath) || !IsIdle(); }, 1500))
        << StateReport();
    EXPECT_EQ("Start Download", Text(IDC_START));
    EXPECT_FALSE(FileExists(argsPath)) << "the tool must not run";
    EXPECT_FALSE(FileExists(part));
    EXPECT_FALSE(FileExists(dest));
}

TEST_F(DownloadTest, DestinationWithBlanksIsOneArgument)
{
    Prepare("http://standin.test/watch?v=blank&formats=22,18&size=20000&step=5000&delay=20", "my videos",
            "a b.mp4");
    DownloadOnceWithExpectedArgs("blank", 20000);
}

// A '%' of a name made from a title reaches the tool doubled, and the file keeps the single '%'.
TEST_F(DownloadTest, PercentInTheDestinationStaysInTheFileName)
{
    Prepare("http://standin.test/watch?v=pct&formats=22&size=50000&step=10000&delay=20", "out", "100% Fun.mp4");
    DownloadOnceWithExpectedArgs("pct", 50000);
}

// An address typed into the box is never taken for an option: it goes after "--".
TEST_F(DownloadTest, OptionLikeTypedAddressComesAfterTheEndOfOptions)
{
    Prepare("--exec=calc.exe", "out", "opt.mp4");
    DownloadOnceWithExpectedArgs("standin", 262144);
}

// A tool copy that cannot be written is never run, whatever file is in its place: here an
// older file that another process holds (as a virus scanner does), so it cannot be replaced.
TEST_F(DownloadTest, UnwritableToolCopyIsNeverRun)
{
    Prepare("http://standin.test/watch?v=ro&formats=22&size=1000&delay=0", "out", "ro.mp4");
    const char *copies[] = {PROBE_TOOL_NAME, TOOL_COPY_NAME};
    HANDLE held[2];
    const std::string folder = RunFolder(&run) + "\\";
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(WriteWholeFile((folder + copies[i]).c_str(), "not the tool", 12)) << DriverError();
        held[i] = CreateFileA((folder + copies[i]).c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
        ASSERT_NE(INVALID_HANDLE_VALUE, held[i]);
    }
    Start();
    ASSERT_TRUE(SetClipboardText(addressText)) << DriverError();
    const int actions[] = {IDC_PASTE, IDC_START};
    for (int action : actions) {
        SCOPED_TRACE(action);
        std::string shown = RefusedWithABox(action);
        const std::string prefix = "The download tool could not be written to its folder (";
        EXPECT_EQ(prefix, shown.substr(0, prefix.size()));
        EXPECT_EQ(").", shown.substr(shown.size() - 2));
    }
    EXPECT_FALSE(FileExists(argsPath)) << "a tool ran";
    EXPECT_EQ(std::string(dest), Text(IDC_DEST_EDIT));
    for (int i = 0; i < 2; ++i) {
        CloseHandle(held[i]);
        std::string bytes;
        EXPECT_TRUE(ReadWholeFile((folder + copies[i]).c_str(), &bytes) && bytes == "not the tool") << copies[i];
    }
}

// The tools expand "$NAME" in -o from their environment: such a destination is refused
// rather than saved elsewhere; a '$' that expands nothing is kept.
TEST_F(DownloadTest, DestinationThatTheToolWouldExpandIsRefused)
{
    Prepare("http://standin.test/watch?v=cash&formats=22&size=20000&step=5000&delay=20", "out", "Cash $$ $5 $NOSUCHNAME.mp4");
    Start();
    const struct {
        const char *name;
        const char *shown;
    } refused[] = {{"$TEMP files.mp4", "\"$TEMP\""}, {"a${TMP}.mp4", "\"$TMP\""}};
    for (const auto &c : refused) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(SetControlText(&run, IDC_DEST_EDIT, (DirectoryOfDest() + c.name).c_str())) << DriverError();
        std::string shown = RefusedWithABox(IDC_START);
        EXPECT_NE(std::string::npos, shown.find(c.shown)) << shown;
    }
    EXPECT_FALSE(FileExists(argsPath)) << "a tool ran";
    ASSERT_TRUE(SetControlText(&run, IDC_DEST_EDIT, dest)) << DriverError();
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    ExpectCompleted("cash", 20000);
}

// A second start during a download says the window is busy and changes nothing.
TEST_F(DownloadTest, SecondStartDuringADownloadIsToldBusyAndChangesNothing)
{
    Prepare("http://standin.test/watch?v=busy&formats=22&size=300000&step=10000&delay=100", "out", "busy.mp4");
    Start();
    ASSERT_NO_FATAL_FAILURE(StartAndWaitForBytes());
    EXPECT_EQ(0u, RunSecondStart(&run, "http://standin.test/watch?v=other"));
    EXPECT_EQ("Vidmora is busy; paste the address again when it has finished.", AnswerBox(&run, "Alert"));
    ExpectCompleted("busy", 300000);
    EXPECT_EQ(std::string(addressText), Text(IDC_URL_EDIT));
    EXPECT_EQ(std::string(addressText), GetText(ReadRecord(), REC_ADDRESS, REC_ADDRESS_LEN));
    EXPECT_EQ(1u, ToolRuns().size());
}

} // namespace
