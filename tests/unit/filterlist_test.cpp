// The save dialog's filter block, byte for byte.
#include "formats/filterlist.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

class FilterListTest : public ::testing::Test {
protected:
    void SetUp() override { BuildCatalogue(catalogue, &count); }
    std::string Build(const AvailableFormat *list, int listCount, FilterEntries *entries = nullptr)
    {
        char *block = BuildFilterList(list, listCount, catalogue, count, entries);
        std::string bytes(block, FilterListSize(block));
        free(block);
        return bytes;
    }
    FormatInfo catalogue[FORMAT_CATALOGUE_SIZE];
    int count = 0;
};

static std::string Entry(const char *description, const char *pattern)
{
    return std::string(description) + '\0' + pattern + '\0';
}

TEST_F(FilterListTest, DefaultListGivesElevenEntries)
{
    std::string expected =
        Entry("MP4~1080p-H.264(3\x96" "5.9Mbit/s)[1080x1920]", "*.mp4") +
        Entry("WebM~1080p-VP8(N/AMbit/s)[1080x1920]", "*.webm") +
        Entry("MP4~720p-H.264(2-2.9Mbit/s)[720x1280]", "*.mp4") +
        Entry("WebM~720p-VP8(2Mbit/s)[720x1280]", "*.webm") +
        Entry("FLV~480p-H.264(0.8-1Mbit/s)[480x854]", "*.flv") +
        Entry("WebM~480p-VP8(1Mbit/s)[480x854]", "*.webm") +
        Entry("FLV~360p-H.264(0.5Mbit/s)[360x640]", "*.flv") +
        Entry("MP4~270p/360p-H.264(0.5Mbit/s)[360x640]", "*.mp4") +
        Entry("WebM~360p-VP8(0.5Mbit/s)[360x640]", "*.webm") +
        Entry("FLV~240p-Sorenson H.263(0.25Mbit/s)[240x400]", "*.flv") +
        Entry("3GP~144p-MPEG-4 Visual(0.05Mbit/s)[144x176]", "*.3gp");
    ASSERT_EQ(485u, expected.size());
    EXPECT_EQ(expected + '\0', Build(defaultFormats, DEFAULT_FORMAT_COUNT));
}

TEST_F(FilterListTest, EmptyListHoldsOnlyTheTerminator)
{
    FilterEntries entries;
    EXPECT_EQ(std::string(1, '\0'), Build(defaultFormats, 0, &entries));
    EXPECT_EQ(0, entries.count);
}

TEST_F(FilterListTest, EveryRecordGetsAnEntrySoPositionsMatchTheList)
{
    AvailableFormat list[] = {{22, "mp4", 720, 1280}, {9999, "m4a", 0, 0}, {18, "mp4", 360, 640}};
    FilterEntries entries;
    EXPECT_EQ(Entry("MP4~720p-H.264(2-2.9Mbit/s)[720x1280]", "*.mp4") +
                  Entry("M4A~Code 9999[0x0]", "*.m4a") +
                  Entry("MP4~270p/360p-H.264(0.5Mbit/s)[360x640]", "*.mp4") + '\0',
              Build(list, 3, &entries));
    ASSERT_EQ(3, entries.count);
    for (int position = 1; position <= 3; position++) {
        EXPECT_EQ(position, RecordOfFilter(&entries, position));
        EXPECT_EQ(position, FilterOfRecord(&entries, position));
    }
    EXPECT_EQ(0, RecordOfFilter(&entries, 4));
    EXPECT_EQ(0, RecordOfFilter(&entries, 0));
    EXPECT_EQ(1, FilterOfRecord(&entries, 4));
}

TEST_F(FilterListTest, EntriesSayWhatAStreamLacksOrWhoChoosesIt)
{
    struct Case {
        AvailableFormat record;
        const char *description;
        const char *pattern;
    } cases[] = {
        {{137, "mp4", 1080, 1920}, "MP4~1080p-H.264(N/AMbit/s)[1080x1920] no sound", "*.mp4"},
        {{302, "webm", 720, 1280}, "WebM~720p60-VP9(N/AMbit/s)[720x1280] no sound", "*.webm"},
        {{140, "m4a", 0, 0}, "M4A~AAC(128kbit/s) no picture", "*.m4a"},
        {{251, "webm", 0, 0}, "WebM~Opus(160kbit/s) no picture", "*.webm"},
        {{0, "webm", 0, 0}, "best (chosen by the tool)", "*.webm"},
        {{9999, "mp4", 1080, 1920}, "MP4~Code 9999[1080x1920]", "*.mp4"},
        {{9999, "", 5, 6}, "~Code 9999[5x6]", "*.*"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Entry(c.description, c.pattern) + '\0', Build(&c.record, 1)) << c.record.code;
}

TEST_F(FilterListTest, PatternComesFromTheCatalogueNotTheRecord)
{
    AvailableFormat list[] = {{17, "mp4", 144, 176}, {46, "webm", 1080, 1920}};
    EXPECT_EQ(Entry("3GP~144p-MPEG-4 Visual(0.05Mbit/s)[144x176]", "*.3gp") +
                  Entry("WebM~1080p-VP8(N/AMbit/s)[1080x1920]", "*.webm") + '\0',
              Build(list, 2));
}

TEST_F(FilterListTest, TwentyFourWideEntriesAllFit)
{
    const int32_t low = -2147483647 - 1, high = 2147483647;
    struct Case {
        AvailableFormat record;
        std::string entry;
    } cases[] = {
        {{17, "3gp", low, high},
         Entry("3GP~144p-MPEG-4 Visual(0.05Mbit/s)[-2147483648x2147483647]", "*.3gp")},
        {{308, "webm", low, low},
         Entry("WebM~1440p60-VP9(N/AMbit/s)[-2147483648x-2147483648] no sound", "*.webm")},
        {{low, "abcd", low, low},
         Entry("ABCD~Code -2147483648[-2147483648x-2147483648]", "*.abcd")},
    };
    for (const Case &c : cases) {
        AvailableFormat list[MAX_AVAILABLE_FORMATS];
        std::string expected;
        for (int i = 0; i < MAX_AVAILABLE_FORMATS; i++) {
            list[i] = c.record;
            expected += c.entry;
        }
        FilterEntries entries;
        EXPECT_EQ(expected + '\0', Build(list, MAX_AVAILABLE_FORMATS, &entries)) << c.record.code;
        EXPECT_EQ(MAX_AVAILABLE_FORMATS, entries.count);
    }
}
