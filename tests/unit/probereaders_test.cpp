// The title and format files a probe leaves behind.
#include "toolbridge/probereaders.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

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
