// The title and format files a probe leaves behind.
#include "toolbridge/probereaders.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "tests/unit/fake_alert.h"
#include "tests/unit/test_files.h"

class ProbeReaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetAlertLog();
        probePath = ScratchPath(::testing::UnitTest::GetInstance()->current_test_info()->name());
        remove((probePath + "-title-out").c_str());
        remove((probePath + "-format-out").c_str());
    }
    std::string Title(const std::string &fileBytes)
    {
        WriteBytes(probePath + "-title-out", fileBytes);
        return ReadTitle();
    }
    std::string ReadTitle()
    {
        char *title = ReadTitleFile(probePath.c_str());
        std::string result = title;
        free(title);
        return result;
    }
    void Formats(const std::string &fileBytes)
    {
        WriteBytes(probePath + "-format-out", fileBytes);
        ReadFormatFile(probePath.c_str(), list, &count);
    }
    std::string probePath;
    AvailableFormat list[MAX_AVAILABLE_FORMATS] = {};
    int32_t count = -1;
};

TEST_F(ProbeReaderTest, TitleLosesOnlyItsLineEnd)
{
    EXPECT_EQ("My Clip.mp4", Title("My Clip.mp4\n"));
    EXPECT_EQ("My Clip.mp4", Title("My Clip.mp4\r\n"));
    EXPECT_EQ("My Clip.mp4", Title("My Clip.mp4"));
    EXPECT_EQ("First.flv", Title("First.flv\nSecond.mp4\n"));
    EXPECT_EQ(0, alertLog.count);
}

TEST_F(ProbeReaderTest, TitleAtTheLimitIsKeptWhole)
{
    std::string name199 = std::string(195, 'a') + ".mp4";
    EXPECT_EQ(name199, Title(name199 + "\n"));  // a 200-byte file
    std::string name198 = std::string(194, 'b') + ".mp4";
    EXPECT_EQ(name198, Title(name198 + "\r\n"));  // CR LF: also 200 bytes
    std::string name200 = std::string(196, 'c') + ".mp4";
    EXPECT_EQ(name200, Title(name200 + "\n"));  // a 201-byte file, no extension doubled
}

TEST_F(ProbeReaderTest, LongTitleKeepsTwoHundredCharactersAndItsExtension)
{
    std::string stem(300, 'd');
    EXPECT_EQ(std::string(200, 'd') + ".webm", Title(stem + ".webm\n"));
    EXPECT_EQ(std::string(200, 'd') + ".mp4", Title(stem + ".mp4\r\n"));
}

TEST_F(ProbeReaderTest, ShortTitleInALongFileIsNotChanged)
{
    EXPECT_EQ("A Very Long Title.mp4", Title("A Very Long Title.mp4\n" + std::string(190, 'x')));
}

TEST_F(ProbeReaderTest, LongTitleWithoutExtensionIsCutSafely)
{
    EXPECT_EQ(std::string(200, 'e'), Title(std::string(400, 'e') + "\n"));
    std::string oddExtension = std::string(250, 'f') + ".averyveryverylongextension";
    EXPECT_EQ(std::string(200, 'f'), Title(oddExtension + "\n"));
}

TEST_F(ProbeReaderTest, EmptyTitleFileGivesEmptyText)
{
    EXPECT_EQ("", Title(""));
    EXPECT_EQ(0, alertLog.count);
}

TEST_F(ProbeReaderTest, MissingTitleFileIsReported)
{
    EXPECT_EQ("", ReadTitle());
    EXPECT_EQ(1, alertLog.count);
    EXPECT_STREQ("Failed to access title-out!", alertLog.text);
    EXPECT_STREQ("Alert", alertLog.caption);
    EXPECT_EQ(ALERT_WARNING, alertLog.icon);
}

