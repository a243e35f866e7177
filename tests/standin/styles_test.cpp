// Unit tests of the stand-in's youtube-dl and yt-dlp styles: the new page keys, the
// output template, the format tables and the progress titles.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "tests/standin/jsruntime.h"
#include "tests/standin/merge.h"
#include "tests/standin/page.h"
#include "tests/standin/table.h"
#include "tests/standin/titles.h"

namespace {

StandinPage parse(const std::string &address)
{
    StandinPage page;
    StandinParsePage(address.c_str(), &page);
    return page;
}

// A title in several scripts: "日本語 🎵 café «uni1»".
const char kTitle[] = "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e \xf0\x9f\x8e\xb5 caf\xc3\xa9 "
                      "\xc2\xabuni1\xc2\xbb";

std::vector<std::string> tableLines(const StandinPage &page)
{
    StandinTable table;
    std::vector<std::string> lines;
    if (!StandinTableBegin(&page, &table))
        return lines;
    char line[4096];
    for (int i = 0; i < table.lineCount; i++) {
        EXPECT_EQ(1, StandinTableLine(&table, i, line, sizeof line)) << i;
        lines.push_back(line);
    }
    return lines;
}

TEST(StylePage, NewKeys)
{
    struct Case {
        const char *query;
        int style, generic, box, onefile, hang;
        unsigned probeDelayMs;
        int exitCode;
    } cases[] = {
        {"", STANDIN_STYLE_2013, 0, 0, 0, 0, 0, 1},
        {"style=youtube-dl", STANDIN_STYLE_YOUTUBE_DL, 0, 0, 0, 0, 0, 1},
        {"style=yt-dlp&style=2013", STANDIN_STYLE_2013, 0, 0, 0, 0, 0, 1},
        {"style=yt-dlp&style=ytdlp", STANDIN_STYLE_YT_DLP, 0, 0, 0, 0, 0, 1},
        {"generic=1&box=1&onefile=1&hang=1", STANDIN_STYLE_2013, 1, 1, 1, 1, 0, 1},
        {"generic=yes&box=0&onefile=2&hang=", STANDIN_STYLE_2013, 0, 0, 0, 0, 0, 1},
        {"probedelay=2500&exit=7", STANDIN_STYLE_2013, 0, 0, 0, 0, 2500, 7},
        {"probedelay=99999999&exit=1000", STANDIN_STYLE_2013, 0, 0, 0, 0, 60000, 255},
        {"probedelay=-1&exit=x", STANDIN_STYLE_2013, 0, 0, 0, 0, 0, 1},
        {"exit=0", STANDIN_STYLE_2013, 0, 0, 0, 0, 0, 0},
    };
    for (const Case &c : cases) {
        StandinPage page = parse(std::string("http://standin.test/watch?") + c.query);
        EXPECT_EQ(c.style, page.style) << c.query;
        EXPECT_EQ(c.generic, page.generic) << c.query;
        EXPECT_EQ(c.box, page.box) << c.query;
        EXPECT_EQ(c.onefile, page.onefile) << c.query;
        EXPECT_EQ(c.hang, page.hang) << c.query;
        EXPECT_EQ(c.probeDelayMs, page.probeDelayMs) << c.query;
        EXPECT_EQ(c.exitCode, page.exitCode) << c.query;
    }
}

TEST(StylePage, GenericPageNeedsNoFormatsAndNamesItsType)
{
    char buf[128];
    StandinPage page = parse("http://h/clip.mp4?generic=1&formats=");
    EXPECT_TRUE(StandinPageError(&page, buf, sizeof buf) == NULL);
    EXPECT_STREQ("mp4", StandinGenericId(&page));
    EXPECT_EQ(0, page.https);
    page = parse("https://h/a.webm?generic=1&ext=webm");
    EXPECT_STREQ("webm", StandinGenericId(&page));
    EXPECT_EQ(1, page.https);
}

TEST(StylePage, ExtensionsOfTodaysCodesOnlyOutsideThe2013Style)
{
    StandinPage old = parse("x");
    StandinPage now = parse("x?style=yt-dlp");
    EXPECT_STREQ("mp4", StandinFormatExt(&old, 251));
    EXPECT_STREQ("webm", StandinFormatExt(&now, 251));
    EXPECT_STREQ("m4a", StandinFormatExt(&now, 139));
    EXPECT_STREQ("mp4", StandinFormatExt(&now, 99999));
}

TEST(StyleTemplate, FieldsPercentSignsAndErrors)
{
    const int OLD = STANDIN_STYLE_2013, YDL = STANDIN_STYLE_YOUTUBE_DL,
              YTD = STANDIN_STYLE_YT_DLP;
    const int LONE = STANDIN_TEMPLATE_LONE_PERCENT, OPEN = STANDIN_TEMPLATE_OPEN_FIELD;
    struct Case {
        int style;
        const char *tmpl;
        int result;
        const char *expected;  // on success
        size_t errorAt;        // on an error
    } cases[] = {
        {OLD, "%(title)s.%(ext)s", 1, "T.mp4", 0},
        {YDL, "%(id)s-%(title)s.%(ext)s", 1, "abc-T.mp4", 0},
        {YTD, "100%% Fun.%(ext)s", 1, "100% Fun.mp4", 0},
        {OLD, "100%% Fun.%(ext)s", 1, "100% Fun.mp4", 0},
        {OLD, "100% Fun.mp4", LONE, NULL, 3},
        {YDL, "100% Fun.mp4", LONE, NULL, 3},
        {YDL, "a%%b%", LONE, NULL, 4},
        {YTD, "100% Fun.%(ext)s", 1, "100% Fun.mp4", 0},
        {YTD, "%", 1, "%", 0},
        {OLD, "%(foo)s.%(ext)s", 1, "%(foo)s.mp4", 0},
        {YDL, "%(foo)s.%(ext)s", 1, "NA.mp4", 0},
        {YTD, "%(uploader)s.%(ext)s", 1, "NA.mp4", 0},
        {YTD, "x%(title", OPEN, NULL, 1},
        {OLD, "%(title", OPEN, NULL, 0},
    };
    for (const Case &c : cases) {
        char out[128];
        size_t at = 999;
        int result = StandinExpandStyledTemplate(c.tmpl, c.style, "T", "mp4", "abc", out,
                                                 sizeof out, &at);
        ASSERT_EQ(c.result, result) << c.style << " " << c.tmpl;
        if (result == 1)
            EXPECT_STREQ(c.expected, out) << c.tmpl;
        else
            EXPECT_EQ(c.errorAt, at) << c.tmpl;
    }
}

// %(playlist_index) is named only by a whole list's download, which is not imitated: today's
// styles refuse it wherever it stands, the 2013 style leaves it as written.
TEST(StyleTemplate, PlaylistIndexIsNotImitated)
{
    const int styles[] = {STANDIN_STYLE_YOUTUBE_DL, STANDIN_STYLE_YT_DLP};
    const struct {
        const char *tmpl;
        size_t at;
    } cases[] = {{"C:\\f\\%(playlist_index)02d - %(title)s.%(ext)s", 5},
                 {"%(title)s %(playlist_index)s", 10}};
    for (int style : styles) {
        for (const auto &c : cases) {
            char out[64];
            size_t at = 999;
            EXPECT_EQ(STANDIN_TEMPLATE_NOT_IMITATED,
                      StandinExpandStyledTemplate(c.tmpl, style, "T", "mp4", "abc", out,
                                                  sizeof out, &at))
                << style << " " << c.tmpl;
            EXPECT_EQ(c.at, at) << c.tmpl;
        }
    }
    char out[64];
    ASSERT_EQ(1, StandinExpandStyledTemplate("%(playlist_index)s", STANDIN_STYLE_2013, "T", "mp4",
                                             "abc", out, sizeof out, NULL));
    EXPECT_STREQ("%(playlist_index)s", out);
}

TEST(StyleNames, YtDlpWritesLookAlikesForForbiddenCharacters)
{
    struct Case {
        char c;
        unsigned wide;
    } cases[] = {
        {'"', 0xFF02}, {'*', 0xFF0A}, {':', 0xFF1A}, {'<', 0xFF1C},  {'>', 0xFF1E},
        {'?', 0xFF1F}, {'|', 0xFF5C}, {'/', 0x29F8}, {'\\', 0x29F9}, {'a', 0},
        {'#', 0},      {'%', 0},      {'\'', 0},     {'\0', 0},      {'\x80', 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.wide, StandinFullWidth(c.c)) << (int)c.c;
}

TEST(StyleNames, YtDlpSanitizesFields)
{
    struct Case {
        const char *title;
        const char *name;
    } cases[] = {
        {"a\"b*c:d<e>f?g|h/i\\j",
         "a\xef\xbc\x82" "b\xef\xbc\x8a" "c\xef\xbc\x9a" "d\xef\xbc\x9c" "e\xef\xbc\x9e"
         "f\xef\xbc\x9fg\xef\xbd\x9ch\xe2\xa7\xb8i\xe2\xa7\xb9j"},
        {"Live 10:30:15 at 9:x", "Live 10_30_15 at 9\xef\xbc\x9ax"},  // times keep '_'
        {":30 1:", "\xef\xbc\x9a" "30 1\xef\xbc\x9a"},
        {"a\nb", "a b"},
        {"a\n\r\n\nb\t\x7f", "a b"},     // line ends in a row count once
        {"x\n_\ny", "x _ y"},
        {"\n - Title -_\n", "Title"},  // a line end at an edge takes its neighbours
        {" x \n", " x"},
        {" \nx", "  x"},
        {"-_ x _", "-_ x _"},          // without a line end nothing is stripped
        {"10:30\n", "10_30"},
        {"", ""},  // only what sanitizing empties becomes "_"
        {"\n-\n", "_"},
        {"\x01\x1f", "_"},
        {kTitle, kTitle},
    };
    for (const Case &c : cases) {
        char out[256];
        EXPECT_EQ(1, StandinSanitizeYtDlp(c.title, out, sizeof out)) << c.title;
        EXPECT_STREQ(c.name, out) << c.title;
    }
}

TEST(StyleNames, YtDlpSanitizingIsBoundedAndKeepsCharactersWhole)
{
    struct Case {
        const char *title;
        size_t outSize;
        const char *expected;
    } cases[] = {
        {"a?b", 4, "a"},
        {"a?b", 5, "a\xef\xbc\x9f"},
        {"x\xc3\xa9", 3, "x"},
        {"abc", 1, ""},
    };
    for (const Case &c : cases) {
        char out[8];
        EXPECT_EQ(0, StandinSanitizeYtDlp(c.title, out, c.outSize)) << c.title;
        EXPECT_STREQ(c.expected, out) << c.title;
    }
}

TEST(StyleTable, YoutubeDlListsWorstFirstAndMarksTheBest)
{
    // youtube-dl's layout: padded columns, the note unpadded, "(best)" on the last row.
    std::vector<std::string> expected = {
        "format code  extension  resolution note",
        "139          m4a        audio only DASH audio   49k , m4a_dash container, aac  @ 48k, 3.81MiB",
        "160          mp4        256x144    DASH video  110k , h264, video only, 3.81MiB",
        "18           mp4        640x360     500k , h264, aac  @ 96k, 3.81MiB",
        "137          mp4        1920x1080  DASH video 3000k , h264, video only, 3.81MiB",
        "22           mp4        1280x720   1500k , h264, aac  @192k, 3.81MiB (best)",
    };
    EXPECT_EQ(expected, tableLines(parse("x?style=youtube-dl&size=4000000&formats=22,137,18,160,139")));
}

TEST(StyleTable, YtDlpMatchesTheRealToolsLayout)
{
    // What yt-dlp 2023.03.04 printed for the same formats (tests/realtool/listformats.py).
    std::vector<std::string> expected = {
        "ID  EXT   RESOLUTION FPS | FILESIZE   TBR PROTO | VCODEC     ACODEC      ABR MORE INFO",
        std::string(97, '-'),
        "sb0 mhtml 320x180      1 |                mhtml | images                     storyboard",
        "140 m4a   audio only     |  2.86MiB  130k https | audio only aac        128k DASH audio, m4a_dash",
        "160 mp4   256x144        |  2.86MiB  110k https | h264       video only      DASH video",
        "22  mp4   1280x720       |  2.86MiB 1500k https | h264       aac        192k",
    };
    EXPECT_EQ(expected, tableLines(parse("x?style=yt-dlp&size=3000000&formats=22,160,140")));

    // On a UTF-8 terminal: box-drawing separators and rule, same columns.
    std::vector<std::string> box = tableLines(parse("x?style=yt-dlp&box=1&size=3000000&formats=22,160,140"));
    ASSERT_EQ(expected.size(), box.size());
    std::string rule;
    for (int i = 0; i < 97; i++)
        rule += "\xe2\x94\x80";
    EXPECT_EQ(rule, box[1]);
    EXPECT_EQ("22  mp4   1280x720       \xe2\x94\x82  2.86MiB 1500k https \xe2\x94\x82 h264       aac        192k",
              box[5]);
}

TEST(StyleTable, DirectLinkHasOneNonNumericFormat)
{
    std::vector<std::string> ytDlp = {
        "ID  EXT RESOLUTION | PROTO | VCODEC  ACODEC",
        "--------------------------------------------",
        "mp4 mp4 unknown    | http  | unknown unknown",
    };
    EXPECT_EQ(ytDlp, tableLines(parse("http://127.0.0.1/clip.mp4?style=yt-dlp&generic=1")));
    std::vector<std::string> youtubeDl = {
        "format code  extension  resolution note",
        "webm         webm       unknown    ",
    };
    EXPECT_EQ(youtubeDl, tableLines(parse("https://h/c.webm?style=youtube-dl&generic=1&ext=webm")));
    EXPECT_EQ("webm webm unknown    | https | unknown unknown",
              tableLines(parse("https://h/c.webm?style=yt-dlp&generic=1&ext=webm"))[2]);
}

TEST(StyleTable, LinesRepeatTheFormatsBeyondTwentyFour)
{
    StandinPage page = parse("x?style=yt-dlp&formats=22,18,140&lines=30");
    StandinTable table;
    ASSERT_EQ(1, StandinTableBegin(&page, &table));
    EXPECT_EQ(2 + 1 + 30, table.lineCount);  // header, rule, storyboard, 30 rows
    // The list 22,18,140 repeated to 30 entries, printed from the last one back.
    const int expectFirst[] = {140, 18, 22, 140, 18};
    for (int i = 0; i < 5; i++)
        EXPECT_EQ(expectFirst[i], StandinTableRowCode(&page, i)) << i;
    EXPECT_EQ(22, StandinTableRowCode(&page, 29));
    EXPECT_EQ(0, StandinTableRowCode(&page, 30));

    page = parse("x?formats=22,18");
    EXPECT_EQ(0, StandinTableBegin(&page, &table));  // the 2013 style has its own list
}

TEST(StyleBytes, ToolsFormatBytes)
{
    struct Case {
        double bytes;
        const char *text;
    } cases[] = {
        {0, "0.00B"},           {1023, "1023.00B"},       {1024, "1.00KiB"},
        {262144, "256.00KiB"},  {3000000, "2.86MiB"},     {1048575, "1024.00KiB"},
        {1073741824.0, "1.00GiB"}, {1044480, "1020.00KiB"},
    };
    for (const Case &c : cases) {
        char out[32];
        EXPECT_EQ(1, StandinToolBytes(c.bytes, out, sizeof out));
        EXPECT_STREQ(c.text, out) << c.bytes;
    }
}

TEST(StyleTitles, ProgressFinishedAndPostProcessor)
{
    const int YDL = STANDIN_STYLE_YOUTUBE_DL, YTD = STANDIN_STYLE_YT_DLP;
    StandinPage page = parse("x?size=3000000&step=104448&delay=100");  // 1020.00KiB/s
    StandinPage slow = parse("x?size=10000000&step=1000&delay=1000");  // 1000 B/s
    struct Case {
        int style;
        const StandinPage *page;
        long long done;      // < 0: the finished message with elapsed ms = -done - 1
        int rateKnown;
        const char *title;
    } cases[] = {
        {YTD, &page, 128000, 1, "yt-dlp   4.3% of    2.86MiB at 1020.00KiB/s ETA 00:02"},
        {YDL, &page, 128000, 1, "youtube-dl   4.3% of 2.86MiB at 1020.00KiB/s ETA 00:02"},
        {YTD, &page, 12000, 0, "yt-dlp   0.4% of    2.86MiB at  Unknown B/s ETA Unknown"},
        {YDL, &page, 12000, 0, "youtube-dl   0.4% of 2.86MiB at Unknown speed ETA Unknown ETA"},
        {YTD, &page, 3000000, 1, "yt-dlp 100.0% of    2.86MiB at 1020.00KiB/s ETA 00:00"},
        {YTD, &slow, 0, 1, "yt-dlp   0.0% of    9.54MiB at   1000.00B/s ETA 02:46:40"},
        {YDL, &slow, 0, 1, "youtube-dl   0.0% of 9.54MiB at 1000.00B/s ETA 02:46:40"},
        {YTD, &page, -2501, 1, "yt-dlp 100% of    2.86MiB in 00:00:02 at 1.14MiB/s"},
        {YDL, &page, -2501, 1, "youtube-dl 100% of 2.86MiB in 00:02"},
        {YTD, &page, -1, 1, "yt-dlp 100% of    2.86MiB in 00:00:00"},
        {YTD, &page, 0, -1, "yt-dlp 100% of    2.86MiB"},  // already downloaded
        {YDL, &page, 0, -1, "youtube-dl 100% of 2.86MiB"},
    };
    for (const Case &c : cases) {
        char message[160], title[192];
        if (c.rateKnown < 0)
            StandinStyledFinished(c.style, c.page, -1, message, sizeof message);
        else if (c.done < 0)
            StandinStyledFinished(c.style, c.page, -c.done - 1, message, sizeof message);
        else
            StandinStyledProgress(c.style, c.page, (unsigned long long)c.done, c.rateKnown,
                                  message, sizeof message);
        EXPECT_EQ(1, StandinStyledTitle(c.style, message, title, sizeof title));
        EXPECT_STREQ(c.title, title);
    }
    EXPECT_STREQ("yt-dlp MoveFiles started", StandinPostTitle(YTD, 0));
    EXPECT_STREQ("yt-dlp MoveFiles finished", StandinPostTitle(YTD, 1));
    EXPECT_TRUE(StandinPostTitle(YTD, 2) == NULL);
    EXPECT_TRUE(StandinPostTitle(YDL, 0) == NULL);
}

TEST(StylePage, FailingPagesGiveTheToolsReasonAfterAWarning)
{
    struct Case {
        const char *query;
        const char *error;    // NULL: the page works
        const char *warning;  // NULL: the style prints none
    } cases[] = {
        {"v=gone&fail=1", "gone: This video is unavailable.", NULL},
        {"v=gone&fail=1&style=youtube-dl", "Video unavailable",
         "[youtube] Unable to decode n-parameter: download likely to be throttled"},
        {"v=gone&fail=1&style=yt-dlp", "[youtube] gone: Video unavailable",
         "[youtube] Falling back to generic n function search"},
        {"v=clip&generic=1&fail=1&style=yt-dlp", "clip: This video is unavailable.",
         "[generic] Falling back on generic information extractor"},
        {"generic=1&fail=1&style=youtube-dl", "standin: This video is unavailable.",
         "Falling back on generic information extractor."},
        {"formats=x&style=yt-dlp", "standin: no known formats available for video",
         "[youtube] Falling back to generic n function search"},
        {"style=youtube-dl", NULL,
         "[youtube] Unable to decode n-parameter: download likely to be throttled"},
    };
    for (const Case &c : cases) {
        StandinPage page = parse(std::string("http://standin.test/watch?") + c.query);
        char buf[128];
        const char *error = StandinPageError(&page, buf, sizeof buf);
        EXPECT_STREQ(c.error, error) << c.query;
        EXPECT_STREQ(c.warning, StandinPageWarning(&page)) << c.query;
    }
}

// ---- merging a picture-only and a sound-only format ----------------------------

TEST(StyleMerge, PageKeys)
{
    struct Case {
        const char *query;
        int mergeFail, stepGiven;
    } cases[] = {
        {"", 0, 0},
        {"mergefail=1&step=10", 1, 1},
        {"mergefail=yes&step=x", 0, 0},
        {"mergefail=1&mergefail=0", 0, 0},
    };
    for (const Case &c : cases) {
        StandinPage page = parse(std::string("x?") + c.query);
        EXPECT_EQ(c.mergeFail, page.mergeFail) << c.query;
        EXPECT_EQ(c.stepGiven, page.stepGiven) << c.query;
    }
}

TEST(StyleMerge, PicksFormatsAsYtDlpReadsTheFormatText)
{
    const char *program = "137+bestaudio[ext=m4a]/137+bestaudio";  // what Vidmora passes
    struct Case {
        const char *formats;
        const char *format;
        int count;  // 0: nothing fits
        int first, second;
    } cases[] = {
        {"137,248,18,140,251", program, 2, 137, 140},
        {"137,251,171,140", program, 2, 137, 140},  // the first m4a, not the first sound
        {"137,251", program, 2, 137, 251},          // the next alternative
        {"137,251,140", "137+bestaudio", 2, 137, 251},
        {"18,136,251,140", "bestvideo+bestaudio", 2, 136, 251},
        {"248,137,140", "bestvideo[ext=mp4]+140", 2, 137, 140},
        {"137,140", "140+137", 2, 140, 137},
        {"137,251", "137+bestaudio[ext=m4a]", 0, 0, 0},
        {"137,140", "248+140", 0, 0, 0},
        {"137,140", "99999+140", 0, 0, 0},
        {"137,140,251", "137+140+251", 0, 0, 0},
        {"137,140", "137+bestaudio[ext=m4a", 0, 0, 0},
        {"22,18", "137+140/22", 1, 22, 0},
        {"18,140", "18+140", 1, 18, 0},     // yt-dlp keeps one format with sound
        {"137,248", "137+248", 1, 137, 0},  // and one with pictures
        {"137,140", "best", 1, 137, 0},
    };
    for (const Case &c : cases) {
        StandinPage page = parse(std::string("x?style=yt-dlp&formats=") + c.formats);
        StandinMergePick pick = {0, {0, 0}};
        EXPECT_EQ(c.count > 0, StandinPickFormats(&page, c.format, &pick)) << c.format;
        if (c.count == 0)
            continue;
        EXPECT_EQ(c.count, pick.count) << c.format;
        EXPECT_EQ(c.first, pick.codes[0]) << c.format;
        EXPECT_EQ(c.second, pick.codes[1]) << c.format;
    }
}

// yt-dlp's default, "bestvideo*+bestaudio/best" with ffmpeg and "best/bestvideo+bestaudio"
// without, on pages that list their formats best first.
TEST(StyleMerge, DefaultFormatsFollowWhetherFfmpegCanMerge)
{
    struct Case {
        const char *formats;
        int canMerge;
        int count;  // 0: nothing fits
        int first, second;
    } cases[] = {
        {"137,248,18,140,251", 1, 2, 137, 140},
        {"137,248,18,140,251", 0, 1, 18, 0},
        {"22,137,140", 1, 1, 22, 0},  // the best with pictures has sound: it goes alone
        {"248,251,43", 1, 2, 248, 251},
        {"22,18", 1, 1, 22, 0},
        {"137,248", 1, 1, 137, 0},    // without sound anywhere, the best of all
        {"140,251", 0, 1, 140, 0},
        {"137,140", 0, 2, 137, 140},  // nothing has both: the merge, ffmpeg or not
        {"248,137,251", 0, 2, 248, 251},
        {"99999,140", 1, 1, 99999, 0},
    };
    for (const Case &c : cases) {
        StandinPage page = parse(std::string("x?style=yt-dlp&formats=") + c.formats);
        StandinMergePick pick = {0, {0, 0}};
        ASSERT_EQ(c.count > 0, StandinDefaultFormats(&page, c.canMerge, &pick)) << c.formats;
        EXPECT_EQ(c.count, pick.count) << c.formats << " " << c.canMerge;
        EXPECT_EQ(c.first, pick.codes[0]) << c.formats << " " << c.canMerge;
        EXPECT_EQ(c.second, pick.codes[1]) << c.formats << " " << c.canMerge;
    }
}

TEST(StyleMerge, OutputExtensionAndItsCheck)
{
    struct Case {
        int video, audio;
        const char *mergeFormat;
        const char *ext;
    } cases[] = {
        {137, 140, NULL, "mp4"},   {248, 251, NULL, "webm"}, {137, 251, NULL, "mkv"},
        {248, 140, NULL, "mkv"},   {399, 140, NULL, "mp4"},  {248, 171, NULL, "webm"},
        {137, 140, "mkv", "mkv"},  {248, 251, "mp4", "mp4"},  {701, 251, NULL, "webm"},
        {330, 140, NULL, "mkv"},   {616, 140, NULL, "mp4"},
    };
    StandinPage page = parse("x?style=yt-dlp");
    for (const Case &c : cases) {
        StandinMergePick pick = {2, {c.video, c.audio}};
        EXPECT_STREQ(c.ext, StandinMergeExt(&page, &pick, c.mergeFormat)) << c.video;
    }
    const char *valid[] = {"mp4", "mkv", "webm", "avi", "flv", "mov", "mp4/mkv"};
    const char *invalid[] = {"mp3", "", "MP4", "m4a", "ogg"};
    for (const char *v : valid)
        EXPECT_EQ(1, StandinMergeFormatValid(v)) << v;
    for (const char *v : invalid)
        EXPECT_EQ(0, StandinMergeFormatValid(v)) << v;
}

TEST(StyleMerge, FileNamesFromTheDestination)
{
    struct Case {
        const char *dest;
        int video, audio;
        const char *mergeExt;
        const char *final, *temp, *part0, *part1;
    } cases[] = {
        {"C:\\v\\Title.mp4", 137, 140, "mp4", "C:\\v\\Title.mp4", "C:\\v\\Title.temp.mp4",
         "C:\\v\\Title.f137.mp4", "C:\\v\\Title.f140.m4a"},
        // correct_ext keeps an extension that is not the merged one: Title.webm.mkv.
        {"C:\\v\\Title.webm", 248, 251, "mkv", "C:\\v\\Title.webm.mkv",
         "C:\\v\\Title.webm.temp.mkv", "C:\\v\\Title.webm.f248.webm",
         "C:\\v\\Title.webm.f251.webm"},
        {"C:\\v\\Title.mkv", 137, 140, "mkv", "C:\\v\\Title.mkv", "C:\\v\\Title.temp.mkv",
         "C:\\v\\Title.f137.mp4", "C:\\v\\Title.f140.m4a"},
        {"C:\\v.d\\.hidden", 137, 140, "mp4", "C:\\v.d\\.hidden.mp4",
         "C:\\v.d\\.hidden.temp.mp4", "C:\\v.d\\.hidden.f137.mp4", "C:\\v.d\\.hidden.f140.m4a"},
        {"C:/v/Clip.MP4", 140, 137, "mp4", "C:/v/Clip.MP4.mp4", "C:/v/Clip.MP4.temp.mp4",
         "C:/v/Clip.MP4.f140.m4a", "C:/v/Clip.MP4.f137.mp4"},
    };
    StandinPage page = parse("x?style=yt-dlp");
    for (const Case &c : cases) {
        StandinMergePick pick = {2, {c.video, c.audio}};
        StandinMergeNames names;
        ASSERT_EQ(1, StandinMergeFileNames(&page, &pick, c.dest, c.mergeExt, &names)) << c.dest;
        EXPECT_STREQ(c.final, names.final);
        EXPECT_STREQ(c.temp, names.temp);
        EXPECT_STREQ(c.part0, names.part[0]);
        EXPECT_STREQ(c.part1, names.part[1]);
    }
    StandinMergePick pick = {2, {137, 140}};
    StandinMergeNames names;
    std::string tooLong = "C:\\" + std::string(STANDIN_MERGE_PATH, 'x') + ".mp4";
    EXPECT_EQ(0, StandinMergeFileNames(&page, &pick, tooLong.c_str(), "mp4", &names));
}

std::vector<std::string> argList(const StandinArgList &list)
{
    return std::vector<std::string>(list.arg, list.arg + list.count);
}

TEST(StyleMerge, FfmpegArgumentsAndCommandLine)
{
    StandinPage page = parse("x?style=yt-dlp");
    StandinMergePick pick = {2, {137, 140}};
    StandinMergeNames names;
    ASSERT_EQ(1, StandinMergeFileNames(&page, &pick, "C:\\v w\\T.mp4", "mp4", &names));
    static StandinArgList list;
    ASSERT_EQ(1, StandinMergeArgs("C:\\ff\\ffmpeg.exe", &names, &pick, 0, &list));
    std::vector<std::string> expected = {
        "C:\\ff\\ffmpeg.exe", "-y", "-loglevel", "repeat+info", "-i", "file:C:\\v w\\T.f137.mp4",
        "-i", "file:C:\\v w\\T.f140.m4a", "-c", "copy", "-map", "0:v:0", "-map", "1:a:0",
        "-movflags", "+faststart", "file:C:\\v w\\T.temp.mp4"};
    EXPECT_EQ(expected, argList(list));
    char line[1024];
    ASSERT_EQ(1, StandinQuoteArgs(&list, line, sizeof line));
    EXPECT_STREQ("C:\\ff\\ffmpeg.exe -y -loglevel repeat+info -i \"file:C:\\v w\\T.f137.mp4\" "
                 "-i \"file:C:\\v w\\T.f140.m4a\" -c copy -map 0:v:0 -map 1:a:0 "
                 "-movflags +faststart \"file:C:\\v w\\T.temp.mp4\"", line);

    // Sound first, and the failing merge's extra map.
    StandinMergePick swapped = {2, {140, 137}};
    ASSERT_EQ(1, StandinMergeArgs("ffmpeg", &names, &swapped, 1, &list));
    std::vector<std::string> maps(list.arg + 10, list.arg + list.count - 3);
    EXPECT_EQ((std::vector<std::string>{"-map", "0:a:0", "-map", "1:v:0", "-map", "1:s:0"}), maps);
}

TEST(StyleMerge, QuotesAsPythonsList2cmdline)
{
    struct Case {
        const char *arg;
        const char *quoted;
    } cases[] = {
        {"plain", "plain"},           {"", "\"\""},
        {"a b", "\"a b\""},           {"tab\there", "\"tab\there\""},
        {"C:\\a b\\", "\"C:\\a b\\\\\""},  {"C:\\x\\", "C:\\x\\"},
        {"say \"hi\"", "\"say \\\"hi\\\"\""}, {"a\\\"b", "a\\\\\\\"b"},
    };
    for (const Case &c : cases) {
        StandinArgList list;
        list.count = 0;
        list.used = 0;
        list.ok = 1;
        standinAddArg(&list, "", "x");
        standinAddArg(&list, "", c.arg);
        char line[128];
        ASSERT_EQ(1, StandinQuoteArgs(&list, line, sizeof line)) << c.arg;
        EXPECT_EQ(std::string("x ") + c.quoted, line) << c.arg;
    }
}

TEST(StyleMerge, ProgramAndLastLineOfItsErrors)
{
    struct Place {
        const char *location;
        int folder;
        const char *program;
    } places[] = {
        {"C:\\ff\\ffmpeg.exe", 0, "C:\\ff\\ffmpeg.exe"}, {"C:\\ff", 1, "C:\\ff\\ffmpeg"},
        {"C:\\ff\\", 1, "C:\\ff\\ffmpeg"},               {"C:", 1, "C:ffmpeg"},
    };
    for (const Place &p : places) {
        char out[64];
        ASSERT_EQ(1, StandinFfmpegProgram(p.location, p.folder, out, sizeof out));
        EXPECT_STREQ(p.program, out);
    }
    struct Text {
        const char *text;
        const char *last;
    } texts[] = {
        {"a\nb\n", "b"},
        {"Stream map '1:s:0' matches no streams.\r\nTo ignore this, add a trailing '?' to the "
         "map.\r\n", "To ignore this, add a trailing '?' to the map."},
        {"frame=  1\rframe=  2\r", "frame=  2"},
        {"a\n  b \n\n", "  b"},
        {"  only  ", "only"},
        {"", ""},
        {"\n \r\n", ""},
    };
    for (const Text &t : texts) {
        char out[128];
        StandinLastLine(t.text, out, sizeof out);
        EXPECT_STREQ(t.last, out) << t.text;
    }
}

TEST(StyleTable, YtDlpListsPictureAndSoundOnlyRows)
{
    // What yt-dlp 2023.03.04 printed for the same formats (tests/realtool/listformats.py).
    std::vector<std::string> expected = {
        "ID  EXT   RESOLUTION FPS | FILESIZE   TBR PROTO | VCODEC     ACODEC      ABR MORE INFO",
        std::string(97, '-'),
        "sb0 mhtml 320x180      1 |                mhtml | images                     storyboard",
        "251 webm  audio only     |  2.86MiB  135k https | audio only opus       160k DASH audio",
        "140 m4a   audio only     |  2.86MiB  130k https | audio only aac        128k DASH audio, m4a_dash",
        "18  mp4   640x360        |  2.86MiB  500k https | h264       aac         96k",
        "248 webm  1920x1080      |  2.86MiB 2700k https | vp9        video only      DASH video",
        "137 mp4   1920x1080      |  2.86MiB 3000k https | h264       video only      DASH video",
    };
    EXPECT_EQ(expected, tableLines(parse("x?style=yt-dlp&size=3000000&formats=137,248,18,140,251")));

    // AV1 and VP9 HDR, AV1 8K and the premium HLS one: yt-dlp cuts codecs to four parts.
    std::vector<std::string> more = {
        "ID  EXT   RESOLUTION FPS | FILESIZE    TBR PROTO | VCODEC        ACODEC     MORE INFO",
        std::string(86, '-'),
        "sb0 mhtml 320x180      1 |                 mhtml | images                   storyboard",
        "400 mp4   2560x1440      |  2.86MiB  4500k https | av01.0.12M.08 video only DASH video",
        "337 webm  3840x2160   60 |  2.86MiB 30180k https | vp09.02.51.10 video only DASH video",
        "616 mp4   1920x1080      |  2.86MiB  5000k m3u8  | vp09.00.40.08 video only Premium",
        "702 mp4   7680x4320   60 |  2.86MiB 66040k https | av01.0.17M.10 video only DASH video",
    };
    EXPECT_EQ(more, tableLines(parse("x?style=yt-dlp&size=3000000&formats=702,616,337,400")));
    EXPECT_EQ("701          mp4        3840x2160  DASH video 31940k , av01.0.13M.10.0.110.09.16.09.0, "
              "60fps, video only, 2.86MiB",
              tableLines(parse("x?style=youtube-dl&size=3000000&formats=701"))[1]);
}

// yt-dlp's minimum versions (node 20 and deno 2.0 from 2025.11.12, node 22 and deno 2.3
// from 2026.06.09) compared as its version tuples, after detect_exe_version's reading.
TEST(StyleJsRuntime, SupportedVersionsFollowTheRelease)
{
    const int node = STANDIN_JS_NODE, deno = STANDIN_JS_DENO;
    const char *older = "2025.11.12", *newer = STANDIN_DEFAULT_VERSION;
    struct Case {
        const char *release;
        int kind;
        const char *output, *version;
        bool supported;
    } cases[] = {
        {newer, node, "v22.23.2\r\n", "22.23.2", true},
        {newer, node, "v22.0.0", "22.0.0", true},
        {newer, node, "v21.99.9", "21.99.9", false},
        {newer, node, "v22", "22", false},
        {newer, node, "v22.0.0-rc.1", "22.0.0-rc.1", true},
        {newer, node, "v100.0", "100.0", true},
        {older, node, "v20.0.0", "20.0.0", true},
        {older, node, "v19.9.9", "19.9.9", false},
        {"2026.06.08", node, "v21.7.3", "21.7.3", true},
        {"HANG", node, "v21.7.3", "21.7.3", false},
        {newer, deno, "deno 2.9.6 (stable, release, x86_64-pc-windows-msvc)\n", "2.9.6", true},
        {newer, deno, "deno 2.3.0", "2.3.0", true},
        {newer, deno, "deno 2.2.9", "2.2.9", false},
        {older, deno, "deno 2.0.0", "2.0.0", true},
        {older, deno, "deno 1.46.3", "1.46.3", false},
        {newer, node, "22.23.2", "unknown", false},
        {newer, node, " v22.23.2", "unknown", false},
        {newer, node, "v\n22", "unknown", false},
        {newer, deno, "Deno 2.9.6", "unknown", false},
        {newer, deno, "deno  2.9.6", "unknown", false},
        {newer, deno, "v22.23.2", "unknown", false},
        {newer, STANDIN_JS_QUICKJS, "QuickJS version 2025-04-26", "unknown", false},
    };
    for (const Case &c : cases) {
        char version[64];
        StandinJsVersion(c.kind, c.output, version, sizeof version);
        EXPECT_STREQ(c.version, version) << c.output;
        EXPECT_EQ(c.supported, StandinJsSupported(c.release, c.kind, version))
            << c.release << " " << c.output;
    }
}

// node.py's permission flags (stable from node 23.5.0) and deno.py's options.
TEST(StyleJsRuntime, ChallengeArguments)
{
    const char *old = "--experimental-permission --no-warnings=ExperimentalWarning -";
    struct Case {
        int kind;
        const char *version, *args;
    } cases[] = {
        {STANDIN_JS_NODE, "22.23.2", old}, {STANDIN_JS_NODE, "23.4.9", old},
        {STANDIN_JS_NODE, "23.5", old},    {STANDIN_JS_NODE, "23.5.0", "--permission -"},
        {STANDIN_JS_NODE, "24.0.0", "--permission -"},
        {STANDIN_JS_DENO, "2.9.6", "run --ext=js --no-code-cache --no-prompt --no-remote --no-lock "
                                   "--node-modules-dir=none --no-config --no-npm --cached-only -"},
    };
    for (const Case &c : cases) {
        const char *const *args;
        int count = StandinJsChallengeArgs(c.kind, c.version, &args);
        std::string joined;
        for (int i = 0; i < count; i++)
            joined += (i ? " " : "") + std::string(args[i]);
        EXPECT_EQ(c.args, joined) << c.version;
    }
}

// The dict yt-dlp builds from --no-js-runtimes and each --js-runtimes NAME[:PATH].
TEST(StyleJsRuntime, CommandLineEnablesRuntimes)
{
    struct Case {
        int cleared;
        std::vector<const char *> values;
        const char *enabled, *ignored;
    } cases[] = {
        {0, {}, "deno", ""},
        {1, {}, "", ""},
        {1, {"node:C:\\n\\node.exe"}, "node=C:\\n\\node.exe", ""},
        {0, {"node"}, "deno node", ""},
        {0, {"deno:D:\\d", "Node:", "NODE:E:\\x:y"}, "deno=D:\\d node=E:\\x:y", ""},
        {1, {"qjs", "C:\\x\\node.exe", "QuickJS", "qjs", "bun", "nodejs"}, "quickjs bun",
         "qjs, c, nodejs"},
        {1, {"", ":x"}, "", ""},
    };
    for (const Case &c : cases) {
        StandinJsList list;
        StandinJsResolve(c.cleared, c.values.data(), (int)c.values.size(), &list);
        std::string enabled;
        for (int kind = 0; kind < STANDIN_JS_KINDS; kind++)
            if (list.enabled[kind])
                enabled += std::string(enabled.empty() ? "" : " ") + StandinJsName(kind) +
                           (list.path[kind] && *list.path[kind] ? "=" : "") +
                           (list.path[kind] ? list.path[kind] : "");
        EXPECT_EQ(c.enabled, enabled);
        EXPECT_STREQ(c.ignored, list.ignored);
    }
    StandinJsList list;
    const char *empty[] = {"", ":x", "bun"};
    StandinJsResolve(1, empty, 3, &list);
    EXPECT_EQ(1, list.ignoredCount) << "an empty name is one unsupported name";
}

// The answers node printed for the script's steps on these ids.
TEST(StyleJsRuntime, ChallengeAnswerAsJavaScriptComputesIt)
{
    struct Case {
        const char *id, *reply;
    } cases[] = {
        {"standin", "{\"n\":\"6e2d7374616e64696e\",\"answer\":\"911779379\"}"},
        {"abc123", "{\"n\":\"6e2d616263313233\",\"answer\":\"432947373\"}"},
        {"d\"q\\\xc3\xa9", "{\"n\":\"6e2d6422715cc3a9\",\"answer\":\"460192492\"}"},
    };
    for (const Case &c : cases) {
        char reply[256];
        ASSERT_TRUE(StandinChallengeReply(c.id, reply, sizeof reply));
        EXPECT_STREQ(c.reply, reply);
        EXPECT_TRUE(StandinChallengeSolved(c.id, (std::string(" ") + c.reply + "\r\n").c_str()));
        EXPECT_FALSE(StandinChallengeSolved(c.id, (std::string(c.reply) + "x\n").c_str()));
        EXPECT_FALSE(StandinChallengeSolved(c.id, c.reply + 1));
    }
    EXPECT_FALSE(StandinChallengeSolved("standin", cases[1].reply));
    EXPECT_FALSE(StandinChallengeSolved("standin", ""));
    char script[2048];
    ASSERT_TRUE(StandinChallengeScript("ab", script, sizeof script));
    EXPECT_EQ(0, strncmp(script, "const c = [110, 45, 97, 98];\n", 29)) << script;
}

TEST(StyleJsRuntime, UnsolvedPageKeepsFormatsWithPictureAndSound)
{
    StandinPage page = parse("x?style=yt-dlp&formats=137,22,140,18,251,43,99999");
    StandinKeepMuxedFormats(&page);
    EXPECT_EQ((std::vector<int>{22, 18, 43, 99999}),
              std::vector<int>(page.formats, page.formats + page.formatCount));
}

}  // namespace
