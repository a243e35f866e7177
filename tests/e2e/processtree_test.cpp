// End-to-end tests of a tool that does its work in a child process, as a packed one-file
// tool does: Pause, Stop and closing must end the whole tree. Also the path for systems
// where no job can be had.
#include "tests/e2e/downloadsteps.h"

namespace {

// The started process only waits for its child, which writes the file.
const char ONEFILE_PAGE[] = "http://standin.test/watch?v=tree&formats=22&onefile=1&size=400000&step=10000&delay=150";

class ProcessTreeTest : public DownloadTest {
protected:
    // True when the .part and the destination stay as they are for `ms`. A window of time on
    // purpose: the fault looked for is a tool left running that writes later.
    bool FilesStayStill(DWORD ms)
    {
        long long partSize = FileSize(part);
        bool destination = FileExists(dest);
        return !WaitUntil([&] { return FileSize(part) != partSize || FileExists(dest) != destination; }, ms);
    }
};

TEST_F(ProcessTreeTest, PauseEndsTheWholeTreeAndContinueCompletesTheFile)
{
    Prepare(ONEFILE_PAGE, "out", "tree.mp4");
    Start();
    ASSERT_NO_FATAL_FAILURE(StartAndWaitForBytes());
    ASSERT_TRUE(PostClick(&run, IDC_PAUSE)) << DriverError();
    ASSERT_TRUE(WaitUntil([&] { return IsPaused(); })) << StateReport();
    EXPECT_TRUE(FilesStayStill(2000)) << "the tool went on writing after Pause: " << StateReport();
    EXPECT_FALSE(FileExists(dest)) << "the paused download finished by itself";

    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    ExpectCompleted("tree", 400000);
}

TEST_F(ProcessTreeTest, StopEndsTheWholeTreeAndNothingIsWrittenAgain)
{
    Prepare(ONEFILE_PAGE, "out", "tree.mp4");
    Start();
    ASSERT_NO_FATAL_FAILURE(StartAndWaitForBytes());
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    AnswerQuestion(STOP_QUESTION, IDYES);
    ASSERT_TRUE(WaitUntil([&] { return IsIdle(); })) << StateReport();
    EXPECT_FALSE(FileExists(part));
    EXPECT_TRUE(FilesStayStill(2000)) << "a file reappeared after Stop: " << StateReport();
    EXPECT_FALSE(FileExists(part));
    EXPECT_FALSE(FileExists(dest));
}

TEST_F(ProcessTreeTest, ClosingDuringADownloadLeavesNoProcessOfTheTool)
{
    Prepare(ONEFILE_PAGE, "out", "tree.mp4");
    Start();
    ASSERT_NO_FATAL_FAILURE(StartAndWaitForBytes());
    ASSERT_TRUE(CloseApp(&run)) << DriverError();
    AnswerQuestion(EXIT_QUESTION, IDYES);
    ASSERT_TRUE(WaitExit(&run, E2E_WAIT_MS, NULL)) << DriverError();
    EXPECT_TRUE(WaitUntil([&] { return JobProcesses() == 0; })) << JobProcesses() << " processes left";
    EXPECT_TRUE(FilesStayStill(2000)) << "the tool went on writing after the program ended";
}

// Where no job can be had (Windows 7 inside a job), the tool's own process is followed.
TEST_F(ProcessTreeTest, WithoutAJobPauseAndContinueStillWork)
{
    Prepare("http://standin.test/watch?v=nojob&formats=22&size=300000&step=10000&delay=100", "out", "nojob.mp4");
    Start({{"VIDMORA_TEST_NO_JOB", "1"}});
    ASSERT_NO_FATAL_FAILURE(StartAndWaitForBytes());
    ASSERT_TRUE(PostClick(&run, IDC_PAUSE)) << DriverError();
    ASSERT_TRUE(WaitUntil([&] { return IsPaused(); })) << StateReport();
    EXPECT_TRUE(FilesStayStill(1000)) << StateReport();
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    ExpectCompleted("nojob", 300000);
}

} // namespace