TEST_F(ProbeReaderTest, FormatLinesAmongOtherLines)
{
    Formats("[youtube] abc: Downloading video webpage\r\n"
            "[info] Available formats for abc:\r\n"
            "format code\textension\tresolution\r\n"
            "22\t:\tmp4\t[720x1280]\r\n"
            "43\t:\twebm\t[360x640]\r\n"
            "84\t:\tmp4\t[720x1280] (3D)\r\n"
            "Done.\r\n");
    ASSERT_EQ(3, count);
    EXPECT_EQ(22, (int)(list[0].code));
    EXPECT_STREQ("mp4", list[0].extension);
    EXPECT_EQ(720, (int)(list[0].height));
    EXPECT_EQ(1280, (int)(list[0].width));
    EXPECT_EQ(43, (int)(list[1].code));
    EXPECT_STREQ("webm", list[1].extension);
    EXPECT_EQ(360, (int)(list[1].height));
    EXPECT_EQ(640, (int)(list[1].width));
    EXPECT_EQ(84, (int)(list[2].code));
    EXPECT_EQ(1280, (int)(list[2].width));
}

TEST_F(ProbeReaderTest, NoFormatLinesGiveCountZero)
{
    Formats("ERROR: no such page\nformat code extension\n");
    EXPECT_EQ(0, count);
}

TEST_F(ProbeReaderTest, UnknownSizeGivesZeroNotAnEarlierRecord)
{
    list[0] = AvailableFormat{99, "old", 111, 222};
    Formats("13\t:\t3gp\t[???]\n");
    ASSERT_EQ(1, count);
    EXPECT_EQ(13, (int)(list[0].code));
    EXPECT_STREQ("3gp", list[0].extension);
    EXPECT_EQ(0, (int)(list[0].height));
    EXPECT_EQ(0, (int)(list[0].width));
}

TEST_F(ProbeReaderTest, LongExtensionIsCutToFourCharacters)
{
    list[0] = AvailableFormat{0, "", 0, 0};
    Formats("22\t:\tmpeg4video\t[720x1280]\n");
    ASSERT_EQ(1, count);
    EXPECT_STREQ("mpeg", list[0].extension);
    EXPECT_EQ(720, (int)(list[0].height));
    EXPECT_EQ(1280, (int)(list[0].width));
}

TEST_F(ProbeReaderTest, KeepsTheFirstTwentyFourFormats)
{
    std::string lines;
    for (int i = 0; i < 30; i++)
        lines += std::to_string(100 + i) + "\t:\tmp4\t[360x640]\n";
    Formats(lines);
    EXPECT_EQ(24, count);
    EXPECT_EQ(100, (int)(list[0].code));
    EXPECT_EQ(123, (int)(list[23].code));
}

TEST_F(ProbeReaderTest, MissingFormatFileLeavesTheListAndIsReported)
{
    list[0] = AvailableFormat{37, "mp4", 1080, 1920};
    count = 11;
    ReadFormatFile(probePath.c_str(), list, &count);
    EXPECT_EQ(11, count);
    EXPECT_EQ(37, (int)(list[0].code));
    EXPECT_STREQ("Failed to access format-out!", alertLog.text);
    EXPECT_STREQ("Alert", alertLog.caption);
    EXPECT_EQ(ALERT_WARNING, alertLog.icon);
}

TEST_F(ProbeReaderTest, FormatFileIsReadOnlyToItsFirstMebibyte)
{
    const std::string head = "ID  EXT  RESOLUTION\n18  mp4  640x360\n";
    Formats(head + std::string(1024 * 1024 - head.size(), '\n') + "22  mp4  1280x720\n");
    ASSERT_EQ(1, count);
    EXPECT_EQ(18, (int)(list[0].code));
}

TEST(ParseFormatLine, RejectsLinesThatAreNotFormats)
{
    AvailableFormat record;
    EXPECT_FALSE(ParseFormatLine("format\t:\tcode", &record));
    EXPECT_FALSE(ParseFormatLine("22\t:\t\n", &record));
    EXPECT_FALSE(ParseFormatLine("22 : mp4 [720x1280]", &record));
    EXPECT_TRUE(ParseFormatLine("5\t:\tflv\t[240x400]\n", &record));
    EXPECT_EQ(5, (int)(record.code));
    EXPECT_EQ(240, (int)(record.height));
    EXPECT_EQ(400, (int)(record.width));
}

// ---- the parsers over bytes in memory ----

