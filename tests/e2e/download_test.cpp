// End-to-end tests of downloads: Start, Stop, Pause, Continue, progress display,
// closing mid-download and argument quoting, driven against the offline stand-in tool.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/testdata.h"
#include "tests/standin/page.h"

namespace {

const char *STOP_QUESTION = "Do you want to stop downloading right now?";
const char *EXIT_QUESTION = "Program is in progress! Do you want to exit right now?";

// The four inputs a download locks.
const int INPUT_IDS[] = {IDC_PASTE, IDC_SAVE, IDC_URL_EDIT, IDC_DEST_EDIT};

// Expected status line while the stand-in has written `done` bytes; percent cut to
// tenths and ETA cut to seconds, as the tool defines them.
std::string ExpectedStatus(unsigned long long done, unsigned long long size, unsigned long long step,
                           unsigned delay, const char *sizeText, const char *speedText)
{
    unsigned long long tenths = done * 1000 / size;
    unsigned long long eta = (size - done) * delay / (step * 1000);
    char text[160];
    snprintf(text, sizeof text, "SP:%s|>DL:%llu.%llu%% Of %s<|ET:%02llu:%02llu", speedText, tenths / 10,
             tenths % 10, sizeText, eta / 60, eta % 60);
    return text;
}

// Checks a file holds exactly the stand-in bytes of videoId, expectedSize long
// (or any length up to it when expectedSize is negative: a .part so far).
::testing::AssertionResult FileHoldsStandinBytes(const char *path, const char *videoId, long long expectedSize)
{
    std::string content;
    if (!ReadWholeFile(path, &content))
        return ::testing::AssertionFailure() << DriverError();
    if (expectedSize >= 0 && (long long)content.size() != expectedSize)
        return ::testing::AssertionFailure()
               << path << " has " << content.size() << " bytes, expected " << expectedSize;
    for (size_t i = 0; i < content.size(); ++i) {
        unsigned char want = StandinByte(videoId, i);
        if ((unsigned char)content[i] != want)
            return ::testing::AssertionFailure() << path << " differs at byte " << i << ": "
                                                 << (int)(unsigned char)content[i] << " instead of " << (int)want;
    }
    return ::testing::AssertionSuccess();
}

class DownloadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(PrepareRun(&run)) << DriverError();
        ASSERT_TRUE(TempFilePath(&run, TOOL_COPY_NAME, toolCopy, sizeof toolCopy)) << DriverError();
        ASSERT_TRUE(TempFilePath(&run, ARGS_LOG_NAME, argsPath, sizeof argsPath)) << DriverError();
    }

    // Writes the state record for address and a destination under tempDir\<folder>\<name>.
    void Prepare(const char *address, const char *folder, const char *name, int paused = 0)
    {
        char dir[MAX_PATH];
        ASSERT_TRUE(TempFilePath(&run, folder, dir, sizeof dir)) << DriverError();
        ASSERT_TRUE(CreateDirectoryA(dir, NULL)) << dir;
        ASSERT_TRUE(JoinPath(dest, sizeof dest, dir, name)) << DriverError();
        ASSERT_LT((size_t)snprintf(part, sizeof part, "%s.part", dest), sizeof part);
        snprintf(addressText, sizeof addressText, "%s", address);
        // Format 22 (mp4 720x1280) and 18 (mp4 360x640) offered, 22 selected.
        std::string record = BuildRecord(address, dest, paused, {{22, "mp4", 720, 1280}, {18, "mp4", 360, 640}}, 1);
        ASSERT_TRUE(WriteTempFile(&run, RECORD_NAME, record)) << DriverError();
    }

    // Control states are applied by the 50 ms tick, so a check made before the first one
    // would see the controls as they were created.
    void Start()
    {
        ASSERT_TRUE(StartAppWithArgsLog(&run, argsPath)) << DriverError();
        ASSERT_TRUE(WaitUntil([&] { return IsIdle() || IsPaused(); })) << "at start: " << StateReport();
    }

    std::string Text(int id) { return ControlText(&run, id); }

    bool InputsEnabled(bool enabled)
    {
        for (size_t i = 0; i < sizeof INPUT_IDS / sizeof INPUT_IDS[0]; ++i)
            if (IsControlEnabled(&run, INPUT_IDS[i]) != enabled)
                return false;
        return true;
    }

    // Idle: "Start Download", Pause disabled, inputs enabled.
    bool IsIdle()
    {
        char caption[64];
        return GetControlText(&run, IDC_START, caption, sizeof caption) &&
               strcmp(caption, "Start Download") == 0 && !IsControlEnabled(&run, IDC_PAUSE) &&
               InputsEnabled(true);
    }

    bool IsDownloading()
    {
        char caption[64];
        return GetControlText(&run, IDC_START, caption, sizeof caption) &&
               strcmp(caption, "Stop Download") == 0 && IsControlEnabled(&run, IDC_PAUSE) &&
               InputsEnabled(false);
    }

    bool IsPaused()
    {
        char caption[64];
        return GetControlText(&run, IDC_START, caption, sizeof caption) && strcmp(caption, "Continue") == 0 &&
               !IsControlEnabled(&run, IDC_PAUSE) && InputsEnabled(false);
    }

    std::string StateReport()
    {
        char report[512];
        snprintf(report, sizeof report,
                 "start=\"%s\" pause=%d paste=%d save=%d url=%d dest=%d status=\"%s\" toolCopy=%d part=%lld",
                 Text(IDC_START).c_str(), (int)IsControlEnabled(&run, IDC_PAUSE),
                 (int)IsControlEnabled(&run, IDC_PASTE), (int)IsControlEnabled(&run, IDC_SAVE),
                 (int)IsControlEnabled(&run, IDC_URL_EDIT), (int)IsControlEnabled(&run, IDC_DEST_EDIT),
                 Text(IDC_STATUS).c_str(), (int)FileExists(toolCopy), FileSize(part));
        return report;
    }

    // Processes of the run's job: the program plus anything it started.
    int JobProcesses()
    {
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info;
        if (!run.job ||
            !QueryInformationJobObject(run.job, JobObjectBasicAccountingInformation, &info, sizeof info, NULL))
            return -1;
        return (int)info.ActiveProcesses;
    }

    // Waits until the .part holds more than `bytes` bytes.
    bool WaitPartBeyond(long long bytes) { return WaitUntil([&] { return FileSize(part) > bytes; }); }

    // Presses Start and waits until the tool has written its first bytes.
    void StartAndWaitForBytes()
    {
        ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
        ASSERT_TRUE(WaitUntil([&] { return IsDownloading(); })) << StateReport();
        ASSERT_TRUE(WaitPartBeyond(0)) << "no .part appeared: " << part;
        // The tool runs inside the run's job; later checks count on that.
        ASSERT_GE(JobProcesses(), 2) << "the tool is not seen as a running process";
    }

    // Answers the main window's question box with `text` by pressing `button`.
    void AnswerQuestion(const char *text, int button)
    {
        HWND box = FindDialog(&run, "Vidmora");
        ASSERT_TRUE(box != NULL) << DriverError() << " " << StateReport();
        char shown[256];
        ASSERT_TRUE(DialogText(box, shown, sizeof shown)) << DriverError();
        EXPECT_STREQ(text, shown);
        EXPECT_EQ(run.window, GetWindow(box, GW_OWNER)) << "the question must be owned by the main window";
        EXPECT_TRUE(DialogHasButton(box, IDYES));
        EXPECT_TRUE(DialogHasButton(box, IDNO));
        ASSERT_TRUE(PressDialogButton(box, button)) << DriverError();
        ASSERT_TRUE(WaitDialogGone(box)) << DriverError();
    }

    std::vector<ArgList> ToolRuns() { return ReadArgsLog(argsPath); }

    // The arguments every download of this test must pass.
    ArgList ExpectedArgs()
    {
        ArgList args;
        args.push_back("-o");
        args.push_back(dest);
        args.push_back("--format");
        args.push_back("22");
        args.push_back("--console-title");
        args.push_back(addressText);
        return args;
    }

    std::string ReadRecord()
    {
        std::string record;
        EXPECT_TRUE(ReadTempFile(&run, RECORD_NAME, &record)) << DriverError();
        EXPECT_EQ((size_t)RECORD_SIZE, record.size());
        if (record.size() != RECORD_SIZE)
            record.resize(RECORD_SIZE, '\0');
        return record;
    }

    void ExpectFillSize(int width, int height)
    {
        RECT rect;
        ASSERT_TRUE(GetControlRect(&run, IDC_PROGRESS_FILL, &rect)) << DriverError();
        EXPECT_EQ(width, rect.right - rect.left);
        EXPECT_EQ(height, rect.bottom - rect.top);
    }

    // After Continue: the tool must carry on the kept .part, so until it is renamed
    // the .part never holds fewer bytes than were kept.
    void ExpectPartNeverBelow(long long kept)
    {
        long long smallest = kept;
        bool finished = WaitUntil([&] {
            long long now = FileSize(part);
            if (FileExists(dest))
                return true;
            if (now >= 0 && now < smallest)
                smallest = now;
            if (now < 0)
                smallest = -1; // gone without the destination appearing
            return false;
        });
        EXPECT_TRUE(finished) << "the continued download never finished: " << StateReport();
        EXPECT_EQ(kept, smallest) << "the .part was started over instead of continued";
    }

    // Waits for the end of a complete download and checks the finished state.
    void ExpectCompleted(const char *videoId, long long size)
    {
        EXPECT_TRUE(WaitControlText(&run, IDC_STATUS, DONE_STATUS)) << DriverError() << " " << StateReport();
        EXPECT_TRUE(WaitUntil([&] { return IsIdle(); })) << StateReport();
        EXPECT_TRUE(WaitUntil([&] { return !FileExists(toolCopy); })) << "tool copy left: " << toolCopy;
        ExpectFillSize(290, 25);
        EXPECT_FALSE(FileExists(part)) << part;
        EXPECT_TRUE(FileHoldsStandinBytes(dest, videoId, size));
    }

    AppRun run;
    char toolCopy[MAX_PATH];
    char argsPath[MAX_PATH];
    char dest[MAX_PATH];
    char part[MAX_PATH + 8];
    char addressText[512];
};

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

