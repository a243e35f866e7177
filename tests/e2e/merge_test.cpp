// End-to-end tests of full quality with sound on the stand-in's YouTube pages: rows the
// catalogue does not know offered merged, and the tool's own choice merged by a real Windows
// ffmpeg chosen in the window menu, checked with Debian's ffprobe. The real tool's merges are
// in realtool_test.cpp.
#include "tests/e2e/addresssteps.h"

namespace {

class MergeTest : public AddressTest {
protected:
    void SetUp() override
    {
        AddressTest::SetUp();
        folder = std::string(run.tempDir) + "\\out\\";
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), NULL));
    }

    // Today's YouTube pages offer their separate streams only to a tool with a runtime.
    bool StartMerging()
    {
        return KeepRealNode(&run) && Start(NULL, {{"STANDIN_MEDIA_DIR", media.c_str()}});
    }

    static bool EndsWith(const std::string &text, const std::string &end)
    {
        return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
    }

    // Debian's ffprobe on the Unix side. Wine runs a Unix program named by its Z: path but
    // hands back neither its output nor its end, so it writes a file and then a marker.
    std::string ProbeStreams(const std::string &file)
    {
        return RunUnixShell(&run, "ffprobe -v error -show_entries stream=codec_type,duration -of csv=p=0 '" +
                                      UnixPath(file) + "'");
    }

    // One video and one audio stream, each as long as the media it was made of.
    void ExpectMergedFile(const char *name = "Merged.mp4")
    {
        std::string streams = ProbeStreams(folder + name);
        int video = 0, audio = 0;
        double videoLength = 0, audioLength = 0;
        for (size_t at = 0; at < streams.size();) {
            size_t end = streams.find('\n', at);
            std::string line = streams.substr(at, end == std::string::npos ? std::string::npos : end - at);
            at = end == std::string::npos ? streams.size() : end + 1;
            if (line.compare(0, 6, "video,") == 0) {
                video++;
                videoLength = atof(line.c_str() + 6);
            } else if (line.compare(0, 6, "audio,") == 0) {
                audio++;
                audioLength = atof(line.c_str() + 6);
            }
        }
        EXPECT_EQ(1, video) << streams;
        EXPECT_EQ(1, audio) << streams;
        EXPECT_NEAR(2.0, videoLength, 0.1) << streams;
        EXPECT_NEAR(2.0, audioLength, 0.1) << streams;
    }

    std::string FolderFiles() { return FilesIn(folder); }

    std::string folder;
    std::string media = WindowsPath(VIDMORA_SOURCE_DIR "/tests/media");
};

// Picture-only rows the catalogue does not know (YouTube's AV1 401, the premium HLS 616) are
// what the table says they are: offered merged, also after a restart.
TEST_F(MergeTest, UnknownPictureOnlyRowsAreOfferedMergedAlsoAfterARestart)
{
    const std::string page = "http://standin.test/watch?v=av1&style=yt-dlp&formats=401,616,18,140&title=Av1";
    ASSERT_TRUE(StartMerging()) << DriverError();
    ASSERT_NO_FATAL_FAILURE(ChooseFfmpeg());
    ASSERT_TRUE(SetClipboardText(page.c_str())) << DriverError();
    ASSERT_TRUE(PostClick(&run, IDC_PASTE)) << DriverError();
    ASSERT_TRUE(WaitUntil([&] { return EndsWith(Text(IDC_DEST_EDIT), "\\Av1.mp4") && IsControlEnabled(&run, IDC_START); }))
        << Text(IDC_DEST_EDIT) << OpenBoxes();
    for (int restart = 0; restart < 2; restart++) {
        SCOPED_TRACE(restart ? "after a restart" : "after the paste");
        EXPECT_EQ("File type:\tMP4\nResolution:\t2160p\nFormat code:\t401\nA.encode:\tBest sound (merged)",
                  Text(IDC_FORMAT_INFO));
        HWND dialog = NULL;
        ASSERT_NO_FATAL_FAILURE(OpenSaveDialog(&dialog));
        char entry[256] = "";
        EXPECT_TRUE(SaveDialogFilterText(dialog, 0, entry, sizeof entry)) << DriverError();
        EXPECT_STREQ("MP4~Code 401 with sound (merged)[2160x3840]", entry);
        // The best merged one first, then the full 18, then the other picture-only row.
        EXPECT_TRUE(SaveDialogFilterText(dialog, 2, entry, sizeof entry)) << DriverError();
        EXPECT_STREQ("MP4~Code 616 with sound (merged)[1080x1920]", entry);
        ASSERT_NO_FATAL_FAILURE(CloseSaveDialog(dialog, false));
        ASSERT_TRUE(CloseApp(&run)) << DriverError();
        ASSERT_TRUE(WaitExit(&run, E2E_WAIT_MS, NULL)) << DriverError();
        ASSERT_TRUE(StartMerging()) << DriverError();
    }
}

// "best (chosen by the tool)" with ffmpeg: no --format, so the tool takes its own choice (the
// best picture and the best sound) and merges it; the window takes the name the tool gives.
TEST_F(MergeTest, ToolsOwnChoiceIsMergedAndSavedUnderTheNameItGives)
{
    const std::string page = "http://standin.test/watch?v=own&style=yt-dlp&formats=137,18,140&title=Own&step=3000&delay=20";
    WriteRecord(BuildRecord(page.c_str(), (folder + "Own.mkv").c_str(), 0, {{0, "mp4", 0, 0}}, 1));
    ASSERT_TRUE(StartMerging()) << DriverError();
    ASSERT_NO_FATAL_FAILURE(ChooseFfmpeg());
    ASSERT_TRUE(WaitUntil([&] { return IsControlEnabled(&run, IDC_START); })) << OpenBoxes();
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    ASSERT_TRUE(WaitControlText(&run, IDC_STATUS, DONE_STATUS)) << DriverError() << OpenBoxes() << FolderFiles();
    EXPECT_EQ(folder + "Own.mp4", Text(IDC_DEST_EDIT));
    EXPECT_EQ("Own.mp4\n", FolderFiles()) << "the parts are gone";
    ExpectMergedFile("Own.mp4");
    std::vector<ArgList> runs = Runs();
    ASSERT_FALSE(runs.empty());
    EXPECT_EQ(JoinArgs(Joined({"-o", folder + "Own.%(ext)s"}, SurroundingArgs(&run), {"--console-title", "--", page})),
              JoinArgs(runs.back()));
}

}  // namespace
