// Merged downloads: the rows offered, the format argument, the bar across two parts, and
// the files Stop may remove.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "control/progress.h"
#include "formats/filterlist.h"
#include "toolbridge/cmdline.h"
#include "toolbridge/paths.h"
#include "toolbridge/probereaders.h"
#include "toolbridge/toolwords.h"

class MergeTest : public ::testing::Test {
protected:
    void SetUp() override { BuildCatalogue(catalogue, &count); }
    FormatInfo catalogue[FORMAT_CATALOGUE_SIZE];
    int count = 0;
};

TEST_F(MergeTest, PictureOnlyRowsAreOfferedWithSoundAndFirst)
{
    // 137: MP4 1080p picture only; 248: WebM 1080p picture only; 140: m4a sound only.
    AvailableFormat list[] = {{18, "mp4", 360, 640}, {137, "mp4", 1080, 1920}, {248, "webm", 1080, 1920},
                              {140, "m4a", 0, 0}};
    char *block = BuildFilterList(list, 4, catalogue, count, nullptr, true);
    std::string bytes(block, FilterListSize(block));
    free(block);
    std::string merged = std::string("MP4~1080p-H.264 with sound (merged)[1080x1920]") + '\0' + "*.mp4" + '\0' +
                         "MKV~1080p-VP9 with sound (merged)[1080x1920]" + '\0' + "*.mkv" + '\0';
    EXPECT_NE(std::string::npos, bytes.find(merged)) << "merged entries";

    char text[FORMAT_TEXT_SIZE];
    DescribeOffered(text, &list[2], catalogue, count, true);
    EXPECT_NE(nullptr, strstr(text, "File type:\tMKV\n")) << text;
    EXPECT_NE(nullptr, strstr(text, "A.encode:\tBest sound (merged)")) << text;
    DescribeOffered(text, &list[3], catalogue, count, true);
    EXPECT_EQ(nullptr, strstr(text, "merged")) << "sound alone is not merged: " << text;

    ASSERT_TRUE(PutBestMergedFirst(list, 4, catalogue, count));
    const int order[] = {137, 18, 248, 140};
    for (int i = 0; i < 4; i++) {
        int code = list[i].code;  // the record is packed: no reference into it
        EXPECT_EQ(order[i], code) << i;
    }
    AvailableFormat full[] = {{22, "mp4", 720, 1280}, {18, "mp4", 360, 640}};
    EXPECT_FALSE(PutBestMergedFirst(full, 2, catalogue, count));
}

TEST(MergeArguments, AskForPicturePlusTheBestSoundAndWhereFfmpegIs)
{
    char line[COMMAND_LINE_SIZE];
    const RunSurroundings surroundings = {OptionBit(OPTION_NO_PLUGIN_DIRS) | OptionBit(OPTION_NO_JS_RUNTIMES) |
                                              OptionBit(OPTION_IGNORE_CONFIG) | OptionBit(OPTION_NO_PLAYLIST),
                                          "C:\\U\\ffmpeg.exe", NULL, false, false, false, nullptr};
    const DownloadShape merged = {DOWNLOAD_MERGED, "mp4", nullptr};
    ASSERT_TRUE(BuildDownloadArguments(line, sizeof line, "C:\\V\\a.mp4", 137, "A", &surroundings, &merged));
    EXPECT_STREQ(" -o \"C:\\V\\a.mp4\" --format 137+bestaudio[ext=m4a]/137+bestaudio --merge-output-format mp4"
                 " --ffmpeg-location \"C:\\U\\ffmpeg.exe\" --playlist-items 1 --console-title -- \"A\"",
                 line);
    ASSERT_TRUE(BuildDownloadArguments(line, sizeof line, "C:\\V\\a.mp4", 22, "A", &surroundings));
    EXPECT_STREQ(" -o \"C:\\V\\a.mp4\" --format 22 --ffmpeg-location \"C:\\U\\ffmpeg.exe\" --playlist-items 1"
                 " --console-title -- \"A\"",
                 line);
}

