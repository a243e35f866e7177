// End-to-end tests on today's real yt-dlp, through the relay and its local server: the probe,
// a download with its progress, Pause across a restart, Stop, a merge and an MP3 with ffmpeg,
// a whole list, and a title in Japanese with an emoji.
#include "tests/e2e/realtoolsteps.h"

namespace {

// The server's DASH page: picture-only 137 and 136 and sound-only 140, as its manifest declares.
const char DASH_PAGE[] = "/dash/Merged.mpd";
const FormatEntry DASH_FORMATS[] = {{137, "mp4", 360, 640}, {136, "mp4", 240, 426}, {140, "m4a", 0, 0}};
// A direct link, named after the title the tool takes from it.
const char CLIP_PAGE[] = "/media/Clip.mp4";
// 日本語 Song 🎵, percent-encoded in the link and as the name the window proposes.
const char JAPANESE_PAGE[] = "/media/%E6%97%A5%E6%9C%AC%E8%AA%9E%20Song%20%F0%9F%8E%B5.mp4";
const wchar_t JAPANESE_NAME[] = L"\u65e5\u672c\u8a9e Song \U0001f3b5.mp4";

TEST_F(RealToolTest, ProbeOffersTheFormatsAndTitleTheToolReads)
{
    const std::string page = Page(DASH_PAGE);
    ASSERT_TRUE(Start()) << DriverError();
    ASSERT_NO_FATAL_FAILURE(PasteAndWaitForName(page, L"Merged.mp4"));
    EXPECT_NE(std::string::npos, Text(IDC_FORMAT_INFO).find("\nA.encode:\tNo sound")) << Text(IDC_FORMAT_INFO);
    ExpectProbeRuns(Runs(), 0, page);
    Record record;
    ASSERT_NO_FATAL_FAILURE(CloseAndReadRecord(&record));
    ExpectFormats(record, std::vector<FormatEntry>(DASH_FORMATS, DASH_FORMATS + 3));
}

TEST_F(RealToolTest, DownloadIsTheServedFileWithItsProgressShown)
{
    const std::string page = Page(CLIP_PAGE, 300000);
    ASSERT_TRUE(Start()) << DriverError();
    ASSERT_NO_FATAL_FAILURE(PasteAndWaitForName(page, L"Clip.mp4"));
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    EXPECT_TRUE(WaitUntil([&] {
        std::string status = Text(IDC_STATUS);
        return status.compare(0, 3, "SP:") == 0 && status.find("|>DL:") != std::string::npos &&
               status.find("% Of ") != std::string::npos;
    })) << Text(IDC_STATUS);
    ASSERT_TRUE(WaitControlText(&run, IDC_STATUS, DONE_STATUS)) << DriverError() << OpenBoxes();
    EXPECT_TRUE(SameBytes("Clip.mp4", "progressive.mp4"));
    EXPECT_EQ("Clip.mp4\n", FolderFiles());
    const std::string toolCopy = Copy(TOOL_COPY_NAME);
    EXPECT_TRUE(WaitUntil([&] { return !FileExists(toolCopy.c_str()); })) << toolCopy;
    std::vector<ArgList> runs = Runs();
    ASSERT_EQ(3u, runs.size());
    EXPECT_EQ(JoinArgs(Joined({"-o", folder + "Clip.mp4", "--format", "best"}, SurroundingArgs(&run),
                              {"--console-title", "--", page})),
              JoinArgs(runs[2]));
}

TEST_F(RealToolTest, PausedClosedAndContinuedAfterARestartGoesOnWithARangeRequest)
{
    ASSERT_TRUE(Start()) << DriverError();
    ASSERT_NO_FATAL_FAILURE(PasteAndWaitForName(Page(CLIP_PAGE, 150000), L"Clip.mp4"));
    const std::string part = folder + "Clip.mp4.part";
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    ASSERT_TRUE(WaitUntil([&] { return FileSize(part.c_str()) > 0; })) << FolderFiles() << OpenBoxes();
    ASSERT_NO_FATAL_FAILURE(PauseCloseAndRestart());
    EXPECT_TRUE(WaitUntil([&] { return EveryToolGone(); })) << Log("runs.log");
    const long long kept = FileSize(part.c_str());
    ASSERT_GT(kept, 0) << "Pause keeps the part";
    ASSERT_NO_FATAL_FAILURE(PressStartAndWaitForDone());
    EXPECT_TRUE(SameBytes("Clip.mp4", "progressive.mp4"));
    EXPECT_EQ("Clip.mp4\n", FolderFiles());
    EXPECT_NE(std::string::npos, Log("http.log").find("range=bytes=" + std::to_string(kept) + "-")) << Log("http.log");
}

// Full quality with sound: the picture-only 137 with the best sound, merged by ffmpeg, also
// when paused in the picture and continued after a restart.
TEST_F(RealToolTest, MergedRowGivesOneFileWithPictureAndSound)
{
    for (bool paused : {false, true}) {
        SCOPED_TRACE(paused ? "paused in the picture" : "straight through");
        const std::string page = Page(DASH_PAGE, paused ? 150000 : 0);
        ASSERT_TRUE(Start()) << DriverError();
        if (!paused) {
            ASSERT_NO_FATAL_FAILURE(ChooseFfmpeg());
        }
        ASSERT_NO_FATAL_FAILURE(PasteAndWaitForName(page, L"Merged.mp4"));
        EXPECT_NE(std::string::npos, Text(IDC_FORMAT_INFO).find("Best sound (merged)")) << Text(IDC_FORMAT_INFO);
        if (paused) {
            ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
            ASSERT_TRUE(WaitUntil([&] { return FileSize((folder + "Merged.f137.mp4.part").c_str()) > 0; }))
                << FolderFiles();
            ASSERT_NO_FATAL_FAILURE(PauseCloseAndRestart());
        }
        ASSERT_NO_FATAL_FAILURE(PressStartAndWaitForDone());
        EXPECT_EQ("Merged.mp4\n", FolderFiles()) << "the parts are gone";
        EXPECT_EQ("h264,video\naac,audio\n", Streams(Wide(folder + "Merged.mp4")));
        std::vector<ArgList> runs = Runs();
        ASSERT_FALSE(runs.empty());
        EXPECT_EQ(JoinArgs(Joined({"-o", folder + "Merged.mp4", "--format", "137+bestaudio[ext=m4a]/137+bestaudio",
                                   "--merge-output-format", "mp4"},
                                  SurroundingArgs(&run), {"--console-title", "--", page})),
                  JoinArgs(runs.back()));
        ASSERT_TRUE(CloseApp(&run)) << DriverError();
        ASSERT_TRUE(WaitExit(&run, E2E_WAIT_MS, NULL)) << DriverError();
        ASSERT_TRUE(DeleteFileA((folder + "Merged.mp4").c_str()));
    }
}

TEST_F(RealToolTest, StopInTheSecondPartLeavesNothingOfTheDownloadOnceTheToolIsGone)
{
    ASSERT_TRUE(Start()) << DriverError();
    ASSERT_NO_FATAL_FAILURE(ChooseFfmpeg());
    ASSERT_NO_FATAL_FAILURE(PasteAndWaitForName(Page(DASH_PAGE, 60000), L"Merged.mp4"));
    // Somebody's files beside it, named like parts but not the download's, stay.
    const char others[] = "Merged\nMerged.f2019.jpg\nMerged.final.mp4\nMerged.temp.jpg\nOther.f137.mp4\n";
    for (const char *name : {"Merged.final.mp4", "Other.f137.mp4", "Merged", "Merged.temp.jpg", "Merged.f2019.jpg"})
        ASSERT_TRUE(WriteWholeFile((folder + name).c_str(), "keep", 4));
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    ASSERT_TRUE(WaitUntil([&] { return FileSize((folder + "Merged.f140.m4a.part").c_str()) > 0; })) << FolderFiles();
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    EXPECT_EQ("Do you want to stop downloading right now?", AnswerBox(&run, "Vidmora", IDYES));
    ASSERT_TRUE(WaitUntil([&] { return EveryToolGone() && Text(IDC_START) == "Start Download"; }))
        << Log("runs.log") << Text(IDC_START);
    EXPECT_EQ(1, CountLines(Log("runs.log"), "killed ")) << Log("runs.log");
    EXPECT_EQ(others, FolderFiles());
}

// The best sound as MP3, converted by ffmpeg with the tool's own arguments and its original
// removed, also when paused in the download and continued after a restart.
TEST_F(RealToolTest, Mp3RowGivesOneMp3Stream)
{
    for (bool paused : {false, true}) {
        SCOPED_TRACE(paused ? "paused in the download" : "straight through");
        const std::string page = Page(DASH_PAGE, paused ? 30000 : 0);
        ASSERT_TRUE(Start()) << DriverError();
        if (!paused) {
            ASSERT_NO_FATAL_FAILURE(ChooseFfmpeg());
        }
        ASSERT_NO_FATAL_FAILURE(PasteAndWaitForName(page, L"Merged.mp4"));
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
        if (paused) {
            ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
            ASSERT_TRUE(WaitUntil([&] { return FileSize((folder + "Song.m4a.part").c_str()) > 0; })) << FolderFiles();
            ASSERT_NO_FATAL_FAILURE(PauseCloseAndRestart());
        }
        ASSERT_NO_FATAL_FAILURE(PressStartAndWaitForDone());
        EXPECT_EQ("Song.mp3\n", FolderFiles());
        EXPECT_EQ("mp3,audio\n", Streams(Wide(folder + "Song.mp3")));
        ASSERT_TRUE(CloseApp(&run)) << DriverError();
        ASSERT_TRUE(WaitExit(&run, E2E_WAIT_MS, NULL)) << DriverError();
        ASSERT_TRUE(DeleteFileA((folder + "Song.mp3").c_str()));
    }
}

// The server's feed of three, as the tool names its entries: the second title's ": \" ?" become
// the full-width "：＂？" in a Windows file name.
const std::string LIST_ENTRIES[] = {"01 - Relay entry 1.mp4",
                                    "02 - Relay entry 2\xEF\xBC\x9A \xEF\xBC\x82what\xEF\xBC\x9F\xEF\xBC\x82.mp4",
                                    "03 - Relay entry 3.mp4"};

class RealListTest : public RealToolTest {
protected:
    // Pastes the feed and chooses the whole list into this test's folder.
    void ChooseWholeList(const std::string &path, int rate = 0)
    {
        ASSERT_TRUE(Start()) << DriverError();
        ASSERT_NO_FATAL_FAILURE(PasteAndWaitForName(Page(path, rate), L"Relay entry 1.mp4"));
        ASSERT_TRUE(WaitUntil([&] { return Text(IDC_FORMAT_INFO).find("\nIn a list of 3 videos") != std::string::npos; }))
            << Text(IDC_FORMAT_INFO);
        HWND dialog = NULL;
        ASSERT_NO_FATAL_FAILURE(OpenSaveDialog(&dialog));
        char text[256] = "";
        EXPECT_TRUE(SaveDialogFilterText(dialog, 1, text, sizeof text)) << DriverError();
        EXPECT_STREQ("All 3 videos of the list~best picture with sound", text);
        ASSERT_TRUE(SelectSaveDialogFilter(dialog, 1)) << DriverError();
        ASSERT_TRUE(SetSaveDialogFileName(dialog, (folder + "any.mp4").c_str())) << DriverError();
        ASSERT_NO_FATAL_FAILURE(CloseSaveDialog(dialog, true));
        ASSERT_TRUE(WaitControlText(&run, IDC_DEST_EDIT, folder.c_str())) << DriverError();
    }

