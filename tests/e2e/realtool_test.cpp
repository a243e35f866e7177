// End-to-end tests on today's real yt-dlp, through the relay and its local server: the probe,
// a download with its progress, Pause across a restart, Stop, a merge and an MP3 with ffmpeg,
// a whole list, and a title in Japanese with an emoji.
#include "tests/e2e/realtoolsteps.h"
#include "toolbridge/cookies.h"

namespace {

// The server's DASH page: picture-only 137 and 136 and sound-only 140, as its manifest declares.
const char DASH_PAGE[] = "/dash/Merged.mpd";
const FormatEntry DASH_FORMATS[] = {{137, "mp4", 360, 640}, {136, "mp4", 240, 426}, {140, "m4a", 0, 0}};
// A direct link, named after the title the tool takes from it.
const char CLIP_PAGE[] = "/media/Clip.mp4";
// 日本語 Song 🎵, percent-encoded in the link and as the name the window proposes.
const char JAPANESE_PAGE[] = "/media/%E6%97%A5%E6%9C%AC%E8%AA%9E%20Song%20%F0%9F%8E%B5.mp4";
const wchar_t JAPANESE_NAME[] = L"\u65e5\u672c\u8a9e Song \U0001f3b5.mp4";
// The same title on the DASH page, and as the stem of the files it gives (UTF-8).
const char JAPANESE_DASH_PAGE[] = "/dash/%E6%97%A5%E6%9C%AC%E8%AA%9E%20Song%20%F0%9F%8E%B5.mpd";
const std::string JAPANESE_STEM = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E Song \xF0\x9F\x8E\xB5";
// What the status line shows during a conversion, as the test reads it (Windows-1252).
const char CONVERTING_STATUS[] = "Converting to MP3\x85";

// Lines sorted, as FilesIn gives them.
std::string Sorted(const std::string &lines)
{
    std::vector<std::string> names;
    for (size_t at = 0, end; (end = lines.find('\n', at)) != std::string::npos; at = end + 1)
        names.push_back(lines.substr(at, end - at));
    std::sort(names.begin(), names.end());
    std::string sorted;
    for (const std::string &name : names)
        sorted += name + "\n";
    return sorted;
}

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
        ASSERT_NO_FATAL_FAILURE(CloseAndWaitForExit());
        ASSERT_TRUE(DeleteFileA((folder + "Merged.mp4").c_str()));
    }
}

// A title in Japanese with an emoji: the tool names the parts in every script, and Stop finds
// them all.
TEST_F(RealToolTest, StopInTheSecondPartLeavesNothingOfTheDownloadOnceTheToolIsGone)
{
    ASSERT_TRUE(Start()) << DriverError();
    ASSERT_NO_FATAL_FAILURE(ChooseFfmpeg());
    ASSERT_NO_FATAL_FAILURE(PasteAndWaitForName(Page(JAPANESE_DASH_PAGE, 60000), Wide(JAPANESE_STEM + ".mp4")));
    // Somebody's files beside it, named like parts but not the download's, stay.
    std::vector<std::string> others;
    for (const char *end : {"", ".f2019.jpg", ".final.mp4", ".temp.jpg"})
        others.push_back(JAPANESE_STEM + end);
    others.push_back("Other.f137.mp4");
    std::string left;
    for (const std::string &name : others) {
        ASSERT_TRUE(WriteWide(name, "keep"));
        left += name + "\n";
    }
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    ASSERT_TRUE(WaitUntil([&] { return WideExists(JAPANESE_STEM + ".f140.m4a.part"); })) << FolderFiles();
    EXPECT_TRUE(WideExists(JAPANESE_STEM + ".f137.mp4")) << FolderFiles();
    ASSERT_NO_FATAL_FAILURE(StopAndWaitForTheToolGone());
    EXPECT_EQ(1, CountLines(Log("runs.log"), "killed ")) << Log("runs.log");
    EXPECT_EQ(FilesIn(folder), Sorted(left));
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
        ASSERT_NO_FATAL_FAILURE(ChooseMp3("Song"));
        if (paused) {
            ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
            ASSERT_TRUE(WaitUntil([&] { return FileSize((folder + "Song.m4a.part").c_str()) > 0; })) << FolderFiles();
            ASSERT_NO_FATAL_FAILURE(PauseCloseAndRestart());
        }
        ASSERT_NO_FATAL_FAILURE(PressStartAndWaitForDone());
        EXPECT_EQ("Song.mp3\n", FolderFiles());
        EXPECT_EQ("mp3,audio\n", Streams(Wide(folder + "Song.mp3")));
        ASSERT_NO_FATAL_FAILURE(CloseAndWaitForExit());
        ASSERT_TRUE(DeleteFileA((folder + "Song.mp3").c_str()));
    }
}

