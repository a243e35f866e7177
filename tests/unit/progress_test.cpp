// Status text and fill width from the tool's console title.
#include "control/progress.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>

struct ProgressCase {
    const char *title;
    const char *status; // nullptr: the title is refused and the status stays as it was
    int width;
};

// Titles as the tools write them: youtube-dl 2013 ("youtube-dl - %s of %s at %s ETA %s"),
// youtube-dl 2014-2025 ("youtube-dl " + "%6s of %s at %10s ETA %s", last "100% of %s in %s"),
// yt-dlp ("yt-dlp " + "%5.1f%% of %10s at %10s/s ETA %s", " (frag %s/%s)", last
// "100% of %s in %s at %s"). The cases run in order on one record, so a refused title
// is checked against the status its predecessor left.
TEST(ComposeProgress, ReadsEveryToolsTitles)
{
    const ProgressCase cases[] = {
        {"youtube-dl - 45.3% of 12.34MiB at 1.02MiB/s ETA 00:07",
         "SP:1.02MiB/s|>DL:45.3% Of 12.34MiB<|ET:00:07", 131},
        {"youtube-dl - 99.9% of 512.00KiB at 10.00KiB/s ETA 00:00",
         "SP:10.00KiB/s|>DL:99.9% Of 512.00KiB<|ET:00:00", 289},
        {"youtube-dl - 10.0% of 1.00MiB at 1.00MiB/s ETA 00:01",
         "SP:1.00MiB/s|>DL:10.0% Of 1.00MiB<|ET:00:01", 29},
        {"youtube-dl   4.3% of 2.86MiB at 1018.88KiB/s ETA 00:02",
         "SP:1018.88KiB/s|>DL:4.3% Of 2.86MiB<|ET:00:02", 12},
        {"youtube-dl  45.3% of 12.34MiB at    1.02MiB/s ETA 00:07",
         "SP:1.02MiB/s|>DL:45.3% Of 12.34MiB<|ET:00:07", 131},
        {"youtube-dl  12.0% of ~2.86MiB at  256.00KiB/s ETA 00:10",
         "SP:256.00KiB/s|>DL:12.0% Of ~2.86MiB<|ET:00:10", 34},
        {"youtube-dl   0.0% of 2.86MiB at Unknown speed ETA Unknown ETA",
         "SP:Unknown speed|>DL:0.0% Of 2.86MiB<|ET:Unknown ETA", 0},
        {"youtube-dl   0.1% of 9.99GiB at   10.00KiB/s ETA --:--:--",
         "SP:10.00KiB/s|>DL:0.1% Of 9.99GiB<|ET:--:--:--", 0},
        {"youtube-dl 100% of 2.86MiB in 00:02", "SP:|>DL:100% Of 2.86MiB<|ET:00:00", 290},
        {"yt-dlp   4.3% of    2.86MiB at 1002.97KiB/s ETA 00:02",
         "SP:1002.97KiB/s|>DL:4.3% Of 2.86MiB<|ET:00:02", 12},
        {"yt-dlp  45.3% of ~  12.34MiB at    1.02MiB/s ETA 00:07 (frag 3/10)",
         "SP:1.02MiB/s|>DL:45.3% Of ~12.34MiB<|ET:00:07", 131},
        {"yt-dlp  50.0% of ~1018.88KiB at  509.44KiB/s ETA 00:01 (frag 5)",
         "SP:509.44KiB/s|>DL:50.0% Of ~1018.88KiB<|ET:00:01", 145},
        {"yt-dlp   0.0% of    2.86MiB at  Unknown B/s ETA Unknown",
         "SP:Unknown B/s|>DL:0.0% Of 2.86MiB<|ET:Unknown", 0},
        {"yt-dlp  12.5% of    1.00GiB at    1.00MiB/s ETA 01:02:03",
         "SP:1.00MiB/s|>DL:12.5% Of 1.00GiB<|ET:01:02:03", 36},
        {"yt-dlp 100% of    2.86MiB in 00:00:02 at 1022.24KiB/s",
         "SP:1022.24KiB/s|>DL:100% Of 2.86MiB<|ET:00:00", 290},
        // Percent only: the other fields are empty, not the previous title's.
        {"youtube-dl  45.3%", "SP:|>DL:45.3% Of <|ET:", 131},
        {"yt-dlp 100% in 00:00:02", "SP:|>DL:100% Of <|ET:00:00", 290},
        // An elevated console shows a prefix before the title the tool set.
        {"Administrator: yt-dlp  45.3% of   12.34MiB at    1.02MiB/s ETA 00:07",
         "SP:1.02MiB/s|>DL:45.3% Of 12.34MiB<|ET:00:07", 131},
        {"yt-dlp MoveFiles finished", nullptr, -1},
        {"youtube-dl 2.86MiB at 1.02MiB/s (00:02)", nullptr, -1},
        {"yt-dlp    2.86MiB at    1.02MiB/s (00:00:02)", nullptr, -1},
        {"yt-dlp   N/A% at  Unknown B/s ETA Unknown", nullptr, -1},
        {"youtube-dl Unknown % of 0.00B at Unknown speed ETA Unknown ETA", nullptr, -1},
        {"youtube-dl - ---.-% of 2.86MiB at ---b/s ETA --:--", nullptr, -1},
        {"C:\\Users\\yt-dlp\\AppData\\Local\\Temp\\5890DA2.~tmp.exe", nullptr, -1},
        {"C:\\youtube-dl 45\\5890DA2.~tmp.exe", nullptr, -1},
        {"", nullptr, -1},
        {"yt-dlp", nullptr, -1},
        {"45.3% of 12.34MiB at 1.02MiB/s ETA 00:07", nullptr, -1},
        {"youtube-dl - 45.3% done", nullptr, -1},
        {"youtube-dl - 99999999.9% of 1MiB at 1MiB/s ETA 00:00", nullptr, -1},
    };
    ProgressText progress;
    memset(&progress, 0, sizeof progress);
    for (const ProgressCase &c : cases) {
        std::string before = progress.status;
        int width = -2;
        const char *status = ComposeProgress(&progress, c.title, &width);
        if (c.status) {
            EXPECT_STREQ(c.status, status) << c.title;
        } else {
            EXPECT_EQ(nullptr, status) << c.title;
            EXPECT_EQ(before, progress.status) << c.title;
        }
        EXPECT_EQ(c.width, width) << c.title;
    }
}

TEST(ComposeProgress, OverlongWordsAreCutToTheirFields)
{
    ProgressText progress;
    memset(&progress, 0, sizeof progress);
    int width = 0;
    std::string title = "youtube-dl - 12.5% of " + std::string(40, 'S') + " at " +
                        std::string(40, 'P') + " ETA " + std::string(40, 'E') + " " +
                        std::string(40, 'F');
    const char *status = ComposeProgress(&progress, title.c_str(), &width);
    ASSERT_NE(nullptr, status);
    EXPECT_EQ("SP:" + std::string(15, 'P') + "|>DL:12.5% Of " + std::string(15, 'S') +
                  "<|ET:" + std::string(12, 'E'),
              status);
    EXPECT_EQ(36, width);
    ComposeProgress(&progress, "youtube-dl - 9999999.9% of 1MiB at 1MiB/s ETA 00:00", &width);
    EXPECT_EQ(PROGRESS_BAR_WIDTH, width) << "the bar never grows past its frame";
}