// A page that fails at once ends quietly: back to idle, no box, status untouched.
TEST_F(DownloadTest, FailingPageReturnsToIdleWithoutMessage)
{
    Prepare("http://standin.test/watch?v=bad&formats=22&fail=1", "out", "bad.mp4");
    Start();
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    ASSERT_TRUE(WaitUntil([&] { return ToolRuns().size() == 1; })) << "the tool never ran";
    EXPECT_TRUE(WaitUntil([&] { return !FileExists(toolCopy) && IsIdle(); })) << StateReport();
    EXPECT_EQ(NULL, FindDialog(&run, NULL, 1000)) << "no box may report a failing page";
    EXPECT_EQ("", Text(IDC_STATUS));
    EXPECT_FALSE(FileExists(dest));
    EXPECT_FALSE(FileExists(part));
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

TEST_F(DownloadTest, PausedStateSurvivesRestartAndContinues)
{
    const char *address = "http://standin.test/watch?v=again&formats=22&size=400000&step=10000&delay=150";
    Prepare(address, "out", "r.mp4");
    Start();
    ASSERT_NO_FATAL_FAILURE(StartAndWaitForBytes());
    ASSERT_TRUE(PostClick(&run, IDC_PAUSE)) << DriverError();
    ASSERT_TRUE(WaitUntil([&] { return IsPaused() && !FileExists(toolCopy); })) << StateReport();
    long long kept = FileSize(part);

    // No question when not downloading, so the close goes straight through.
    ASSERT_TRUE(CloseApp(&run)) << DriverError();
    DWORD code = 99;
    ASSERT_TRUE(WaitExit(&run, E2E_WAIT_MS, &code)) << DriverError() << " dialogs open: " << CountDialogs(&run);
    EXPECT_EQ(0u, code);
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
    EXPECT_EQ(NULL, GetWindow(box, GW_OWNER)) << "failure reports have no owner";
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
    Start();
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    ExpectCompleted("blank", 20000);
    std::vector<ArgList> runs = ToolRuns();
    ASSERT_EQ(1u, runs.size());
    ASSERT_EQ(6u, runs[0].size()) << JoinArgs(runs[0]);
    EXPECT_EQ(JoinArgs(ExpectedArgs()), JoinArgs(runs[0]));
}

} // namespace
