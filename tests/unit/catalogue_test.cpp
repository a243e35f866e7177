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

TEST_F(CatalogueTest, HoldsTheTwentyThreeCodesInOrder)
{
    const int codes[] = {5,  6,  13, 17, 18, 22, 34, 35, 36,  37,  38, 43,
                         44, 45, 46, 82, 83, 84, 85, 100, 101, 102, 120};
    ASSERT_EQ(23, count);
    for (int i = 0; i < 23; i++)
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
    EXPECT_EQ("", Describe(140));
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
    for (int i = 0; i < count; i++)
        EXPECT_LE(Describe(catalogue[i].code).size(), 117u) << catalogue[i].code;
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