// Paused while ffmpeg writes the MP3 of a title in Japanese with an emoji: the half-written
// MP3 goes, so after a restart Continue converts it whole; nothing is left beside it.
TEST_F(RealToolTest, Mp3PausedInItsConversionIsWholeAfterARestart)
{
    ASSERT_TRUE(Start()) << DriverError();
    ASSERT_NO_FATAL_FAILURE(ChooseFfmpeg());
    ASSERT_NO_FATAL_FAILURE(PasteAndWaitForName(Page(JAPANESE_DASH_PAGE), Wide(JAPANESE_STEM + ".mp4")));
    ASSERT_NO_FATAL_FAILURE(ChooseMp3(JAPANESE_STEM));
    const std::string slow = state + "slow-mp3", mp3 = JAPANESE_STEM + ".mp3";
    ASSERT_TRUE(WriteWholeFile(slow.c_str(), "", 0));
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    ASSERT_TRUE(WaitUntil([&] { return Text(IDC_STATUS) == CONVERTING_STATUS && WideBegun(mp3); }))
        << Text(IDC_STATUS) << FolderFiles();
    ASSERT_NO_FATAL_FAILURE(PauseCloseAndRestart());
    DeleteFileA(slow.c_str());
    EXPECT_EQ(JAPANESE_STEM + ".m4a\n", FolderFiles()) << "the half-written MP3 is gone, the sound stays";
    ASSERT_NO_FATAL_FAILURE(PressStartAndWaitForDone());
    EXPECT_EQ(mp3 + "\n", FolderFiles());
    EXPECT_EQ("mp3,audio\n", Streams(Wide(folder + mp3)));
    EXPECT_NEAR(8.0, Seconds(mp3), 0.3) << "the MP3 is whole";
}

// The tool would take a sound that is there for its own and convert it: it is asked about
// first, and No keeps it as it was.
TEST_F(RealToolTest, Mp3RowOverASoundThatIsThereAsksFirstAndNoKeepsIt)
{
    ASSERT_TRUE(Start()) << DriverError();
    ASSERT_NO_FATAL_FAILURE(ChooseFfmpeg());
    ASSERT_NO_FATAL_FAILURE(PasteAndWaitForName(Page(DASH_PAGE), L"Merged.mp4"));
    const std::string mine = "somebody's own sound";
    ASSERT_TRUE(WriteWide("Song.m4a", mine));
    ASSERT_NO_FATAL_FAILURE(ChooseMp3("Song"));
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    EXPECT_EQ("Song.m4a already exists. Replace it?", AnswerBox(&run, "Vidmora", IDNO));
    EXPECT_TRUE(WaitUntil([&] { return Text(IDC_START) == "Start Download" && IsControlEnabled(&run, IDC_PASTE); }));
    EXPECT_EQ(2u, Runs().size()) << "the download ran";
    std::string bytes;
    EXPECT_TRUE(ReadWideFile(Wide(folder + "Song.m4a"), &bytes));
    EXPECT_EQ(mine, bytes);
    EXPECT_EQ("Song.m4a\n", FolderFiles());
}

// A page that gives its media only to a request carrying its cookie: refused, with what to do,
// until the person signs in with a cookies file; then probed and downloaded, the cookie sent
// from each run's own copy, and the kept copy whole also after a run that was stopped.
TEST_F(RealToolTest, SignedInWithACookiesFileTheSiteGivesItsMedia)
{
    const std::string page = Page("/media/Gate.mp4?needcookie=session=s3cret", 150000);
    ASSERT_TRUE(Start()) << DriverError();
    ASSERT_TRUE(SetClipboardText(page.c_str())) << DriverError();
    ASSERT_TRUE(PostClick(&run, IDC_PASTE)) << DriverError();
    std::string told = AnswerBox(&run, "Alert");
    EXPECT_NE(std::string::npos, told.find("HTTP Error 403")) << told;
    EXPECT_NE(std::string::npos, told.find("The site refused the download: sign in from the window menu")) << told;

    const std::string exported = Temp("exported cookies.txt");
    const std::string cookies = "# Netscape HTTP Cookie File\n127.0.0.1\tFALSE\t/\tFALSE\t0\tsession\ts3cret\n";
    ASSERT_TRUE(WriteWholeFile(exported.c_str(), cookies.data(), cookies.size()));
    EXPECT_EQ("Vidmora: Signed in: cookies file (1 cookie)", ChooseCookiesFile(exported));
    DeleteFileA((state + "http.log").c_str());
    ASSERT_NO_FATAL_FAILURE(PasteAndWaitForName(page, L"Gate.mp4"));
    const std::string kept = std::string(run.tempDir) + "\\local\\Vidmora\\cookies.txt";
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    ASSERT_TRUE(WaitUntil([&] { return FileSize((folder + "Gate.mp4.part").c_str()) > 0; })) << FolderFiles();
    ASSERT_NO_FATAL_FAILURE(StopAndWaitForTheToolGone());
    std::string keptText;
    ASSERT_TRUE(ReadWholeFile(kept.c_str(), &keptText));
    CookieCheck check = CheckCookieText(keptText.data(), keptText.size());
    EXPECT_EQ(COOKIES_FINE, check.verdict) << "the stopped run harmed the kept copy";
    EXPECT_EQ(1, check.cookies);

    ASSERT_NO_FATAL_FAILURE(PressStartAndWaitForDone());
    EXPECT_TRUE(SameBytes("Gate.mp4", "progressive.mp4"));
    EXPECT_NE(std::string::npos, Log("http.log").find("/media/Gate.mp4?needcookie=session=s3cret range=- cookie=session\n"))
        << Log("http.log");
    EXPECT_EQ(std::string::npos, Log("http.log").find("cookie=-")) << "a request went without the cookie";
    const std::string copy = RunFolder(&run) + "\\cookies-download.txt";
    const ArgList last = Runs().back();
    EXPECT_NE(last.end(), std::find(last.begin(), last.end(), copy)) << JoinArgs(last);
    EXPECT_FALSE(FileExists(copy.c_str())) << "the run's copy is left";
}

