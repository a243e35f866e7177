// Unit tests of the stand-in's youtube-dl and yt-dlp styles: the new page keys, the
// output template, the format tables and the progress titles.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

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

}  // namespace