    bool ArchiveGone() { return !FileExists((RunFolder(&run) + "\\list-archive.txt").c_str()); }
};

// Each entry in a file of its own, named by the tool, the archive gone at the end; a failing
// entry is told with how many were downloaded.
TEST_F(RealListTest, WholeListGivesAFileAnEntry)
{
    const std::string *entries = LIST_ENTRIES;
    for (bool failing : {false, true}) {
        SCOPED_TRACE(failing ? "the second entry fails" : "all three");
        ASSERT_NO_FATAL_FAILURE(ChooseWholeList(failing ? "/list/feed.xml?list=relay&fail=2" : "/list/feed.xml?list=relay"));
        ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
        if (failing) {
            std::string told = AnswerBox(&run, "Alert");
            EXPECT_EQ(0u, told.find("2 of 3 videos of the list were downloaded; 1 failed.\n\nERROR: ")) << told;
            EXPECT_EQ(entries[0] + "\n" + entries[2] + "\n", FolderFiles());
        } else {
            ASSERT_TRUE(WaitControlText(&run, IDC_STATUS, DONE_STATUS)) << DriverError() << OpenBoxes();
            EXPECT_EQ(entries[0] + "\n" + entries[1] + "\n" + entries[2] + "\n", FolderFiles());
        }
        for (const std::string &entry : LIST_ENTRIES) {
            if (!failing || entry != entries[1]) {
                EXPECT_TRUE(SameBytes(entry, "progressive.mp4"));
            }
        }
        EXPECT_TRUE(ArchiveGone()) << "the archive goes when the list ends";
        ASSERT_TRUE(CloseApp(&run)) << DriverError();
        ASSERT_TRUE(WaitExit(&run, E2E_WAIT_MS, NULL)) << DriverError();
        for (const std::string &entry : LIST_ENTRIES)
            DeleteFileW(Wide(folder + entry).c_str());
    }
}

// Continue runs the list again: the archive skips the first entry by its id, even with its file
// gone, and the second goes on from its part.
TEST_F(RealListTest, PausedInTheSecondEntryContinuesAfterARestartWithoutTheFirst)
{
    ASSERT_NO_FATAL_FAILURE(ChooseWholeList("/list/feed.xml?list=relay", 400000));
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    const std::wstring second = Wide(folder + LIST_ENTRIES[1] + ".part");
    ASSERT_TRUE(WaitUntil([&] { return GetFileAttributesW(second.c_str()) != INVALID_FILE_ATTRIBUTES; })) << FolderFiles();
    EXPECT_TRUE(WaitUntil([&] { return Text(IDC_STATUS).find(" (2/3)<|") != std::string::npos; })) << Text(IDC_STATUS);
    ASSERT_NO_FATAL_FAILURE(PauseCloseAndRestart());
    EXPECT_FALSE(ArchiveGone()) << "a paused list keeps its archive";
    ASSERT_TRUE(DeleteFileW(Wide(folder + LIST_ENTRIES[0]).c_str()));
    ASSERT_NO_FATAL_FAILURE(PressStartAndWaitForDone());
    EXPECT_EQ(LIST_ENTRIES[1] + "\n" + LIST_ENTRIES[2] + "\n", FolderFiles());
    EXPECT_TRUE(SameBytes(LIST_ENTRIES[1], "progressive.mp4"));
    EXPECT_TRUE(ArchiveGone());
}

TEST_F(RealToolTest, TitleInJapaneseWithAnEmojiThroughProbeAndDownload)
{
    ASSERT_TRUE(Start()) << DriverError();
    ASSERT_NO_FATAL_FAILURE(PasteAndWaitForName(Page(JAPANESE_PAGE, 300000), JAPANESE_NAME));
    ASSERT_NO_FATAL_FAILURE(PressStartAndWaitForDone());
    EXPECT_EQ(Utf8(JAPANESE_NAME) + "\n", FolderFiles());
    EXPECT_TRUE(SameBytes(Utf8(JAPANESE_NAME), "progressive.mp4"));
}

}  // namespace
