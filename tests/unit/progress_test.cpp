// Status text and fill width from the tool's console title.
#include "control/progress.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>

struct ProgressCase {
    const char *title;
    const char *status;
    int width;
};

TEST(ComposeProgress, TurnsProgressTitlesIntoStatusAndWidth)
{
    const ProgressCase cases[] = {
        {"youtube-dl - 45.3% of 12.34MiB at 1.02MiB/s ETA 00:07",
         "SP:1.02MiB/s|>DL:45.3% Of 12.34MiB<|ET:00:07", 131},
        {"youtube-dl - 100.0% of 12.34MiB at 1.02MiB/s ETA 00:00",
         "SP:1.02MiB/s|>DL:100.0% Of 12.34MiB<|ET:00:00", 290},
        {"youtube-dl - 0.0% of 12.34MiB at 1.02MiB/s ETA 00:12",
         "SP:1.02MiB/s|>DL:0.0% Of 12.34MiB<|ET:00:12", 0},
        {"youtube-dl - 99.9% of 512.00KiB at 10.00KiB/s ETA 00:00",
         "SP:10.00KiB/s|>DL:99.9% Of 512.00KiB<|ET:00:00", 289},
        {"youtube-dl - 10.0% of 1.00MiB at 1.00MiB/s ETA 00:01",
         "SP:1.00MiB/s|>DL:10.0% Of 1.00MiB<|ET:00:01", 29},
    };
    ProgressText progress;
    memset(&progress, 0, sizeof progress);
    for (const ProgressCase &c : cases) {
        int width = -2;
        EXPECT_STREQ(c.status, ComposeProgress(&progress, c.title, &width)) << c.title;
        EXPECT_EQ(c.width, width) << c.title;
    }
}

TEST(ComposeProgress, TitleWithoutProgressBlanksTheStatusAndKeepsTheBar)
{
    ProgressText progress;
    memset(&progress, 0, sizeof progress);
    int width = 0;
    EXPECT_STREQ("", ComposeProgress(&progress, "C:\\Temp\\5890DA2.~tmp.exe", &width));
    EXPECT_EQ(-1, width);
    EXPECT_STREQ("", ComposeProgress(&progress, "", &width));
    EXPECT_EQ(-1, width);
}

TEST(ComposeProgress, MissingFieldsAreEmptyNotLeftFromAnEarlierTitle)
{
    ProgressText progress;
    memset(&progress, 0, sizeof progress);
    int width = 0;
    ComposeProgress(&progress, "youtube-dl - 45.3% of 12.34MiB at 1.02MiB/s ETA 00:07", &width);
    EXPECT_STREQ("SP:|>DL:12.5% Of 3.00MiB<|ET:",
                 ComposeProgress(&progress, "youtube-dl - 12.5% of 3.00MiB", &width));
    EXPECT_EQ(36, width);
    EXPECT_STREQ("SP:|>DL:Unknown Of <|ET:",
                 ComposeProgress(&progress,
                                 "youtube-dl - Unknown % of N/A at 1.23M/s ETA Unknown ETA", &width));
    EXPECT_EQ(0, width);
}

TEST(ComposeProgress, OverlongWordsAreCutToTheirFields)
{
    ProgressText progress;
    memset(&progress, 0, sizeof progress);
    int width = 0;
    std::string title = "youtube-dl - 12.5% of " + std::string(40, 'S') + " at " +
                        std::string(40, 'P') + " ETA " + std::string(40, 'E');
    const char *status = ComposeProgress(&progress, title.c_str(), &width);
    EXPECT_STREQ("12.5%", progress.percent);
    EXPECT_EQ(std::string(15, 'S'), progress.size);
    EXPECT_LT(strlen(status), (size_t)STATUS_TEXT_SIZE);
    std::string huge = "youtube-dl - 99999999999% of 1MiB at 1MiB/s ETA 00:00";
    ComposeProgress(&progress, huge.c_str(), &width);
    EXPECT_EQ(PROGRESS_BAR_WIDTH, width) << "the bar never grows past its frame";
}