TEST(MergedProgress, TheBarCrossesBothPartsOnceAndNeverGoesBack)
{
    MergeProgress merge = {};
    ProgressText progress = {};
    int width = -2;
    const char first[] = "[youtube] x: Downloading webpage\n[download] Destination: a.f137.mp4\n[download]  50";
    size_t used = ScanMergeOutput(&merge, first, strlen(first));
    EXPECT_EQ(strlen(first) - strlen("[download]  50"), used) << "an unfinished line waits";
    ASSERT_STREQ("SP:1.00MiB/s|>DL:50.0% Of 10.00MiB (1/2)<|ET:00:05",
                 ComposeMergedProgress(&progress, &merge, "yt-dlp  50.0% of 10.00MiB at 1.00MiB/s ETA 00:05",
                                       &width) ? progress.status : "");
    EXPECT_EQ(130, width);  // 45% of 290
    const char second[] = "[download] 100% of 10.00MiB\r\n[download] Destination: a.f140.m4a\n";
    ScanMergeOutput(&merge, second, strlen(second));
    ComposeMergedProgress(&progress, &merge, "yt-dlp   0.0% of 2.00MiB at 1.00MiB/s ETA 00:02", &width);
    EXPECT_EQ(261, width) << "the second part starts at 90%";
    EXPECT_NE(nullptr, strstr(progress.status, "(2/2)<|"));
    ComposeMergedProgress(&progress, &merge, "yt-dlp 100.0% of 2.00MiB at 1.00MiB/s ETA 00:00", &width);
    EXPECT_EQ(287, width);  // 99%
    const char merger[] = "[Merger] Merging formats into \"a.mp4\"\n";
    ScanMergeOutput(&merge, merger, strlen(merger));
    EXPECT_TRUE(merge.merging);
}

// Rows the catalogue does not know (YouTube's AV1 401, the premium HLS 616, a sound-only 599)
// are what the tool's table says: yt-dlp's "video only" and "audio only" columns.
TEST_F(MergeTest, RowsTheCatalogueDoesNotKnowAreWhatTheTableSays)
{
    const std::string table =
        "[info] Available formats for x:\n"
        "ID  EXT   RESOLUTION FPS | FILESIZE   TBR PROTO | VCODEC        ACODEC      ABR MORE INFO\n"
        "------------------------------------------------------------------------------------------\n"
        "599 m4a   audio only     |  2.86MiB   31k https | audio only    mp4a.40.5   31k DASH audio\n"
        "18  mp4   640x360     30 |  2.86MiB  500k https | avc1.42001E   mp4a.40.2   96k 360p\n"
        "616 mp4   1920x1080   30 |               m3u8 | vp09.00.40.08 video only      Premium\n"
        "401 mp4   3840x2160   30 |  2.86MiB 9000k https | av01.0.12M.08 video only      2160p\n";
    AvailableFormat list[MAX_AVAILABLE_FORMATS];
    int32_t listCount = 0;
    StreamKinds told;
    ParseFormatText(table.data(), table.size(), list, &listCount, &told);
    ASSERT_EQ(4, listCount);
    const int order[] = {18, 401, 616, 599};  // full, picture only best first, sound only
    for (int i = 0; i < 4; i++) {
        int code = list[i].code;
        EXPECT_EQ(order[i], code) << i;
    }
    EXPECT_EQ(STREAM_PICTURE_ONLY, KindOfRecord(&list[1], catalogue, count, &told));
    EXPECT_EQ(STREAM_SOUND_ONLY, KindOfRecord(&list[3], catalogue, count, &told));
    EXPECT_EQ(STREAM_FULL, KindOfRecord(&list[1], catalogue, count, nullptr)) << "nothing told: a full format";
    ASSERT_TRUE(PutBestMergedFirst(list, listCount, catalogue, count, &told));
    EXPECT_EQ(401, (int)list[0].code);

    for (bool merge : {true, false}) {
        char *block = BuildFilterList(list, listCount, catalogue, count, nullptr, merge, &told);
        std::string bytes(block, FilterListSize(block));
        free(block);
        std::string expected = merge ? std::string("MP4~Code 401 with sound (merged)[2160x3840]") + '\0' + "*.mp4"
                                     : std::string("MP4~Code 401[2160x3840] no sound") + '\0' + "*.mp4";
        EXPECT_EQ(0u, bytes.find(expected)) << merge;
        EXPECT_NE(std::string::npos, bytes.find(std::string("M4A~Code 599 no picture") + '\0' + "*.m4a")) << merge;
    }
    char text[FORMAT_TEXT_SIZE];
    DescribeOffered(text, &list[0], catalogue, count, true, &told);
    EXPECT_STREQ("File type:\tMP4\nResolution:\t2160p\nFormat code:\t401\nA.encode:\tBest sound (merged)", text);
    DescribeOffered(text, &list[0], catalogue, count, false, &told);
    EXPECT_STREQ("File type:\tMP4\nResolution:\t2160p\nFormat code:\t401\nA.encode:\tnone (no sound)", text);
}