struct Expected {
    int code;
    const char *extension;
    int height, width;
};

static std::vector<AvailableFormat> Parse(const std::string &text)
{
    AvailableFormat list[MAX_AVAILABLE_FORMATS + 1];
    memset(list, 0x5A, sizeof list);
    int32_t count = -1;
    ParseFormatText(text.data(), text.size(), list, &count);
    EXPECT_TRUE(count >= 0 && count <= MAX_AVAILABLE_FORMATS) << count;
    EXPECT_EQ(0x5A, ((unsigned char *)&list[MAX_AVAILABLE_FORMATS])[0]) << "wrote past slot 24";
    return std::vector<AvailableFormat>(list, list + (count < 0 ? 0 : count));
}

static void ExpectFormats(const std::vector<Expected> &expected, const std::string &text,
                          const char *what)
{
    std::vector<AvailableFormat> got = Parse(text);
    ASSERT_EQ(expected.size(), got.size()) << what;
    for (size_t i = 0; i < got.size(); i++) {
        EXPECT_EQ(expected[i].code, (int)got[i].code) << what << ", slot " << i;
        EXPECT_STREQ(expected[i].extension, got[i].extension) << what << ", slot " << i;
        EXPECT_EQ(expected[i].height, (int)got[i].height) << what << ", slot " << i;
        EXPECT_EQ(expected[i].width, (int)got[i].width) << what << ", slot " << i;
    }
}