// The server's feed of three, as the tool names its entries: the second title's ": \" ?" become
// the full-width "：＂？" in a Windows file name.
const std::string LIST_ENTRIES[] = {"01 - Relay entry 1.mp4",
                                    "02 - Relay entry 2\xEF\xBC\x9A \xEF\xBC\x82what\xEF\xBC\x9F\xEF\xBC\x82.mp4",
                                    "03 - Relay entry 3.mp4"};

class RealListTest : public RealToolTest {
protected:
    // Pastes the feed and chooses the whole list into this test's folder; as MP3 (the feed's
    // DASH entries, ffmpeg chosen) after the DASH rows and their MP3 row.
    void ChooseWholeList(const std::string &path, int rate = 0, const std::string &into = "", bool mp3 = false)
    {
        const std::string chosen = into.empty() ? folder : into;
        ASSERT_TRUE(Start()) << DriverError();
        if (mp3) {
            ASSERT_NO_FATAL_FAILURE(ChooseFfmpeg());
        }
        ASSERT_NO_FATAL_FAILURE(PasteAndWaitForName(Page(path, rate), L"Relay entry 1.mp4"));
        ASSERT_TRUE(WaitUntil([&] { return Text(IDC_FORMAT_INFO).find("\nIn a list of 3 videos") != std::string::npos; }))
            << Text(IDC_FORMAT_INFO);
        ASSERT_NO_FATAL_FAILURE(mp3 ? TakeFilter(5, "All 3 videos~sound only as MP3", chosen + "any.mp3")
                                    : TakeFilter(1, "All 3 videos of the list~best picture with sound", chosen + "any.mp4"));
        ASSERT_TRUE(WaitControlText(&run, IDC_DEST_EDIT, chosen.c_str())) << DriverError();
    }

    bool ArchiveGone() { return !FileExists((RunFolder(&run) + "\\list-archive.txt").c_str()); }
};

// Each entry in a file of its own, named by the tool, the archive gone at the end; a failing
// entry is told with how many were downloaded.
TEST_F(RealListTest, WholeListGivesAFileAnEntry)
{
    const std::string *entries = LIST_ENTRIES;
    const struct {
        const char *fail;
        const char *told;  // the message's start; "" for "Done"
        std::vector<int> downloaded;
    } cases[] = {
        {"", "", {0, 1, 2}},
        {"2", "2 of 3 videos of the list were downloaded; 1 failed.\n\nERROR: ", {0, 2}},
        // The list is read well, then every entry starts and none finishes.
        {"all", "None of the 3 videos of the list was downloaded.\n\nERROR: ", {}},
    };
    const std::string failEntries = state + "fail-entries";
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string("failing: ") + c.fail);
        bool all = strcmp(c.fail, "all") == 0;
        ASSERT_NO_FATAL_FAILURE(ChooseWholeList(std::string("/list/feed.xml?list=relay") + (c.fail[0] && !all ? "&fail=" : "") +
                                                (all ? "" : c.fail)));
        if (all) {
            ASSERT_TRUE(WriteWholeFile(failEntries.c_str(), "", 0));
        }
        ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
        if (c.told[0]) {
            std::string told = AnswerBox(&run, "Alert");
            EXPECT_EQ(0u, told.find(c.told)) << told;
            EXPECT_NE(std::string::npos, told.find("HTTP Error 404")) << told;
        } else {
            ASSERT_TRUE(WaitControlText(&run, IDC_STATUS, DONE_STATUS)) << DriverError() << OpenBoxes();
        }
        std::string expected;
        for (int k : c.downloaded) {
            expected += entries[k] + "\n";
            EXPECT_TRUE(SameBytes(entries[k], "progressive.mp4"));
        }
        EXPECT_EQ(expected, FolderFiles());
        DeleteFileA(failEntries.c_str());
        EXPECT_TRUE(ArchiveGone()) << "the archive goes when the list ends";
        ASSERT_NO_FATAL_FAILURE(CloseAndWaitForExit());
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