TEST(DownloadParts, OnlyFilesTheToolNamedBesideTheDestination)
{
    // What a download's output names, "[download] Destination: NAME" and "[download] NAME has
    // already been downloaded" (yt-dlp and youtube-dl alike), and nothing else.
    // A file found whole was there before, or done by an earlier run: only a run that wrote it
    // makes it the download's own.
    const struct {
        const char *line;
        const char *name;  // "" when the line names none
        NamedKind kind;
    } lines[] = {
        {"[download] Destination: C:\\V\\Clip.f137.mp4", "C:\\V\\Clip.f137.mp4", NAMED_WRITTEN},
        {"[download] C:\\V\\Clip.f140.m4a has already been downloaded", "C:\\V\\Clip.f140.m4a", NAMED_FOUND},
        {"[download]  45.3% of 12.34MiB at 1.02MiB/s ETA 00:07", "", NAMED_WRITTEN},
        {"[Merger] Merging formats into \"C:\\V\\Clip.mp4\"", "C:\\V\\Clip.mp4", NAMED_MERGED},
        {"[Merger] Merging formats into \"\"", "", NAMED_WRITTEN},
        {"[download] Destination: ", "", NAMED_WRITTEN},
        {"Destination: C:\\V\\Clip.mp4", "", NAMED_WRITTEN},
        {"[ExtractAudio] Destination: C:\\V\\Clip.mp3", "", NAMED_WRITTEN},
    };
    for (const auto &c : lines) {
        char name[64] = "";
        NamedKind kind = NAMED_WRITTEN;
        EXPECT_EQ(c.name[0] != '\0', NamedFileOf(c.line, strlen(c.line), name, sizeof name, &kind)) << c.line;
        EXPECT_STREQ(c.name, c.name[0] ? name : "") << c.line;
        EXPECT_EQ(c.kind, kind) << c.line;
    }
    // Of what it names, only files that begin like the destination, and never the destination.
    const struct {
        const char *destination;
        const char *name;
        bool part;
    } cases[] = {
        {"Clip.mp4", "Clip.f137.mp4", true},     {"Clip.mp4", "Clip.f140.m4a", true},
        {"Clip.mp4", "Clip.mp4", false},         {"Clip.mp4", "Clip 2.f137.mp4", false},
        {"Clip.mp4", "Other.f137.mp4", false},   {"Clip.mp4", "Clip.", false},
        {"Clip.mp4", "Clip.f1\\..\\x", false},   {"Clip.f137.mp4", "Clip.f137.f140.m4a", true},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.part, IsDownloadPart(c.destination, c.name)) << c.destination << " / " << c.name;
}

// What a fresh download would take as done: the destination and a merge's parts ("STEM.fCODE.EXT",
// yt-dlp's part names); where the tool names the file, any "STEM.EXT" too.
TEST(DownloadParts, FilesARunWouldTakeAsItsOwn)
{
    const struct {
        const char *name;
        bool fixedName, stemTemplate;
    } cases[] = {
        {"Song.mp3", true, true},          {"Song.m4a", false, true},        {"Song.webm", false, true},
        {"Song.f140.m4a", true, true},     {"Song.f251-drc.webm", true, true}, {"Song.fhls-1080p.mp4", true, true},
        {"Song.file.mp4", false, false},   {"Song.m4a.part", false, false},  {"Song.f140.m4a.part", false, false},
        {"Song 2.m4a", false, false},      {"Song", false, false},           {"Other.f140.m4a", false, false},
        {"Song.jpg", false, false},        {"Song.f2019.jpg", false, false}, {"Song.OPUS", false, true},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.fixedName, RunMayTake("Song.mp3", c.name, false)) << c.name;
        EXPECT_EQ(c.stemTemplate, RunMayTake("Song.mp3", c.name, true)) << c.name;
    }
}

