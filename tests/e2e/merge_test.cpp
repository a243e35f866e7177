// End-to-end tests of full quality with sound: a picture-only row merged with the best sound
// by a real Windows ffmpeg, chosen in the window menu; also paused across a restart, and
// stopped with nothing of it left. Results are checked with Debian's ffprobe.
#include "tests/e2e/addresssteps.h"

namespace {

// A yt-dlp page offering a full format and picture-only and sound-only rows.
const char MERGE_PAGE[] =
    "http://standin.test/watch?v=mrg&style=yt-dlp&formats=137,18,140&title=Merged&step=300&delay=150";

class MergeTest : public AddressTest {
protected:
    void SetUp() override
    {
        AddressTest::SetUp();
        folder = std::string(run.tempDir) + "\\out\\";
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), NULL));
        ASSERT_TRUE(FileExists(ffmpeg.c_str())) << ffmpeg << ": scripts/ffmpeg.sh fetches it";
    }

    // Today's YouTube pages offer their separate streams only to a tool with a runtime.
    bool StartMerging()
    {
        return KeepRealNode(&run) && Start(NULL, {{"STANDIN_MEDIA_DIR", media.c_str()}});
    }

    // Chooses the real ffmpeg in the window menu and waits for it to be kept.
    void ChooseFfmpeg()
    {
        ASSERT_TRUE(PostMessageA(run.window, WM_SYSCOMMAND, IDM_FFMPEG_CHOOSE, 0));
        HWND dialog = FindDialog(&run, "Open");
        ASSERT_TRUE(dialog != NULL) << DriverError() << OpenBoxes();
        ASSERT_TRUE(SetSaveDialogFileName(dialog, ffmpeg.c_str())) << DriverError();
        ASSERT_TRUE(ConfirmSaveDialog(dialog)) << DriverError();
        EXPECT_EQ("ffmpeg: 2018 build (chosen)", AnswerBox(&run, "Vidmora"));
    }

    // Pastes the page and puts the proposed file into this test's folder.
    void PastePage(const char *page = MERGE_PAGE)
    {
        ASSERT_TRUE(SetClipboardText(page)) << DriverError();
        ASSERT_TRUE(PostClick(&run, IDC_PASTE)) << DriverError();
        ASSERT_TRUE(WaitUntil([&] { return EndsWith(Text(IDC_DEST_EDIT), "\\Merged.mp4") && IsControlEnabled(&run, IDC_START); }))
            << Text(IDC_DEST_EDIT) << OpenBoxes();
        EXPECT_NE(std::string::npos, Text(IDC_FORMAT_INFO).find("Best sound (merged)")) << Text(IDC_FORMAT_INFO);
        ASSERT_TRUE(SetControlText(&run, IDC_DEST_EDIT, (folder + "Merged.mp4").c_str())) << DriverError();
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

    // The MP3 row, chosen in the save dialog under a name with the sound's own extension.
    void ChooseMp3()
    {
        HWND dialog = NULL;
        ASSERT_NO_FATAL_FAILURE(OpenSaveDialog(&dialog));
        char entry[256] = "";
        EXPECT_TRUE(SaveDialogFilterText(dialog, 3, entry, sizeof entry)) << DriverError();
        EXPECT_STREQ("MP3~sound only (converted from M4A 128k)", entry);
        ASSERT_TRUE(SelectSaveDialogFilter(dialog, 3)) << DriverError();
        ASSERT_TRUE(SetSaveDialogFileName(dialog, (folder + "Song.m4a").c_str())) << DriverError();
        ASSERT_TRUE(ConfirmSaveDialog(dialog)) << DriverError();
        EXPECT_EQ("The sound is converted to MP3, so it is saved as Song.mp3.", AnswerBox(&run, "Vidmora"));
        ASSERT_TRUE(WaitControlText(&run, IDC_DEST_EDIT, (folder + "Song.mp3").c_str())) << DriverError() << OpenBoxes();
        EXPECT_EQ("File type:\tMP3\nV.encode:\tnone (no picture)\nA.encode:\tMP3, converted from M4A 128k",
                  Text(IDC_FORMAT_INFO));
    }

    // One MP3 stream as long as the sound it was made of, and nothing else of the download.
    void ExpectMp3Only()
    {
        EXPECT_EQ("Song.mp3\n", FolderFiles());
        std::string streams = RunUnixShell(&run, "ffprobe -v error -show_entries stream=codec_name,duration -of csv=p=0 '" +
                                                     UnixPath(folder + "Song.mp3") + "'");
        EXPECT_EQ(0u, streams.find("mp3,")) << streams;
        EXPECT_EQ(1, std::count(streams.begin(), streams.end(), '\n')) << streams;
        EXPECT_NEAR(2.0, atof(streams.c_str() + 4), 0.2) << streams;
    }

    // The names in this test's folder, sorted, one a line.
    std::string FolderFiles()
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    names.push_back(found.cFileName);
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        std::sort(names.begin(), names.end());
        std::string lines;
        for (const std::string &name : names)
            lines += name + "\n";
        return lines;
    }

    bool Exists(const char *name) { return FileExists((folder + name).c_str()); }

    std::string folder;
    std::string media = WindowsPath(VIDMORA_SOURCE_DIR "/tests/media");
    std::string ffmpeg = WindowsPath(VIDMORA_TEST_FFMPEG);
};

