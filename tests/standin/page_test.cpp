// Unit tests of the stand-in's page logic: address parsing, file names, the
// format table, progress texts and the deterministic file bytes.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#if defined(_WIN32)
#include <windows.h>  // before textcode.h, which then offers its code-page encoder
#endif

#include "knows.h"
#include "page.h"
#include "textcode.h"
#include "version.h"

namespace {

StandinPage parse(const std::string &address)
{
    StandinPage page;
    StandinParsePage(address.c_str(), &page);
    return page;
}

std::string decode(const char *src, size_t dstSize = 256, int *fitted = NULL)
{
    char out[256];
    int ok = StandinPercentDecode(src, strlen(src), out, dstSize);
    if (fitted)
        *fitted = ok;
    return out;
}

std::string sanitize(const char *title)
{
    char out[4096];
    EXPECT_EQ(1, StandinSanitizeTitle(title, out, sizeof out));
    return out;
}

std::string sizeText(unsigned long long bytes)
{
    char out[64];
    EXPECT_EQ(1, StandinSizeText(bytes, out, sizeof out));
    return out;
}

std::string speedText(unsigned long long step, unsigned delayMs)
{
    char out[64];
    EXPECT_EQ(1, StandinSpeedText(step, delayMs, out, sizeof out));
    return out;
}

std::string formatLine(const StandinPage &page, int code)
{
    char out[128];
    EXPECT_EQ(1, StandinFormatLine(&page, code, out, sizeof out));
    return out;
}

std::string consoleTitle(const StandinPage &page, unsigned long long done)
{
    char out[256];
    EXPECT_EQ(1, StandinConsoleTitle(done, &page, out, sizeof out));
    return out;
}

std::string progressLine(const StandinPage &page, unsigned long long done)
{
    char out[256];
    EXPECT_EQ(1, StandinProgressLine(done, &page, out, sizeof out));
    return out;
}

// ---- percent-decoding ----------------------------------------------------------

TEST(PercentDecode, EscapesAndPlus)
{
    EXPECT_EQ("My Clip", decode("My%20Clip"));
    EXPECT_EQ("a b c", decode("a+b+c"));
    EXPECT_EQ("Ab", decode("%41%62"));
    EXPECT_EQ("\xc3\xa9t\xc3\xa9", decode("%c3%A9t%C3%a9"));
    EXPECT_EQ("1+1", decode("1%2B1"));
    EXPECT_EQ("a&b=c", decode("a%26b%3Dc"));
}

TEST(PercentDecode, MalformedEscapesStayLiteral)
{
    EXPECT_EQ("100%", decode("100%"));
    EXPECT_EQ("%4", decode("%4"));
    EXPECT_EQ("%zz!", decode("%zz!"));
    EXPECT_EQ("%g1", decode("%g1"));
    EXPECT_EQ("%%41", decode("%%2541"));
}

TEST(PercentDecode, DropsNulBytes)
{
    EXPECT_EQ("ab", decode("a%00b"));
}

TEST(PercentDecode, ReadsOnlySrcLen)
{
    char out[16];
    EXPECT_EQ(1, StandinPercentDecode("abc%41def", 3, out, sizeof out));
    EXPECT_STREQ("abc", out);
    // An escape cut by the length is not decoded from bytes past it.
    EXPECT_EQ(1, StandinPercentDecode("x%41", 3, out, sizeof out));
    EXPECT_STREQ("x%4", out);
}

TEST(PercentDecode, BoundedOutput)
{
    int fitted = -1;
    EXPECT_EQ("abc", decode("abcdef", 4, &fitted));
    EXPECT_EQ(0, fitted);
    EXPECT_EQ("abc", decode("abc", 4, &fitted));
    EXPECT_EQ(1, fitted);
    EXPECT_EQ("", decode("%41", 1, &fitted));
    EXPECT_EQ(0, fitted);
}

// ---- parsing pages -----------------------------------------------------------

TEST(ParsePage, NoQueryUsesDefaults)
{
    StandinPage page = parse("http://standin.test/watch");
    EXPECT_STREQ("standin", page.videoId);
    EXPECT_STREQ("Stand-in video standin", page.title);
    ASSERT_EQ(5, page.formatCount);
    const int expected[] = {22, 18, 43, 5, 17};
    for (int i = 0; i < 5; i++)
        EXPECT_EQ(expected[i], page.formats[i]) << i;
    EXPECT_EQ(262144ULL, page.size);
    EXPECT_EQ(13107ULL, page.step);  // 262144 / 20
    EXPECT_EQ(100u, page.delayMs);
    EXPECT_EQ(0, page.fail);
    EXPECT_STREQ("", page.ext);
    EXPECT_EQ(-1, page.lines);
}

TEST(ParsePage, EveryKey)
{
    StandinPage page = parse(
        "http://standin.test/watch?v=abc123&title=My%20Clip&formats=22,18,43&size=300000"
        "&step=10000&delay=50&fail=1&ext=matroska&lines=30");
    EXPECT_STREQ("abc123", page.videoId);
    EXPECT_STREQ("My Clip", page.title);
    ASSERT_EQ(3, page.formatCount);
    EXPECT_EQ(22, page.formats[0]);
    EXPECT_EQ(18, page.formats[1]);
    EXPECT_EQ(43, page.formats[2]);
    EXPECT_EQ(300000ULL, page.size);
    EXPECT_EQ(10000ULL, page.step);
    EXPECT_EQ(50u, page.delayMs);
    EXPECT_EQ(1, page.fail);
    EXPECT_STREQ("matroska", page.ext);
    EXPECT_EQ(30, page.lines);
}

TEST(ParsePage, DefaultTitleAndStepFollowOtherKeysInAnyOrder)
{
    StandinPage page = parse("x?size=1000&v=zz9");
    EXPECT_STREQ("Stand-in video zz9", page.title);
    EXPECT_EQ(50ULL, page.step);

    page = parse("x?title=First&v=later");
    EXPECT_STREQ("First", page.title);
    EXPECT_STREQ("later", page.videoId);

    page = parse("x?step=7&size=100");
    EXPECT_EQ(7ULL, page.step);
}

TEST(ParsePage, UnknownAndMalformedPairsAreIgnored)
{
    StandinPage page = parse("x?&&foo=bar&v&=3&size=12x&delay=-5&lines=many&v=ok&");
    EXPECT_STREQ("ok", page.videoId);
    EXPECT_EQ(262144ULL, page.size);
    EXPECT_EQ(100u, page.delayMs);
    EXPECT_EQ(-1, page.lines);
}

TEST(ParsePage, LastValueWins)
{
    StandinPage page = parse("x?size=10&size=20&fail=1&fail=0");
    EXPECT_EQ(20ULL, page.size);
    EXPECT_EQ(0, page.fail);
}

TEST(ParsePage, SplitsOnFirstQuestionMarkAndStopsAtFragment)
{
    StandinPage page = parse("http://h/w?v=a?b&title=t%3F");
    EXPECT_STREQ("a?b", page.videoId);
    EXPECT_STREQ("t?", page.title);

    page = parse("http://h/w?v=q#title=Hidden");
    EXPECT_STREQ("q", page.videoId);
    EXPECT_STREQ("Stand-in video q", page.title);
}

TEST(ParsePage, PlusMeansBlankInValues)
{
    StandinPage page = parse("x?title=A+B%2BC");
    EXPECT_STREQ("A B+C", page.title);
}

TEST(ParsePage, EmptyValues)
{
    StandinPage page = parse("x?v=&title=");
    EXPECT_STREQ("standin", page.videoId);
    EXPECT_STREQ("", page.title);
}

TEST(ParsePage, FailOnlyForOne)
{
    EXPECT_EQ(1, parse("x?fail=1").fail);
    EXPECT_EQ(0, parse("x?fail=0").fail);
    EXPECT_EQ(0, parse("x?fail=yes").fail);
    EXPECT_EQ(0, parse("x?fail=").fail);
}

TEST(ParsePage, FormatList)
{
    StandinPage page = parse("x?formats=22,,abc,18,%2043%20,0,-5,100000,140");
    ASSERT_EQ(4, page.formatCount);
    EXPECT_EQ(22, page.formats[0]);
    EXPECT_EQ(18, page.formats[1]);
    EXPECT_EQ(43, page.formats[2]);
    EXPECT_EQ(140, page.formats[3]);

    EXPECT_EQ(0, parse("x?formats=").formatCount);
    EXPECT_EQ(0, parse("x?formats=a,b").formatCount);
}

TEST(ParsePage, FormatListIsCapped)
{
    std::string list;
    for (int i = 1; i <= STANDIN_MAX_FORMATS + 8; i++)
        list += (i > 1 ? "," : "") + std::to_string(i);
    StandinPage page = parse("x?formats=" + list);
    ASSERT_EQ(STANDIN_MAX_FORMATS, page.formatCount);
    EXPECT_EQ(1, page.formats[0]);
    EXPECT_EQ(STANDIN_MAX_FORMATS, page.formats[STANDIN_MAX_FORMATS - 1]);
}

TEST(ParsePage, NumbersAreBounded)
{
    StandinPage page = parse("x?size=99999999999999999999999&delay=999999&lines=5000");
    EXPECT_EQ(1073741824ULL, page.size);
    EXPECT_EQ(60000u, page.delayMs);
    EXPECT_EQ(1000, page.lines);

    page = parse("x?size=0&delay=0&lines=0");
    EXPECT_EQ(1ULL, page.size);
    EXPECT_EQ(0u, page.delayMs);
    EXPECT_EQ(0, page.lines);
}

TEST(ParsePage, StepIsAtLeastOneAndAtMostSize)
{
    EXPECT_EQ(1ULL, parse("x?size=10").step);
    EXPECT_EQ(1ULL, parse("x?size=100&step=0").step);
    EXPECT_EQ(100ULL, parse("x?size=100&step=5000").step);
    EXPECT_EQ(5ULL, parse("x?size=100").step);
}

TEST(ParsePage, ExtensionKeepsLettersAndDigitsOnly)
{
    EXPECT_STREQ("abcd2", parse("x?ext=a.b%2Fc%5Cd%202").ext);
    EXPECT_STREQ("", parse("x?ext=...").ext);
    StandinPage page = parse("x?ext=" + std::string(100, 'e'));
    EXPECT_EQ((size_t)STANDIN_MAX_EXT, strlen(page.ext));
}

TEST(ParsePage, TitleIsCappedWithoutSplittingUtf8)
{
    StandinPage page = parse("x?title=" + std::string(1500, 'x'));
    EXPECT_EQ((size_t)STANDIN_MAX_TITLE, strlen(page.title));

    // 999 bytes plus a two-byte letter: the cut letter is dropped whole.
    page = parse("x?title=" + std::string(999, 'x') + "%C3%A9");
    EXPECT_EQ(std::string(999, 'x'), page.title);

    page = parse("x?title=" + std::string(998, 'x') + "%C3%A9");
    EXPECT_EQ(std::string(998, 'x') + "\xc3\xa9", page.title);
}

TEST(ParsePage, IdIsCapped)
{
    StandinPage page = parse("x?v=" + std::string(200, 'i'));
    EXPECT_EQ((size_t)STANDIN_MAX_ID, strlen(page.videoId));
}

// A page in a list: its entries are taken unless a video is named and --no-playlist given.
TEST(ParsePage, ListEntriesARunTakes)
{
    struct Case {
        const char *query;
        int noPlaylist;
        const char *items;  // --playlist-items
        const char *taken;  // the entries' ids, or "own" for the page's own video alone
    } cases[] = {
        {"v=a", 0, NULL, "own"},
        {"v=a&list=L&entries=3", 0, NULL, "L-1 L-2 L-3"},
        {"v=a&list=L&entries=3", 1, NULL, "own"},
        {"list=L&entries=2", 1, NULL, "L-1 L-2"},
        {"v=&list=L&entries=1", 1, NULL, "L-1"},
        {"list=L", 0, NULL, "L-1 L-2 L-3 L-4 L-5 L-6"},
        {"list=L&entries=0", 0, NULL, "L-1"},
        {"list=L&entries=99", 0, "49-", "L-49 L-50"},
        {"list=L&entries=5", 0, "1", "L-1"},
        {"list=L&entries=5", 0, "4-9,2,4,:1", "L-4 L-5 L-2 L-1"},
        {"list=L&entries=5", 0, "3:,x,-2,0,,2:1,1:3:1", "L-3 L-4 L-5"},
        {"list=L&entries=5", 0, "9", ""},
        {"list=&v=a", 0, NULL, "own"},
        {"list=L&generic=1", 0, NULL, "own"},
    };
    for (const Case &c : cases) {
        StandinPage page = parse(std::string("x?") + c.query);
        int items[STANDIN_MAX_ENTRIES];
        int count = StandinListItems(&page, c.noPlaylist, c.items, items);
        std::string taken = count < 0 ? "own" : "";
        for (int i = 0; i < count; i++) {
            StandinPage entry;
            StandinListEntry(&page, items[i], &entry);
            taken += (i ? " " : "") + std::string(entry.videoId);
        }
        EXPECT_EQ(c.taken, taken) << c.query << " " << (c.items ? c.items : "");
    }
    // The entry that is the named video keeps the page's title; the others get their own.
    StandinPage page = parse("x?v=L-2&list=L&title=Mine"), entry;
    const char *titles[] = {"Stand-in video L-1", "Mine"};
    for (int k = 1; k <= 2; k++) {
        StandinListEntry(&page, k, &entry);
        EXPECT_STREQ(titles[k - 1], entry.title);
    }
    page = parse("x?list=L&title=Mine");
    StandinListEntry(&page, 1, &entry);
    EXPECT_STREQ("Stand-in video L-1", entry.title);
}

TEST(PageError, FailingAndFormatlessPages)
{
    char buf[128];
    StandinPage page = parse("x?v=gone&fail=1");
    const char *error = StandinPageError(&page, buf, sizeof buf);
    ASSERT_TRUE(error != NULL);
    EXPECT_TRUE(strstr(error, "gone") != NULL) << error;

    page = parse("x?formats=");
    EXPECT_TRUE(StandinPageError(&page, buf, sizeof buf) != NULL);

    page = parse("x?v=fine");
    EXPECT_TRUE(StandinPageError(&page, buf, sizeof buf) == NULL);
}

TEST(PageError, HasFormat)
{
    StandinPage page = parse("x?formats=22,140");
    EXPECT_EQ(1, StandinPageHasFormat(&page, 22));
    EXPECT_EQ(1, StandinPageHasFormat(&page, 140));
    EXPECT_EQ(0, StandinPageHasFormat(&page, 18));
    EXPECT_EQ(0, StandinPageHasFormat(&page, 0));
}

// ---- the format table ---------------------------------------------------------

struct TableRow {
    int code;
    const char *ext;
    int height;
    int width;
    int is3d;
};

TEST(Formats, TableMatchesTheToolsCodes)
{
    const TableRow rows[] = {
        {5, "flv", 240, 400, 0},     {6, "flv", 270, 480, 0},    {13, "3gp", 0, 0, 0},
        {17, "3gp", 144, 176, 0},    {18, "mp4", 360, 640, 0},   {22, "mp4", 720, 1280, 0},
        {34, "flv", 360, 640, 0},    {35, "flv", 480, 854, 0},   {36, "3gp", 240, 320, 0},
        {37, "mp4", 1080, 1920, 0},  {38, "mp4", 3072, 4096, 0}, {43, "webm", 360, 640, 0},
        {44, "webm", 480, 854, 0},   {45, "webm", 720, 1280, 0}, {46, "webm", 1080, 1920, 0},
        {82, "mp4", 360, 640, 1},    {83, "mp4", 240, 320, 1},   {84, "mp4", 720, 1280, 1},
        {85, "mp4", 520, 920, 1},    {100, "webm", 360, 640, 1}, {101, "webm", 360, 640, 1},
        {102, "webm", 720, 1280, 1}, {120, "flv", 720, 1280, 0}, {140, "m4a", 0, 0, 0},
    };
    for (const TableRow &row : rows) {
        const StandinFormatInfo *f = StandinFindFormat(row.code);
        ASSERT_TRUE(f != NULL) << row.code;
        EXPECT_EQ(row.code, f->code);
        EXPECT_STREQ(row.ext, f->ext) << row.code;
        EXPECT_EQ(row.height, f->height) << row.code;
        EXPECT_EQ(row.width, f->width) << row.code;
        EXPECT_EQ(row.is3d, f->is3d) << row.code;
    }
    EXPECT_TRUE(StandinFindFormat(0) == NULL);
    EXPECT_TRUE(StandinFindFormat(999) == NULL);
    EXPECT_TRUE(StandinFindFormat(19) == NULL);
}

TEST(Formats, ExtensionWithAndWithoutOverride)
{
    StandinPage page = parse("x");
    EXPECT_STREQ("webm", StandinFormatExt(&page, 43));
    EXPECT_STREQ("mp4", StandinFormatExt(&page, 999));
    page = parse("x?ext=longextension");
    EXPECT_STREQ("longextension", StandinFormatExt(&page, 43));
    EXPECT_STREQ("longextension", StandinFormatExt(&page, 999));
}

TEST(Formats, ListLines)
{
    StandinPage page = parse("x");
    EXPECT_EQ("22\t:\tmp4\t[720x1280]", formatLine(page, 22));
    EXPECT_EQ("5\t:\tflv\t[240x400]", formatLine(page, 5));
    EXPECT_EQ("46\t:\twebm\t[1080x1920]", formatLine(page, 46));
    EXPECT_EQ("82\t:\tmp4\t[360x640] (3D)", formatLine(page, 82));
    EXPECT_EQ("102\t:\twebm\t[720x1280] (3D)", formatLine(page, 102));
    EXPECT_EQ("13\t:\t3gp\t[???]", formatLine(page, 13));
    EXPECT_EQ("140\t:\tm4a\t[???]", formatLine(page, 140));
    EXPECT_EQ("999\t:\tmp4\t[???]", formatLine(page, 999));
}

TEST(Formats, ListLinesWithOverriddenExtension)
{
    StandinPage page = parse("x?ext=verylongext");
    EXPECT_EQ("22\t:\tverylongext\t[720x1280]", formatLine(page, 22));
    EXPECT_EQ("84\t:\tverylongext\t[720x1280] (3D)", formatLine(page, 84));
}

TEST(Formats, ListLineIsBounded)
{
    StandinPage page = parse("x");
    char out[8];
    memset(out, 'Z', sizeof out);
    EXPECT_EQ(0, StandinFormatLine(&page, 22, out, sizeof out));
    EXPECT_STREQ("22\t:\tmp", out);
}

// ---- file names ------------------------------------------------------------

TEST(Sanitize, CharacterRules)
{
    EXPECT_EQ("What Really", sanitize("What? Really?"));
    EXPECT_EQ("Say 'hi'", sanitize("Say \"hi\""));
    EXPECT_EQ("Part 1 - Intro", sanitize("Part 1: Intro"));
    EXPECT_EQ("a_b_c_d_e_f_g", sanitize("a\\b/c|d*e<f>g"));
    EXPECT_EQ("abc", sanitize("a\tb\x01\x1f" "c\x7f\n"));
    EXPECT_EQ("plain title - ok.", sanitize("plain title: ok."));
}

TEST(Sanitize, KeepsOtherBytes)
{
    EXPECT_EQ("caf\xc3\xa9 & co. (1) [x] #1 %20 'q' ~!", sanitize("caf\xc3\xa9 & co. (1) [x] #1 %20 'q' ~!"));
}

TEST(Sanitize, EmptyResultBecomesUnderscore)
{
    EXPECT_EQ("_", sanitize(""));
    EXPECT_EQ("_", sanitize("???"));
}

TEST(Sanitize, Bounded)
{
    char out[5];
    EXPECT_EQ(0, StandinSanitizeTitle("a:b:c", out, sizeof out));
    EXPECT_STREQ("a -b", out);
    EXPECT_EQ(1, StandinSanitizeTitle("a:b", out, sizeof out));
    EXPECT_STREQ("a -b", out);
}

TEST(Template, ReplacesFields)
{
    char out[256];
    EXPECT_EQ(1, StandinExpandTemplate("%(title)s.%(ext)s", "My Clip", "mp4", "abc", out,
                                       sizeof out));
    EXPECT_STREQ("My Clip.mp4", out);
    EXPECT_EQ(1, StandinExpandTemplate("C:\\dl\\%(title)s-%(id)s.%(ext)s.%(ext)s", "T", "flv",
                                       "abc", out, sizeof out));
    EXPECT_STREQ("C:\\dl\\T-abc.flv.flv", out);
    EXPECT_EQ(1, StandinExpandTemplate("100%% %(foo)s", "T", "e", "i", out, sizeof out));
    EXPECT_STREQ("100% %(foo)s", out);
    EXPECT_EQ(1, StandinExpandTemplate("fixed.mp4", "T", "e", "i", out, sizeof out));
    EXPECT_STREQ("fixed.mp4", out);
}

TEST(Template, Bounded)
{
    char out[6];
    EXPECT_EQ(0, StandinExpandTemplate("%(title)s.%(ext)s", "Long title", "mp4", "i", out,
                                       sizeof out));
    EXPECT_STREQ("Long ", out);
}

// ---- progress texts ----------------------------------------------------------

TEST(SizeText, KiBBelowOneMiBElseMiB)
{
    EXPECT_EQ("512.00KiB", sizeText(524288));
    EXPECT_EQ("256.00KiB", sizeText(262144));
    EXPECT_EQ("0.98KiB", sizeText(1000));
    EXPECT_EQ("1024.00KiB", sizeText(1048575));
    EXPECT_EQ("1.00MiB", sizeText(1048576));
    EXPECT_EQ("12.34MiB", sizeText(12939428));
    EXPECT_EQ("1024.00MiB", sizeText(1073741824ULL));
}

TEST(SizeText, RoundsHalfUp)
{
    EXPECT_EQ("0.13KiB", sizeText(128));      // 0.125 KiB
    EXPECT_EQ("976.56KiB", sizeText(1000000));  // 976.5625 KiB
    EXPECT_EQ("1.01MiB", sizeText(1053819));  // 1.00500011... MiB
}

TEST(SpeedText, StepPerDelay)
{
    EXPECT_EQ("195.31KiB/s", speedText(10000, 50));
    EXPECT_EQ("1.02MiB/s", speedText(106955, 100));
    EXPECT_EQ("128.00KiB/s", speedText(13107, 100));
    EXPECT_EQ("0.98KiB/s", speedText(1, 0));  // no delay counts as 1 ms
    EXPECT_EQ("10.00MiB/s", speedText(1048576, 100));
}

TEST(Progress, TitleAndLineAtStart)
{
    StandinPage page = parse("x");  // 262144 bytes, 13107 per 100 ms
    EXPECT_EQ("youtube-dl - 0.0% of 256.00KiB at 128.00KiB/s ETA 00:02", consoleTitle(page, 0));
    EXPECT_EQ("[download]   0.0% of 256.00KiB at 128.00KiB/s ETA 00:02", progressLine(page, 0));
}

TEST(Progress, MidwayMatchesTheToolsLayout)
{
    StandinPage page = parse("x?size=12939428&step=106955&delay=100");
    EXPECT_EQ("youtube-dl - 45.3% of 12.34MiB at 1.02MiB/s ETA 00:06",
              consoleTitle(page, 5861561));
    EXPECT_EQ("[download]  45.3% of 12.34MiB at 1.02MiB/s ETA 00:06",
              progressLine(page, 5861561));
    // One byte less is still below 45.3 %.
    EXPECT_EQ("youtube-dl - 45.2% of 12.34MiB at 1.02MiB/s ETA 00:06",
              consoleTitle(page, 5861560));
}

TEST(Progress, CompleteAndClamped)
{
    StandinPage page = parse("x?size=1000&step=1&delay=0");
    EXPECT_EQ("youtube-dl - 99.9% of 0.98KiB at 0.98KiB/s ETA 00:00", consoleTitle(page, 999));
    EXPECT_EQ("youtube-dl - 100.0% of 0.98KiB at 0.98KiB/s ETA 00:00", consoleTitle(page, 1000));
    EXPECT_EQ("[download] 100.0% of 0.98KiB at 0.98KiB/s ETA 00:00", progressLine(page, 1000));
    EXPECT_EQ("youtube-dl - 100.0% of 0.98KiB at 0.98KiB/s ETA 00:00", consoleTitle(page, 5000));
}

TEST(Progress, EtaMinutesAndSeconds)
{
    StandinPage page = parse("x?size=1000000&step=1000&delay=1000");  // 1000 B/s
    EXPECT_EQ("youtube-dl - 0.0% of 976.56KiB at 0.98KiB/s ETA 16:40", consoleTitle(page, 0));
    EXPECT_EQ("youtube-dl - 50.0% of 976.56KiB at 0.98KiB/s ETA 08:20",
              consoleTitle(page, 500000));
    EXPECT_EQ("youtube-dl - 99.9% of 976.56KiB at 0.98KiB/s ETA 00:01",
              consoleTitle(page, 999000));

    page = parse("x?size=6000&step=1&delay=1000");  // 1 B/s, 100 minutes
    EXPECT_EQ("youtube-dl - 0.0% of 5.86KiB at 0.00KiB/s ETA 100:00", consoleTitle(page, 0));
}

TEST(Progress, Bounded)
{
    StandinPage page = parse("x");
    char out[16];
    EXPECT_EQ(0, StandinConsoleTitle(0, &page, out, sizeof out));
    EXPECT_STREQ("youtube-dl - 0.", out);
    EXPECT_EQ(0, StandinProgressLine(0, &page, out, sizeof out));
    EXPECT_STREQ("[download]   0.", out);
}

// ---- deterministic bytes -------------------------------------------------------

TEST(Bytes, HashIsFnv1a32)
{
    EXPECT_EQ(0x811c9dc5u, StandinHash(""));
    EXPECT_EQ(0xe40c292cu, StandinHash("a"));
    EXPECT_EQ(0xbf9cf968u, StandinHash("foobar"));
}

TEST(Bytes, Formula)
{
    // (h + i*7 + (i >> 9)) & 0xFF
    EXPECT_EQ(0, StandinByteFromHash(0, 0));
    EXPECT_EQ(7, StandinByteFromHash(0, 1));
    EXPECT_EQ(249, StandinByteFromHash(0, 511));
    EXPECT_EQ(1, StandinByteFromHash(0, 512));
    EXPECT_EQ(8, StandinByteFromHash(0, 513));
    EXPECT_EQ(21, StandinByteFromHash(0, 4294967299ULL));  // offsets past 4 GiB
    EXPECT_EQ(0xc5, StandinByteFromHash(0x811c9dc5u, 0));
    EXPECT_EQ((0xc5 + 7001) & 0xFF, StandinByteFromHash(0x811c9dc5u, 1000));
}

TEST(Bytes, ById)
{
    for (unsigned long long i = 0; i < 2000; i += 37)
        EXPECT_EQ(StandinByteFromHash(0xe40c292cu, i), StandinByte("a", i)) << i;
}

TEST(Bytes, FillMatchesSingleBytesAcrossBlocks)
{
    unsigned char buf[1500];
    const unsigned h = 0xbf9cf968u;
    StandinFillBytes(h, 300, buf, sizeof buf);
    for (size_t i = 0; i < sizeof buf; i++)
        ASSERT_EQ(StandinByteFromHash(h, 300 + i), buf[i]) << i;
    // Spot values from the formula, with h's low byte 0x68.
    EXPECT_EQ((0x68 + 300 * 7 + 0) & 0xFF, buf[0]);
    EXPECT_EQ((0x68 + 512 * 7 + 1) & 0xFF, buf[212]);
}

// ---- text encoding ---------------------------------------------------------------

// The multi-script title of the README's example.
const char kMixedTitle[] = "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e \xf0\x9f\x8e\xb5 caf\xc3\xa9 "
                           "\xc2\xabuni1\xc2\xbb";
// It in Windows-1252: the kanji and the note are not in the code page.
const char kMixedIn1252[] = "  caf\xe9 \xabuni1\xbb";

// Windows-1252 from its code chart: ASCII and U+00A0..U+00FF at their own values, 27 more
// characters at 0x80..0x9F; the five zeros there are unassigned bytes.
size_t cp1252Char(unsigned cp, char *out, size_t outSize, void *)
{
    static const unsigned high[32] = {
        0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
        0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    int byte = cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF) ? (int)cp : -1;
    for (int i = 0; i < 32 && byte < 0; i++)
        if (high[i] == cp)
            byte = 0x80 + i;
    if (byte < 0 || outSize < 1)
        return 0;
    out[0] = (char)byte;
    return 1;
}

std::string encode(const char *text, StandinCharEncoder encoder, void *context = NULL,
                   size_t outSize = 256, int *fitted = NULL)
{
    char out[256];
    size_t len = 999;
    int ok = StandinEncodeText(text, encoder, context, out, outSize, &len);
    if (fitted)
        *fitted = ok;
    EXPECT_EQ(strlen(out), len) << text;
    return std::string(out, len);
}

TEST(TextCode, ReadsUtf8AndReplacesMalformedBytesOneByOne)
{
    struct Case {
        const char *bytes;
        unsigned cp;
        size_t used;
    } cases[] = {
        {"A", 0x41, 1},          {"\xc3\xa9", 0xE9, 2},          {"\xe6\x97\xa5", 0x65E5, 3},
        {"\xf0\x9f\x8e\xb5", 0x1F3B5, 4},                        {"\xf4\x8f\xbf\xbf", 0x10FFFF, 4},
        {"", 0, 0},              {"\x80", 0xFFFD, 1},            {"\xc0\xaf", 0xFFFD, 1},
        {"\xc1\xbf", 0xFFFD, 1}, {"\xe0\x9f\xbf", 0xFFFD, 1},    {"\xed\xa0\x80", 0xFFFD, 1},
        {"\xf4\x90\x80\x80", 0xFFFD, 1}, {"\xf5\x80\x80\x80", 0xFFFD, 1},
        {"\xe6\x97", 0xFFFD, 1}, {"\xff", 0xFFFD, 1},            {"\xc3" "A", 0xFFFD, 1},
    };
    for (const Case &c : cases) {
        size_t used = 99;
        EXPECT_EQ(c.cp, StandinNextCodePoint(c.bytes, &used)) << c.bytes;
        EXPECT_EQ(c.used, used) << c.bytes;
    }
}

TEST(TextCode, WritesUtf8AtEveryLengthBoundary)
{
    struct Case {
        unsigned cp;
        const char *bytes;
    } cases[] = {
        {0x41, "A"},                {0x7F, "\x7f"},             {0x80, "\xc2\x80"},
        {0x7FF, "\xdf\xbf"},        {0x800, "\xe0\xa0\x80"},    {0xFFFD, "\xef\xbf\xbd"},
        {0x10000, "\xf0\x90\x80\x80"}, {0x10FFFF, "\xf4\x8f\xbf\xbf"},
    };
    for (const Case &c : cases) {
        char out[4];
        size_t n = StandinPutUtf8(c.cp, out, sizeof out);
        EXPECT_EQ(std::string(c.bytes), std::string(out, n)) << c.cp;
        EXPECT_EQ(0u, StandinPutUtf8(c.cp, out, strlen(c.bytes) - 1)) << c.cp;
    }
}

TEST(TextCode, CodePageLeavesOutWhatItCannotHold)
{
    struct Case {
        const char *text;
        const char *in1252;
        const char *inUtf8;
    } cases[] = {
        {kMixedTitle, kMixedIn1252, kMixedTitle},
        {"\xe2\x82\xac" "5 \xe2\x80\x93 \xe2\x80\x98ok\xe2\x80\x99 \xe2\x80\xa6",
         "\x80" "5 \x96 \x91ok\x92 \x85", NULL},
        {"\xc3\xbf\xc4\x80\xc5\xb8", "\xff\x9f", NULL},  // U+0100 is not in the chart
        {"\xc2\x81\xc2\x8d\xc2\x8f\xc2\x90\xc2\x9d", "", NULL},  // unassigned bytes
        {"\xce\xa9\xe2\x89\x88\xe2\x86\x92", "", NULL},          // Greek and signs
        {"a\xff" "b", "ab", "a\xef\xbf\xbd" "b"},
        {"plain ASCII ~", "plain ASCII ~", "plain ASCII ~"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(c.in1252, encode(c.text, cp1252Char)) << c.text;
        EXPECT_EQ(c.inUtf8 ? c.inUtf8 : c.text, encode(c.text, StandinUtf8Char)) << c.text;
    }
}

TEST(TextCode, BoundedWithoutPartsOfCharacters)
{
    struct Case {
        const char *text;
        StandinCharEncoder encoder;
        size_t outSize;
        const char *expected;
        int fitted;
    } cases[] = {
        {"caf\xc3\xa9", cp1252Char, 4, "caf", 0},
        {"caf\xc3\xa9", cp1252Char, 5, "caf\xe9", 1},
        {"\xe6\x97\xa5\xe6\x9c\xac" "ab", cp1252Char, 3, "ab", 1},  // left out, takes no room
        {"a\xc3\xa9", StandinUtf8Char, 3, "a", 0},
        {"x", StandinUtf8Char, 1, "", 0},
    };
    for (const Case &c : cases) {
        int fitted = -1;
        EXPECT_EQ(c.expected, encode(c.text, c.encoder, NULL, c.outSize, &fitted)) << c.text;
        EXPECT_EQ(c.fitted, fitted) << c.text;
    }
}

#if defined(_WIN32)
TEST(TextCode, WindowsCodePage1252AgreesWithTheChart)
{
    UINT codePage = 1252;
    EXPECT_EQ(kMixedIn1252, encode(kMixedTitle, StandinCodePageChar, &codePage));
    EXPECT_EQ("\x80" "a", encode("\xe2\x82\xac\xc4\x81" "a", StandinCodePageChar, &codePage));
}
#endif

// ---- the version block -----------------------------------------------------------

TEST(VersionBlock, SetVersionRewritesOnlyTheRoomAfterASingleMarker)
{
    const std::string marker = "STANDIN-VERSION:";
    const std::string room(STANDIN_VERSION_ROOM, 'x');  // old text without any NUL
    const std::string longest(STANDIN_VERSION_ROOM - 1, '9');
    struct Case {
        const char *what;
        std::string image;
        std::string version;
        long at;  // offset of the text, -1 when nothing may change
    } cases[] = {
        {"start", marker + room, "2099.12.31", 16},
        {"middle", "STANDIN-STANDIN-VERSION" + marker + room + "tail", "1.2", 39},
        {"end", std::string(5, '\0') + marker + room, "", 21},
        {"room one short", marker + room.substr(1), "1", -1},
        {"missing", "STANDIN-VERSION;" + room, "1", -1},
        {"twice", marker + room + marker + room, "1", -1},
        {"longest", "ab" + marker + room, longest, 18},
        {"too long", marker + room, longest + "9", -1},
    };
    for (const Case &c : cases) {
        std::string image = c.image;
        unsigned char *bytes = (unsigned char *)&image[0];
        bool expectSet = c.at >= 0;
        EXPECT_EQ(expectSet, StandinSetVersion(bytes, image.size(), c.version.c_str()))
            << c.what;
        std::string expected = c.image;
        if (expectSet)
            expected.replace((size_t)c.at, STANDIN_VERSION_ROOM,
                             c.version + std::string(STANDIN_VERSION_ROOM - c.version.size(), '\0'));
        EXPECT_EQ(expected, image) << c.what;
    }
    EXPECT_EQ(39, StandinFindVersion((const unsigned char *)cases[1].image.data(),
                                     cases[1].image.size()));
    EXPECT_EQ(-1, StandinFindVersion((const unsigned char *)cases[5].image.data(),
                                     cases[5].image.size()));
}

TEST(VersionBlock, ReleaseNumbers)
{
    const std::string digits31(31, '1');
    struct Case {
        std::string text;
        bool number;
    } cases[] = {
        {"2023.03.04", true}, {"7", true},        {digits31, true},  {digits31 + "1", false},
        {"", false},          {".1", false},      {"1.", false},     {"1..2", false},
        {"1.a", false},       {"2099-12-31", false}, {"HANG", false}, {"1 .2", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.number, StandinIsVersionNumber(c.text.c_str())) << c.text;
}

TEST(VersionBlock, UpToDateAsYtDlpComparesReleases)
{
    struct Case {
        const char *current, *latest;
        bool upToDate;
    } cases[] = {
        {"2023.03.04", "2023.03.04", true}, {"2023.03.04", "2099.12.31", false},
        {"2099.12.31", "2023.03.04", true}, {"2023.10.1", "2023.9.1", true},
        {"2023.9.1", "2023.10.1", false},   {"2023.3.4", "2023.03.04", true},
        {"2023.03.04", "2023.3.5", false},  {"1.2.0", "1.2", true},
        {"1.2", "1.2.0", false},            {"10", "9", true},
        {"HANG", "2099.12.31", false},      {"", "1", false},
        {"HANG", "HANG", true},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.upToDate, StandinIsUpToDate(c.current, c.latest))
            << c.current << " vs " << c.latest;
}

TEST(VersionBlock, KnowsAnOptionFromItsRelease)
{
    struct Case {
        const char *version, *option;
        bool knows;
    } cases[] = {
        {"2014.02.02", "--ignore-config", false},    {"2014.02.03", "--ignore-config", true},
        {"2014.02.02", "--encoding", false},         {"2014.02.03", "--encoding", true},
        {"2014.02.02", "--ffmpeg-location", false},  {"2014.02.03", "--ffmpeg-location", true},
        {"2014.02.02", "--no-playlist", false},      {"2014.02.03", "--no-playlist", true},
        {"2014.02.02", "--playlist-items", false},   {"2014.2.3", "--playlist-items", true},
        {"2014.02.02", "-I", false},                 {"2021.12.17", "-I", true},
        {"2014.02.02", "--merge-output-format", false},
        {"2014.02.03", "--merge-output-format", true},
        {"2025.03.20", "--no-plugin-dirs", false},   {"2025.03.21", "--no-plugin-dirs", true},
        {"2025.11.11", "--js-runtimes", false},      {"2025.11.12", "--js-runtimes", true},
        {"2025.11.11", "--no-js-runtimes", false},   {"2025.11.12", "--no-js-runtimes", true},
        {"2021.12.17", "--no-plugin-dirs", false},   {"2025.11.11", "--ignore-config", true},
        {STANDIN_DEFAULT_VERSION, "--no-js-runtimes", true},
        {"2013.01.01", "--help", true},              {"2013.01.01", "-h", true},
        {"2013.01.01", "--get-filename", true},      {"HANG", "--no-js-runtimes", true},
        {"", "--ignore-config", true},               {"2014.02.02x", "--encoding", true},
        {"2013.10.06", "--download-archive", false}, {"2013.10.07", "--download-archive", true},
        {"2014.10.23", "--flat-playlist", false},    {"2014.10.24", "--flat-playlist", true},
        {"2015.02.25", "--yes-playlist", false},     {"2015.02.26", "--yes-playlist", true},
        {"2013.01.01", "-x", true},                  {"2013.01.01", "--ignore-errors", true},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.knows, StandinKnows(c.version, c.option)) << c.version << " " << c.option;
}

// MP3 and whole-list options stay known by version, so --help lists them, but a run that
// gets one is refused; the options still imitated are not.
TEST(VersionBlock, OptionsNoLongerImitatedAreStillKnownByVersion)
{
    const char *refused[] = {"-x", "--extract-audio", "--audio-format", "--audio-quality", "-k",
                             "--keep-video", "--download-archive", "-i", "--ignore-errors"};
    for (const char *o : refused) {
        EXPECT_TRUE(StandinNotImitated(o)) << o;
        EXPECT_TRUE(StandinKnows(STANDIN_DEFAULT_VERSION, o)) << o;
    }
    EXPECT_FALSE(StandinKnows("2013.10.06", "--download-archive"));
    const char *kept[] = {"--format", "-f", "-o", "--get-filename", "--list-formats", "-c",
                          "--continue", "--flat-playlist", "--no-playlist", "--yes-playlist",
                          "--playlist-items", "-I", "--merge-output-format", "--ffmpeg-location",
                          "--js-runtimes"};
    for (const char *o : kept)
        EXPECT_FALSE(StandinNotImitated(o)) << o;
}

TEST(VersionBlock, HelpListsWhatTheVersionKnows)
{
    const char *yt = "Usage: yt-dlp [OPTIONS] URL [URL...]\n\nOptions:\n  -h, --help ";
    struct Case {
        const char *version, *start;
    } cases[] = {
        {"2014.02.02", "Usage: youtube-dl [options] url [url...]\n\nOptions:\n  -h, --help "},
        {"2013.10.06", "Usage: youtube-dl [options] url [url...]\n\nOptions:\n  -h, --help "},
        {"2014.02.03", yt}, {"2014.10.24", yt}, {"2015.02.26", yt}, {"2025.03.20", yt}, {"2025.03.21", yt}, {"2025.11.11", yt},
        {"2025.11.12", yt}, {"HANG", yt},
    };
    const char *options[] = {"--help", "--version", "--update", "--output", "--format",
                             "--list-formats", "--get-filename", "--console-title",
                             "--merge-output-format", "--ignore-config", "--encoding",
                             "--ffmpeg-location", "--no-playlist", "--playlist-items",
                             "--no-plugin-dirs", "--js-runtimes", "--no-js-runtimes",
                             "--download-archive", "--flat-playlist", "--yes-playlist",
                             "--extract-audio", "--audio-format", "--audio-quality",
                             "--keep-video", "--ignore-errors", "--continue"};
    static char help[16384];
    for (const Case &c : cases) {
        ASSERT_TRUE(StandinHelpText(c.version, help, sizeof help)) << c.version;
        EXPECT_EQ(0, strncmp(help, c.start, strlen(c.start))) << help;
        for (const char *o : options)
            EXPECT_EQ(StandinKnows(c.version, o), StandinHelpShows(help, o))
                << c.version << " " << o;
        // A name is a whole word: "-help" ends "--help", "--playlist" starts "--playlist-items".
        EXPECT_FALSE(StandinHelpShows(help, "-help") || StandinHelpShows(help, "--playlist"))
            << c.version;
        EXPECT_FALSE(StandinHelpText(c.version, help, strlen(c.start))) << "too small";
    }
}

}  // namespace