// The end of a list, from what yt-dlp 2026.11.23 printed (feeds of three read by the real tool):
// entries count when they finish, not when they start.
TEST(ListTally, OnlyFinishedEntriesCount)
{
    const char *const item = "[download] Downloading item ";
    const std::string done = "[download] Destination: C:\\L\\0K - T.mp4\n[download]   5.0% of 1.00MiB\r"
                             "[download] 100% of 1018.99KiB in 00:00:00 at 174.52MiB/s \n";
    const std::string merged = "[download] Destination: C:\\L\\0K - T.f137.mp4\n[download] 100% of 1.00MiB\n"
                               "[download] Destination: C:\\L\\0K - T.f140.m4a\n[download] 100% of 190.28KiB\n"
                               "[Merger] Merging formats into \"C:\\L\\0K - T.mp4\"\n";
    const std::string failed = "[generic] entryK: Downloading webpage\n";
    const std::string start = "[download] Downloading playlist: Relay list\n[generic] Playlist Relay list: Downloading 3 items of 3\n";
    const struct {
        std::string output;
        int entries, finished;
    } cases[] = {
        {start + item + "1 of 3\n" + done + item + "2 of 3\n" + done + item + "3 of 3\n" + done, 3, 3},
        {start + item + "1 of 3\n" + done + item + "2 of 3\n" + failed + item + "3 of 3\n" + done, 3, 2},
        {start + item + "1 of 3\n" + failed + item + "2 of 3\n" + failed + item + "3 of 3\n" + failed, 3, 0},
        {start + item + "1 of 2\n" + merged + item + "2 of 2\n" + merged, 2, 2},
        {start + item + "1 of 2\n[download] 1 - T.mp4 has already been recorded in the archive\n" + item + "2 of 2\n" +
             "[download] C:\\L\\02 - T.mp4 has already been downloaded\n", 2, 2},
        {"[youtube:playlist] L: Downloading 2 videos\n[download] Downloading video 1 of 2\n" + done +
             "[download] Downloading video 2 of 2\n", 2, 1},
        {"[generic] feed: Downloading webpage\n", 0, 0},
    };
    for (const auto &c : cases) {
        ListTally tally = {-1, -1};
        TallyListOutput(c.output.data(), c.output.size(), &tally);
        EXPECT_EQ(c.entries, tally.entries) << c.output;
        EXPECT_EQ(c.finished, tally.finished) << c.output;
    }
}

TEST(ReplaceExtension, TheMergedContainerNamesTheFile)
{
    struct {
        const char *path;
        const char *extension;
        const char *result;
        bool changed;
    } cases[] = {
        {"C:\\V\\Clip.webm", "mkv", "C:\\V\\Clip.mkv", true},
        {"C:\\V\\Clip.mp4", "mp4", "C:\\V\\Clip.mp4", false},
        {"C:\\V.d\\Clip", "mp4", "C:\\V.d\\Clip.mp4", true},
    };
    for (const auto &c : cases) {
        char path[32];
        snprintf(path, sizeof path, "%s", c.path);
        EXPECT_EQ(c.changed, ReplaceExtension(path, sizeof path, c.extension)) << c.path;
        EXPECT_STREQ(c.result, path);
    }
}