TEST_F(MergeTest, MergedRowGivesOneFileWithPictureAndSound)
{
    ASSERT_TRUE(StartMerging()) << DriverError();
    ASSERT_NO_FATAL_FAILURE(ChooseFfmpeg());
    ASSERT_NO_FATAL_FAILURE(PastePage());
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    EXPECT_TRUE(WaitUntil([&] { return Text(IDC_STATUS).find("(1/2)<|") != std::string::npos; }))
        << Text(IDC_STATUS) << OpenBoxes();
    EXPECT_TRUE(WaitUntil([&] { return Text(IDC_STATUS).find("(2/2)<|") != std::string::npos; }))
        << Text(IDC_STATUS) << OpenBoxes();
    ASSERT_TRUE(WaitControlText(&run, IDC_STATUS, DONE_STATUS)) << DriverError() << OpenBoxes();
    EXPECT_EQ("Merged.mp4\n", FolderFiles()) << "the parts are gone";
    ExpectMergedFile();
    std::vector<ArgList> runs = Runs();
    ASSERT_EQ(3u, runs.size());
    const ArgList expected = Joined({"-o", folder + "Merged.mp4", "--format", "137+bestaudio[ext=m4a]/137+bestaudio",
                                     "--merge-output-format", "mp4"},
                                    SurroundingArgs(&run), {"--console-title", "--", MERGE_PAGE});
    EXPECT_EQ(JoinArgs(expected), JoinArgs(runs[2]));
}

TEST_F(MergeTest, PausedInTheFirstPartContinuesAfterARestart)
{
    ASSERT_TRUE(StartMerging()) << DriverError();
    ASSERT_NO_FATAL_FAILURE(ChooseFfmpeg());
    ASSERT_NO_FATAL_FAILURE(PastePage());
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    ASSERT_TRUE(WaitUntil([&] { return FileSize((folder + "Merged.f137.mp4.part").c_str()) > 0; })) << FolderFiles();
    // Pause is enabled by the first tick of the download.
    ASSERT_TRUE(WaitUntil([&] { return IsControlEnabled(&run, IDC_PAUSE); }));
    ASSERT_TRUE(PostClick(&run, IDC_PAUSE)) << DriverError();
    ASSERT_TRUE(WaitUntil([&] { return Text(IDC_START) == "Continue"; })) << OpenBoxes();
    EXPECT_TRUE(Exists("Merged.f137.mp4.part")) << "Pause keeps the part";
    ASSERT_TRUE(CloseApp(&run)) << DriverError();
    ASSERT_TRUE(WaitExit(&run, E2E_WAIT_MS, NULL)) << DriverError();

    ASSERT_TRUE(StartMerging()) << DriverError();
    ASSERT_TRUE(WaitUntil([&] { return Text(IDC_START) == "Continue"; }));
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    ASSERT_TRUE(WaitControlText(&run, IDC_STATUS, DONE_STATUS)) << DriverError() << OpenBoxes();
    EXPECT_EQ("Merged.mp4\n", FolderFiles());
    ExpectMergedFile();
}