static std::string Replace(std::string text, const std::string &from, const std::string &to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

static const std::string OLD_TOOL_TABLE =
    "[info] Available formats for dQw4w9WgXcQ:\n"
    "format code  extension  resolution note\n"
    "139          m4a        audio only DASH audio  189k , m4a_dash container, aac  @ 48k, 3.81MiB\n"
    "160          mp4        256x144    DASH video  210k , h264, video only, 7.63MiB\n"
    "18           mp4        640x360      68k , h264, aac  @ 96k, 1.91MiB\n"
    "22           mp4        1280x720     72k , h264, aac  @192k, 5.72MiB (best)\n"
    "137          mp4        1920x1080  DASH video  187k , h264, video only, 1.91MiB\n";

static const std::string NEW_TOOL_TABLE =
    "[info] Available formats for dQw4w9WgXcQ:\n"
    "ID  EXT  RESOLUTION |   FILESIZE  TBR PROTO | VCODEC     ACODEC      ABR MORE INFO\n"
    "---------------------------------------------------------------------------------------------\n"
    "sb0 mhtml 48x27     |                  mhtml | images                  storyboard\n"
    "139 m4a  audio only |    3.81MiB 189k https | audio only aac         48k DASH audio, m4a_dash\n"
    "160 mp4  256x144    |    7.63MiB 210k https | h264       video only      DASH video\n"
    "18  mp4  640x360    |    1.91MiB  68k https | h264       aac         96k\n"
    "137 mp4  1920x1080  |    1.91MiB 187k https | h264       video only      DASH video\n";

TEST(ParseFormatText, TablesGiveFullFormatsThenPictureOnlyThenSoundOnlyBestFirst)
{
    const std::vector<Expected> oldTool = {{22, "mp4", 720, 1280},
                                           {18, "mp4", 360, 640},
                                           {137, "mp4", 1080, 1920},
                                           {160, "mp4", 144, 256},
                                           {139, "m4a", 0, 0}};
    const std::vector<Expected> newTool = {
        {18, "mp4", 360, 640}, {137, "mp4", 1080, 1920}, {160, "mp4", 144, 256}, {139, "m4a", 0, 0}};
    const std::string boxed = Replace(NEW_TOOL_TABLE, "|", "\xE2\x94\x82");
    struct Case {
        const char *what;
        std::string text;
        const std::vector<Expected> &expected;
    } cases[] = {
        {"format code table", OLD_TOOL_TABLE, oldTool},
        {"format code table, CR LF", Replace(OLD_TOOL_TABLE, "\n", "\r\n"), oldTool},
        {"ID table", NEW_TOOL_TABLE, newTool},
        {"ID table, box bars", boxed, newTool},
        {"ID table, box bars, CR LF", Replace(boxed, "\n", "\r\n"), newTool},
        {"ID table, no last line end", NEW_TOOL_TABLE.substr(0, NEW_TOOL_TABLE.size() - 1),
         newTool},
    };
    for (const Case &c : cases)
        ExpectFormats(c.expected, c.text, c.what);
}

TEST(ParseFormatText, RowEdges)
{
    const std::string heading = "ID  EXT  RESOLUTION | FILESIZE\n";
    const std::string longTail(10000, 'x');
    struct Case {
        const char *what;
        std::string text;
        std::vector<Expected> expected;
    } cases[] = {
        {"no heading", "18  mp4  640x360\n22  mp4  1280x720\n", {}},
        {"missing extension", heading + "22\n22 | 1280x720\n18  mp4  640x360\n",
         {{18, "mp4", 360, 640}}},
        {"empty resolution column", heading + "140 m4a \xE2\x94\x82 1280x720 https | audio only\n",
         {{140, "m4a", 0, 0}}},
        {"long extension", heading + "18 mpeg4video 640x360\n", {{18, "mpeg", 360, 640}}},
        {"width without height", heading + "137 mp4 1920x | h264 video only\n",
         {{137, "mp4", 0, 0}}},
        {"height without width", heading + "36 3gp x240\n", {{36, "3gp", 0, 0}}},
        {"width and a question mark", heading + "36 3gp 320x?\n", {{36, "3gp", 0, 0}}},
        {"height and p", heading + "22 mp4 720p\n", {{22, "mp4", 720, 0}}},
        {"height, p and rate", heading + "299 mp4 1080p60 video only\n", {{299, "mp4", 1080, 0}}},
        {"size past 32 bits", heading + "18 mp4 4294967296x360\n", {{18, "mp4", 0, 0}}},
        {"codes at and past 2^31",
         heading + "2147483648 mp4 640x360\n99999999999999999999 mp4 1x1\n2147483647 mp4 640x360\n",
         {{2147483647, "mp4", 360, 640}}},
        {"named and signed ids", heading + "sb0 mhtml 48x27\n-18 mp4 640x360\nhls-1 mp4 1x1\n", {}},
        {"10,000-character lines",
         longTail + "\n" + heading + "18 mp4 640x360 " + longTail + "\n22 mp4 1280x720" +
             std::string(10000, ' '),
         {{22, "mp4", 720, 1280}, {18, "mp4", 360, 640}}},
        {"embedded NUL",
         heading + "160" + '\0' + "mp4 256x144 video only\n18 mp4 640x360 " + '\0' +
             " tail\n22 mp4 1280x720\n",
         {{22, "mp4", 720, 1280}, {18, "mp4", 360, 640}, {160, "mp4", 144, 256}}},
    };
    for (const Case &c : cases)
        ExpectFormats(c.expected, c.text, c.what);
}

// 30 rows, worst first: the picture-only rows give way first, then sound only, then full ones.
TEST(ParseFormatText, TwentyFourLimitDropsTheWorstPictureOnlyRowsFirst)
{
    const char *kinds[] = {"h264, aac", "h264, video only", "audio only"};
    std::string mixed = "format code  extension  resolution note\n";
    for (int i = 0; i < 30; i++)
        mixed += std::to_string(100 + i) + "  mp4  640x360  " + kinds[i % 3] + "\n";
    std::string fullAndSound = "ID EXT RESOLUTION\n";
    for (int i = 0; i < 30; i++)
        fullAndSound += std::to_string(200 + i) + " m4a " + (i < 20 ? "640x360\n" : "audio only\n");
    std::string allFull = "ID EXT RESOLUTION\n";
    for (int i = 0; i < 30; i++)
        allFull += std::to_string(300 + i) + " mp4 640x360\n";
    struct Case {
        const char *what;
        std::string text;
        std::vector<int> codes;
    } cases[] = {
        {"ten of each", mixed, {127, 124, 121, 118, 115, 112, 109, 106, 103, 100, 128, 125,
                                122, 119, 129, 126, 123, 120, 117, 114, 111, 108, 105, 102}},
        {"twenty full, ten sound only", fullAndSound,
         {219, 218, 217, 216, 215, 214, 213, 212, 211, 210, 209, 208,
          207, 206, 205, 204, 203, 202, 201, 200, 229, 228, 227, 226}},
        {"thirty full", allFull, {329, 328, 327, 326, 325, 324, 323, 322, 321, 320, 319, 318,
                                  317, 316, 315, 314, 313, 312, 311, 310, 309, 308, 307, 306}},
    };
    for (const Case &c : cases) {
        std::vector<AvailableFormat> got = Parse(c.text);
        ASSERT_EQ(c.codes.size(), got.size()) << c.what;
        for (size_t i = 0; i < got.size(); i++)
            EXPECT_EQ(c.codes[i], (int)got[i].code) << c.what << ", slot " << i;
    }
}

TEST(ParseFormatText, OldLinesKeepTheirOrderAndComeBeforeTableRows)
{
    ExpectFormats({{22, "mp4", 720, 1280}, {43, "webm", 360, 640}, {18, "mp4", 360, 640}},
                  "format code\textension\tresolution\n22\t:\tmp4\t[720x1280]\n"
                  "43\t:\twebm\t[360x640]\nID  EXT  RESOLUTION | FILESIZE\n"
                  "18  mp4  640x360    |    1.91MiB  68k https | h264  aac  96k\n",
                  "old lines, then a table");
    // The old reader's 99-character pieces: a second format after 99 characters is read too.
    ExpectFormats({{22, "mp4", 720, 1280}, {43, "webm", 360, 640}},
                  "22\t:\tmp4\t[720x1280]" + std::string(80, ' ') + "43\t:\twebm\t[360x640]\n",
                  "a line longer than 99 characters");
    ExpectFormats({{22, "mp4", 720, 1280}},
                  std::string("22\t:\tmp4\t[720x1280]\n43") + '\0' + "\t:\twebm\n",
                  "NUL inside an old line");
}

TEST(TitleFromText, FirstLineWithoutItsEnd)
{
    struct Case {
        std::string bytes;
        std::string title;
    } cases[] = {
        {"My Clip.mp4\r\n", "My Clip.mp4"},
        {"My Clip.mp4", "My Clip.mp4"},
        {"First.flv\nSecond.mp4\n", "First.flv"},
        {std::string("Cl\0ip.mp4\n", 10), "Cl"},
        {"\n", ""},
        {"", ""},
        {std::string(10000, 'a') + ".mp4", std::string(200, 'a') + ".mp4"},
    };
    for (const Case &c : cases) {
        char *title = TitleFromText(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(c.title, title) << c.bytes.substr(0, 20);
        free(title);
    }
    char *title = TitleFromText(nullptr, 0);
    EXPECT_STREQ("", title);
    free(title);
}

TEST(OfferBestFormat, OneEntryWithTheFileNamesExtension)
{
    struct Case {
        const char *fileName;
        const char *extension;
    } cases[] = {
        {"Clip.WebM", "webm"},        {"C:\\Videos\\Clip.mkv", "mkv"}, {"Clip", "mp4"},
        {"C:\\v.d\\Clip", "mp4"},     {"Clip.MPEG4", "mpeg"},          {"Clip.", "mp4"},
        {"", "mp4"},                  {nullptr, "mp4"},
    };
    for (const Case &c : cases) {
        AvailableFormat list[2];
        memset(list, 0x5A, sizeof list);
        int32_t count = 7;
        OfferBestFormat(list, &count, c.fileName);
        const char *name = c.fileName ? c.fileName : "(null)";
        EXPECT_EQ(1, count) << name;
        EXPECT_EQ(0, (int)list[0].code) << name;
        EXPECT_STREQ(c.extension, list[0].extension) << name;
        EXPECT_EQ(0, (int)list[0].height) << name;
        EXPECT_EQ(0, (int)list[0].width) << name;
        EXPECT_EQ(0x5A, ((unsigned char *)&list[1])[0]) << name;
    }
}