// The best sound converted to MP3: one more row, never first, kept last in a full list.
TEST_F(MergeTest, TheBestSoundIsOfferedOnceMoreAsMp3)
{
    AvailableFormat list[MAX_AVAILABLE_FORMATS] = {{137, "mp4", 1080, 1920}, {18, "mp4", 360, 640},
                                                   {140, "m4a", 0, 0},       {251, "webm", 0, 0}};
    int32_t listCount = 4;
    ASSERT_TRUE(AddMp3Row(list, &listCount, catalogue, count));
    ASSERT_EQ(5, listCount);
    EXPECT_EQ(140, (int)list[4].code);
    EXPECT_FALSE(AddMp3Row(list, &listCount, catalogue, count)) << "one MP3 row";
    char text[FORMAT_TEXT_SIZE];
    DescribeOffered(text, &list[4], catalogue, count, true);
    EXPECT_STREQ("File type:\tMP3\nV.encode:\tnone (no picture)\nA.encode:\tMP3, converted from M4A 128k", text);
    char *block = BuildFilterList(list, listCount, catalogue, count, nullptr, true);
    std::string bytes(block, FilterListSize(block));
    free(block);
    EXPECT_NE(std::string::npos, bytes.find(std::string("MP3~sound only (converted from M4A 128k)") + '\0' + "*.mp3" +
                                            '\0' + '\0'));
    // The whole list after the rows, also as MP3.
    const ListOffer offer = {25, true};
    FilterEntries entries;
    block = BuildFilterList(list, listCount, catalogue, count, &entries, true, nullptr, &offer);
    bytes.assign(block, FilterListSize(block));
    free(block);
    const char listFilters[] = "All 25 videos of the list~best picture with sound\0*.*\0All 25 videos~sound only as MP3"
                               "\0*.mp3\0";
    EXPECT_EQ(bytes.size() - sizeof listFilters, bytes.find(std::string(listFilters, sizeof listFilters)));
    EXPECT_EQ(LIST_FILTER_BEST, RecordOfFilter(&entries, 6));
    EXPECT_EQ(LIST_FILTER_MP3, RecordOfFilter(&entries, 7));
    // A sound row only the table knows; a full list loses its last sound row to the MP3.
    StreamKinds told = {1, {599}, {STREAM_SOUND_ONLY}};
    AvailableFormat full[MAX_AVAILABLE_FORMATS];
    for (int i = 0; i < MAX_AVAILABLE_FORMATS; i++)
        full[i] = {i < 20 ? 137 : i == 20 ? 599 : 140, "m4a", 0, 0};
    listCount = MAX_AVAILABLE_FORMATS;
    ASSERT_TRUE(AddMp3Row(full, &listCount, catalogue, count, &told));
    EXPECT_EQ(MAX_AVAILABLE_FORMATS, listCount);
    EXPECT_EQ(599, (int)full[20].code);
    EXPECT_EQ(140, (int)full[22].code);
    EXPECT_TRUE(IsMp3Record(&full[23]) && full[23].code == 599);
    DescribeOffered(text, &full[23], catalogue, count, true, &told);
    EXPECT_NE(nullptr, strstr(text, "converted from code 599")) << text;
    AvailableFormat pictures[] = {{137, "mp4", 1080, 1920}, {18, "mp4", 360, 640}};
    listCount = 2;
    EXPECT_FALSE(AddMp3Row(pictures, &listCount, catalogue, count)) << "no sound, no MP3";
}

TEST(Mp3Progress, TheSoundFillsTheBarTo95PercentThenItIsConverted)
{
    MergeProgress merge = {};
    merge.shape = STAGES_MP3;
    ProgressText progress = {};
    int width = -2;
    const char lines[] = "[download] Destination: a.m4a\n";
    ScanMergeOutput(&merge, lines, strlen(lines));
    ASSERT_STREQ("SP:1.00MiB/s|>DL:100.0% Of 2.00MiB<|ET:00:00",
                 ComposeMergedProgress(&progress, &merge, "yt-dlp 100.0% of 2.00MiB at 1.00MiB/s ETA 00:00", &width)
                     ? progress.status : "");
    EXPECT_EQ(275, width);  // 95% of 290
    for (const char *line : {"[ExtractAudio] Destination: a.mp3\n", "[ffmpeg] Destination: a.mp3\n"}) {
        MergeProgress converting = merge;
        ScanMergeOutput(&converting, line, strlen(line));
        EXPECT_TRUE(converting.converting) << line;
        EXPECT_EQ(275, MergedFillWidth(&converting, 0)) << line;
    }
}

TEST(ListProgress, TheEntriesShareTheBarAndTheStatusNamesTheEntry)
{
    MergeProgress merge = {};
    merge.shape = STAGES_PLAIN;
    ProgressText progress = {};
    int width = -2;
    const char lines[] = "[download] Downloading item 3 of 4\n[download] Destination: C:\\V\\03 - c.mp4\n";
    ScanMergeOutput(&merge, lines, strlen(lines));
    ASSERT_STREQ("SP:1.00MiB/s|>DL:50.0% Of 2.00MiB (3/4)<|ET:00:01",
                 ComposeMergedProgress(&progress, &merge, "yt-dlp  50.0% of 2.00MiB at 1.00MiB/s ETA 00:01", &width)
                     ? progress.status : "");
    EXPECT_EQ(181, width);  // (2 + 0.5) / 4 of 290
    const char next[] = "[download] Downloading video 4 of 4\n";  // youtube-dl's words
    ScanMergeOutput(&merge, next, strlen(next));
    EXPECT_EQ(4, merge.entry);
    EXPECT_EQ(217, MergedFillWidth(&merge, 0));
    char first[TOOL_WORDS_SIZE];
    const char errors[] = "WARNING: a\nERROR: [youtube] L-2: Video unavailable\nERROR: [youtube] L-3: Private video\n";
    EXPECT_EQ(2, CountErrorLines(errors, strlen(errors), first, sizeof first));
    EXPECT_STREQ("ERROR: [youtube] L-2: Video unavailable", first);
}