TEST_F(MergeTest, StopInTheSecondPartLeavesNothingOfTheDownload)
{
    ASSERT_TRUE(StartMerging()) << DriverError();
    ASSERT_NO_FATAL_FAILURE(ChooseFfmpeg());
    ASSERT_NO_FATAL_FAILURE(PastePage());
    // Somebody's files beside it, named like parts but not the download's, stay.
    for (const char *name : {"Merged.final.mp4", "Other.f137.mp4", "Merged", "Merged.temp.jpg", "Merged.f2019.jpg"})
        ASSERT_TRUE(WriteWholeFile((folder + name).c_str(), "keep", 4));
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    ASSERT_TRUE(WaitUntil([&] { return FileSize((folder + "Merged.f140.m4a.part").c_str()) > 0; })) << FolderFiles();
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    EXPECT_EQ("Do you want to stop downloading right now?", AnswerBox(&run, "Vidmora", IDYES));
    EXPECT_TRUE(WaitUntil([&] {
        return FolderFiles() == "Merged\nMerged.f2019.jpg\nMerged.final.mp4\nMerged.temp.jpg\nOther.f137.mp4\n";
    }))
        << FolderFiles();
}

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

// The best sound as MP3: downloaded, converted by the real ffmpeg with the tool's own
// arguments, and its original removed; also paused in either stage and continued after a restart.
TEST_F(MergeTest, Mp3RowGivesOneMp3AlsoWhenPausedInEitherStage)
{
    const char page[] = "http://standin.test/watch?v=mrg&style=yt-dlp&formats=137,18,140&title=Merged&step=300&delay=150"
                        "&convertdelay=3000";
    const std::string converting = "Converting to MP3\x85";  // the ellipsis in Windows-1252
    struct {
        const char *pauseWhen;
        std::function<bool()> ready;
    } cases[] = {
        {"", [] { return true; }},
        {"in the download", [&] { return FileSize((folder + "Song.m4a.part").c_str()) > 0; }},
        {"in the conversion", [&] { return Text(IDC_STATUS) == converting && Exists("Song.mp3") && Exists("Song.m4a"); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.pauseWhen);
        ASSERT_TRUE(StartMerging()) << DriverError();
        if (!c.pauseWhen[0]) {
            ASSERT_NO_FATAL_FAILURE(ChooseFfmpeg());
        }
        ASSERT_NO_FATAL_FAILURE(PastePage(page));
        ASSERT_NO_FATAL_FAILURE(ChooseMp3());
        ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
        if (c.pauseWhen[0]) {
            ASSERT_TRUE(WaitUntil(c.ready)) << FolderFiles() << Text(IDC_STATUS) << OpenBoxes();
            ASSERT_TRUE(PostClick(&run, IDC_PAUSE)) << DriverError();
            ASSERT_TRUE(WaitUntil([&] { return Text(IDC_START) == "Continue"; })) << OpenBoxes();
            EXPECT_FALSE(Exists("Song.mp3")) << "no cut MP3 is left for the tool to take as done";
            ASSERT_TRUE(CloseApp(&run)) << DriverError();
            ASSERT_TRUE(WaitExit(&run, E2E_WAIT_MS, NULL)) << DriverError();
            ASSERT_TRUE(StartMerging()) << DriverError();
            ASSERT_TRUE(WaitUntil([&] { return Text(IDC_START) == "Continue"; }));
            ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
        } else {
            EXPECT_TRUE(WaitControlText(&run, IDC_STATUS, converting.c_str())) << Text(IDC_STATUS) << OpenBoxes();
        }
        ASSERT_TRUE(WaitControlText(&run, IDC_STATUS, DONE_STATUS)) << DriverError() << OpenBoxes();
        ExpectMp3Only();
        std::vector<ArgList> runs = Runs();
        ASSERT_FALSE(runs.empty());
        EXPECT_EQ(JoinArgs(Joined({"-o", folder + "Song.%(ext)s", "--format", "140", "-x", "--audio-format", "mp3",
                                   "--audio-quality", "0"},
                                  SurroundingArgs(&run), {"--console-title", "--", page})),
                  JoinArgs(runs.back()));
        ASSERT_TRUE(CloseApp(&run)) << DriverError();
        ASSERT_TRUE(WaitExit(&run, E2E_WAIT_MS, NULL)) << DriverError();
        ASSERT_TRUE(DeleteFileA((folder + "Song.mp3").c_str()));
    }
}

}  // namespace
