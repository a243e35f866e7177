// The catalogue rows, the default list and the description text.
#include "formats/catalogue.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>

class CatalogueTest : public ::testing::Test {
protected:
    void SetUp() override { BuildCatalogue(catalogue, &count); }
    std::string Describe(int code)
    {
        char text[FORMAT_TEXT_SIZE];
        memset(text, 'x', sizeof text);
        DescribeFormat(text, code, catalogue, count);
        return text;
    }
    FormatInfo catalogue[FORMAT_CATALOGUE_SIZE];
    int count = 0;
};

TEST_F(CatalogueTest, HoldsTheFirstTwentyThreeCodesFirstThenTodaysStreams)
{
    const int codes[] = {5,   6,   13,  17,  18,  22,  34,  35,  36,  37,  38,  43,  44,  45,  46,
                         82,  83,  84,  85,  100, 101, 102, 120, 133, 134, 135, 136, 137, 139, 140,
                         141, 160, 171, 242, 243, 244, 245, 246, 247, 248, 249, 250, 251, 264, 266,
                         271, 278, 298, 299, 302, 303, 308, 313, 315, 394, 395, 396, 397, 398, 399};
    ASSERT_EQ(60, count);
    for (int i = 0; i < 60; i++)
        EXPECT_EQ(codes[i], (int)(catalogue[i].code)) << "row " << i;
}

TEST_F(CatalogueTest, DescribesCode22ByteForByte)
{
    EXPECT_EQ("File type:\tMP4\nResolution:\t720p\nV.Profile:\tHigh\nV.encode:\tH.264"
              "\nV.bitrate:\t2-2.9\nA.encode:\tAAC\nA.bitrate:\t192",
              Describe(22));
}

TEST_F(CatalogueTest, KeepsTheEnDashOfCode37)
{
    EXPECT_EQ("File type:\tMP4\nResolution:\t1080p\nV.Profile:\tHigh\nV.encode:\tH.264"
              "\nV.bitrate:\t3\x96"
              "5.9\nA.encode:\tAAC\nA.bitrate:\t192",
              Describe(37));
}

TEST_F(CatalogueTest, StoresNotAvailableAsText)
{
    EXPECT_EQ("File type:\t3GP\nResolution:\tN/A\nV.Profile:\tN/A\nV.encode:\tMPEG-4 Visual"
              "\nV.bitrate:\t0.5\nA.encode:\tAAC\nA.bitrate:\tN/A",
              Describe(13));
}

TEST_F(CatalogueTest, UnknownCodeGivesEmptyText)
{
    EXPECT_EQ("", Describe(9999));
    EXPECT_EQ("", Describe(138));
    EXPECT_EQ("", Describe(0));
    EXPECT_EQ("", Describe(-1));
}

TEST_F(CatalogueTest, FieldsAtFullWidthAreTerminated)
{
    const FormatInfo &row120 = catalogue[22];
    EXPECT_STREQ("Main@L3.1", row120.videoProfile);
    EXPECT_STREQ("WebM", catalogue[11].fileType);
    EXPECT_STREQ("Sorenson H.263", catalogue[0].videoEncoding);
    EXPECT_EQ("File type:\tFLV\nResolution:\t720p\nV.Profile:\tMain@L3.1\nV.encode:\tAVC"
              "\nV.bitrate:\t2\nA.encode:\tAAC\nA.bitrate:\t128",
              Describe(120));
}

TEST_F(CatalogueTest, LongestDescriptionsFitTheBuffer)
{
    EXPECT_EQ(117u, Describe(17).size());
    EXPECT_EQ(117u, Describe(36).size());
    for (int i = 0; i < 23; i++)
        EXPECT_LE(Describe(catalogue[i].code).size(), 117u) << catalogue[i].code;
}

