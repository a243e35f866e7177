// The download tests' shared steps: a record for a stand-in page, starting, reading the
// controls' state, answering the questions and checking the finished file.
#pragma once
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

const char STOP_QUESTION[] = "Do you want to stop downloading right now?";
const char EXIT_QUESTION[] = "Program is in progress! Do you want to exit right now?";

// The four inputs a download locks.
const int INPUT_IDS[] = {IDC_PASTE, IDC_SAVE, IDC_URL_EDIT, IDC_DEST_EDIT};

// Expected status line while the stand-in has written `done` bytes; percent cut to
// tenths and ETA cut to seconds, as the tool defines them.
inline std::string ExpectedStatus(unsigned long long done, unsigned long long size, unsigned long long step,
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
inline ::testing::AssertionResult FileHoldsStandinBytes(const char *path, const char *videoId, long long expectedSize)
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
        ASSERT_LT((size_t)snprintf(toolCopy, sizeof toolCopy, "%s\\%s", RunFolder(&run).c_str(), TOOL_COPY_NAME),
                  sizeof toolCopy);
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
    void Start(std::vector<EnvVar> env = {})
    {
        env.push_back({ARGS_LOG_VAR, argsPath});
        ASSERT_TRUE(StartApp(&run, NULL, env.data(), (int)env.size())) << DriverError();
        ASSERT_TRUE(WaitUntil([&] { return IsIdle() || IsPaused(); })) << "at start: " << StateReport();
    }

    std::string Text(int id) { return ControlText(&run, id); }

    // A click that is refused with an "Alert" box: its message, the window Idle again after it.
    std::string RefusedWithABox(int control)
    {
        EXPECT_TRUE(PostClick(&run, control)) << DriverError();
        std::string shown = AnswerBox(&run, "Alert");
        EXPECT_TRUE(WaitUntil([&] { return IsIdle(); })) << StateReport();
        return shown;
    }

    std::string DirectoryOfDest()
    {
        const char *slash = strrchr(dest, '\\');
        return slash ? std::string(dest, (size_t)(slash + 1 - dest)) : std::string();
    }

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

    int JobProcesses() { return JobProcessCount(&run); }

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

    std::vector<ArgList> ToolRuns() { return WorkingRuns(ReadArgsLog(argsPath)); }

    // The arguments every download of this test must pass.
    // The tool reads -o as a template, so each '%' of the destination goes out as "%%".
    ArgList ExpectedArgs()
    {
        std::string output;
        for (const char *p = dest; *p; ++p)
            output += *p == '%' ? std::string("%%") : std::string(1, *p);
        ArgList args;
        args.push_back("-o");
        args.push_back(output);
        args.push_back("--format");
        args.push_back("22");
        return Joined(args, SurroundingArgsFor(&run, addressText), {"--console-title", "--", addressText});
    }

    // Starts the prepared download, waits for the complete file and checks that the tool
    // ran once with the expected arguments.
    void DownloadOnceWithExpectedArgs(const char *videoId, long long size)
    {
        Start();
        ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
        ExpectCompleted(videoId, size);
        std::vector<ArgList> runs = ToolRuns();
        ASSERT_EQ(1u, runs.size());
        EXPECT_EQ(JoinArgs(ExpectedArgs()), JoinArgs(runs[0]));
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

}  // namespace