// Stop in the second entry keeps the finished first and leaves nothing of the second: not its
// download, nor, for the list as MP3, its sound and the MP3 ffmpeg was writing from it.
TEST_F(RealListTest, StoppedInTheSecondEntryKeepsOnlyTheFirst)
{
    const std::string slow = state + "slow-mp3";
    const std::string secondMp3 = LIST_ENTRIES[1].substr(0, LIST_ENTRIES[1].size() - 3) + "mp3";
    const struct {
        bool mp3;
        const char *kept;
    } cases[] = {{false, "01 - Relay entry 1.mp4"}, {true, "01 - Relay entry 1.mp3"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.kept);
        ASSERT_NO_FATAL_FAILURE(ChooseWholeList(std::string("/list/feed.xml?list=relay") + (c.mp3 ? "&dash=1" : ""),
                                                100000, "", c.mp3));
        ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
        ASSERT_TRUE(WaitUntil([&] { return FolderFiles().find("02 - ") != std::string::npos; })) << FolderFiles();
        if (c.mp3) {
            ASSERT_TRUE(WriteWholeFile(slow.c_str(), "", 0));
            ASSERT_TRUE(WaitUntil([&] { return WideBegun(secondMp3); })) << FolderFiles();
        }
        ASSERT_NO_FATAL_FAILURE(StopAndWaitForTheToolGone());
        DeleteFileA(slow.c_str());
        EXPECT_EQ(std::string(c.kept) + "\n", FolderFiles());
        EXPECT_TRUE(ArchiveGone());
        ASSERT_NO_FATAL_FAILURE(CloseAndWaitForExit());
        DeleteFileA((folder + c.kept).c_str());
    }
}

// A list's address started as one video: its first entry alone, read and downloaded, "Done".
TEST_F(RealListTest, ListAddressStartedAsOneVideoTakesItsFirstEntryAlone)
{
    ASSERT_TRUE(Start()) << DriverError();
    ASSERT_NO_FATAL_FAILURE(PasteAndWaitForName(Page("/list/feed.xml?list=relay"), L"Relay entry 1.mp4"));
    ASSERT_NO_FATAL_FAILURE(PressStartAndWaitForDone());
    EXPECT_EQ("Relay entry 1.mp4\n", FolderFiles());
    EXPECT_TRUE(SameBytes("Relay entry 1.mp4", "progressive.mp4"));
    const std::string requests = Log("http.log");
    EXPECT_EQ(std::string::npos, requests.find("entry2")) << requests;
    EXPECT_EQ(std::string::npos, requests.find("entry3")) << requests;
}

// A list interrupted by closing the window leaves its archive; the next list, into another
// folder, is recorded anew and skips none of its entries.
TEST_F(RealListTest, AnArchiveLeftByAClosedListSkipsNothingOfTheNext)
{
    ASSERT_NO_FATAL_FAILURE(ChooseWholeList("/list/feed.xml?list=relay", 400000));
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    ASSERT_TRUE(WaitUntil([&] { return WideExists(LIST_ENTRIES[1] + ".part"); })) << FolderFiles();
    ASSERT_TRUE(CloseApp(&run)) << DriverError();
    EXPECT_EQ("Program is in progress! Do you want to exit right now?", AnswerBox(&run, "Vidmora", IDYES));
    ASSERT_TRUE(WaitExit(&run, E2E_WAIT_MS, NULL)) << DriverError();
    ASSERT_FALSE(ArchiveGone()) << "the interrupted list keeps its archive";
    const std::string other = Temp("other") + "\\";
    ASSERT_TRUE(CreateDirectoryA(other.c_str(), NULL));
    ASSERT_NO_FATAL_FAILURE(ChooseWholeList("/list/feed.xml?list=relay", 0, other));
    ASSERT_NO_FATAL_FAILURE(PressStartAndWaitForDone());
    EXPECT_EQ(LIST_ENTRIES[0] + "\n" + LIST_ENTRIES[1] + "\n" + LIST_ENTRIES[2] + "\n", FilesIn(other));
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