// Container, height, frame rate, codecs and audio bit rate as in the tool's table of YouTube codes.
TEST_F(CatalogueTest, SaysPlainlyWhenAStreamHasNoSoundOrNoPicture)
{
    struct Case {
        int code;
        const char *text;
    } cases[] = {
        {137, "File type:\tMP4\nResolution:\t1080p\nV.Profile:\tN/A\nV.encode:\tH.264"
              "\nV.bitrate:\tN/A\nA.encode:\tNo sound\nA.bitrate:\tN/A"},
        {303, "File type:\tWebM\nResolution:\t1080p60\nV.Profile:\tN/A\nV.encode:\tVP9"
              "\nV.bitrate:\tN/A\nA.encode:\tNo sound\nA.bitrate:\tN/A"},
        {399, "File type:\tMP4\nResolution:\t1080p\nV.Profile:\tN/A\nV.encode:\tAV1"
              "\nV.bitrate:\tN/A\nA.encode:\tNo sound\nA.bitrate:\tN/A"},
        {140, "File type:\tM4A\nResolution:\tN/A\nV.Profile:\tN/A\nV.encode:\tNo picture"
              "\nV.bitrate:\tN/A\nA.encode:\tAAC\nA.bitrate:\t128"},
        {251, "File type:\tWebM\nResolution:\tN/A\nV.Profile:\tN/A\nV.encode:\tNo picture"
              "\nV.bitrate:\tN/A\nA.encode:\tOpus\nA.bitrate:\t160"},
        {171, "File type:\tWebM\nResolution:\tN/A\nV.Profile:\tN/A\nV.encode:\tNo picture"
              "\nV.bitrate:\tN/A\nA.encode:\tVorbis\nA.bitrate:\t128"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.text, Describe(c.code)) << c.code;
    const int silent[] = {133, 160, 248, 264, 266, 278, 298, 315, 394};
    for (int code : silent)
        EXPECT_NE(std::string::npos, Describe(code).find("A.encode:\tNo sound")) << code;
    const int pictureless[] = {139, 141, 249, 250};
    for (int code : pictureless)
        EXPECT_NE(std::string::npos, Describe(code).find("V.encode:\tNo picture")) << code;
}

TEST_F(CatalogueTest, DescribesOfferedRecordsTheCatalogueDoesNotKnow)
{
    AvailableFormat unterminated = {9999, "", 0, 0};
    memcpy(unterminated.extension, "abcde", EXTENSION_SIZE);
    struct Case {
        AvailableFormat record;
        std::string text;
    } cases[] = {
        {{22, "webm", 1, 2}, Describe(22)},
        {{0, "webm", 0, 0}, "File type:\tWEBM\nFormat code:\tbest (chosen by the tool)"},
        {{9999, "m4a", 0, 0}, "File type:\tM4A\nResolution:\tN/A\nFormat code:\t9999"},
        {{9999, "mp4", 720, 1280}, "File type:\tMP4\nResolution:\t720p\nFormat code:\t9999"},
        {{-7, "", -5, 3}, "File type:\t\nResolution:\tN/A\nFormat code:\t-7"},
        {unterminated, "File type:\tABCD\nResolution:\tN/A\nFormat code:\t9999"},
    };
    for (const Case &c : cases) {
        char text[FORMAT_TEXT_SIZE];
        memset(text, 'x', sizeof text);
        DescribeOffered(text, &c.record, catalogue, count);
        EXPECT_EQ(c.text, text) << c.record.code;
    }
    char text[FORMAT_TEXT_SIZE] = "old";
    DescribeOffered(text, nullptr, catalogue, count);
    EXPECT_STREQ("", text);
}

TEST_F(CatalogueTest, DefaultListIsTheElevenRecords)
{
    struct Expected {
        int code;
        const char *extension;
        int height, width;
    } expected[] = {{37, "mp4", 1080, 1920}, {46, "webm", 1080, 1920}, {22, "mp4", 720, 1280},
                    {45, "webm", 720, 1280}, {35, "flv", 480, 854},    {44, "webm", 480, 854},
                    {34, "flv", 360, 640},   {18, "mp4", 360, 640},    {43, "webm", 360, 640},
                    {5, "flv", 240, 400},    {17, "mp4", 144, 176}};
    for (int i = 0; i < DEFAULT_FORMAT_COUNT; i++) {
        EXPECT_EQ(expected[i].code, (int)(defaultFormats[i].code)) << i;
        EXPECT_STREQ(expected[i].extension, defaultFormats[i].extension) << i;
        EXPECT_EQ(expected[i].height, (int)(defaultFormats[i].height)) << i;
        EXPECT_EQ(expected[i].width, (int)(defaultFormats[i].width)) << i;
        EXPECT_NE("", Describe(defaultFormats[i].code)) << "code missing from catalogue";
    }
}

TEST(AvailableFormatLayout, IsPackedLittleEndian)
{
    AvailableFormat record = {0x01020304, "webm", 0x0a0b0c0d, 0x11121314};
    const unsigned char *bytes = (const unsigned char *)&record;
    const unsigned char expected[17] = {0x04, 0x03, 0x02, 0x01, 'w',  'e',  'b',  'm', 0,
                                        0x0d, 0x0c, 0x0b, 0x0a, 0x14, 0x13, 0x12, 0x11};
    EXPECT_EQ(0, memcmp(expected, bytes, 17));
}
