// Checks against what the real yt-dlp printed (tests/realtool/fixtures, made by
// capture.sh): the program's readers understand it, and the stand-in prints the same.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <regex>
#include <string>
#include <vector>

#include "control/progress.h"
#include "tests/standin/page.h"
#include "tests/standin/table.h"
#include "tests/standin/titles.h"
#include "tests/unit/test_files.h"
#include "toolbridge/probereaders.h"

namespace {

std::string Fixture(const char *name)
{
    std::string path = std::string(VIDMORA_REALTOOL_DIR) + "/fixtures/" + name;
    EXPECT_TRUE(Exists(path)) << path;
    return ReadBytes(path);
}

std::vector<std::string> Lines(const std::string &text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// The stand-in address capture.sh names for a fixture ("youtube", "all", "direct").
std::string Page(const char *name)
{
    for (const std::string &line : Lines(Fixture("pages.txt")))
        if (line.compare(0, strlen(name) + 1, std::string(name) + " ") == 0)
            return line.substr(strlen(name) + 1);
    ADD_FAILURE() << "no page " << name;
    return "";
}

std::vector<std::string> StandinListing(const std::string &address)
{
    StandinPage page;
    StandinParsePage(address.c_str(), &page);
    StandinTable table;
    std::vector<std::string> lines;
    if (!StandinTableBegin(&page, &table))
        return lines;
    lines.push_back(std::string("[info] Available formats for ") + page.videoId + ":");
    char line[4096];
    for (int i = 0; i < table.lineCount; i++) {
        StandinTableLine(&table, i, line, sizeof line);
        lines.push_back(line);
    }
    return lines;
}

struct Expected {
    int code;
    const char *extension;
    int height, width;
};

void ExpectFormats(const char *fixture, const std::vector<Expected> &expected)
{
    std::string text = Fixture(fixture);
    AvailableFormat list[MAX_AVAILABLE_FORMATS];
    memset(list, 0, sizeof list);
    int32_t count = -1;
    ParseFormatText(text.data(), text.size(), list, &count);
    ASSERT_EQ((int32_t)expected.size(), count) << fixture;
    for (size_t i = 0; i < expected.size(); i++) {
        // Copies: the packed record's fields cannot be bound to references.
        int32_t code = list[i].code, height = list[i].height, width = list[i].width;
        EXPECT_EQ(expected[i].code, code) << fixture << " #" << i;
        EXPECT_EQ(0, strncmp(expected[i].extension, list[i].extension, EXTENSION_SIZE))
            << fixture << " #" << i;
        EXPECT_EQ(expected[i].height, height) << fixture << " code " << code;
        EXPECT_EQ(expected[i].width, width) << fixture << " code " << code;
    }
}

// ---- the program's readers on the real tool's output ---------------------------------

TEST(RealTool, FormatTablesReadBestFirstByKind)
{
    // The info dict of listformats.py: sound and picture, picture only, sound only.
    const std::vector<Expected> youtube = {
        {22, "mp4", 720, 1280},  {18, "mp4", 360, 640},   {399, "mp4", 1080, 1920},
        {299, "mp4", 1080, 1920}, {137, "mp4", 1080, 1920}, {136, "mp4", 720, 1280},
        {135, "mp4", 480, 854},  {134, "mp4", 360, 640},  {133, "mp4", 240, 426},
        {160, "mp4", 144, 256},  {278, "webm", 144, 256}, {251, "webm", 0, 0},
        {140, "m4a", 0, 0},      {139, "m4a", 0, 0},
    };
    ExpectFormats("formats-youtube.txt", youtube);
    ExpectFormats("formats-youtube-box.txt", youtube);
    ExpectFormats("formats-direct.txt", {});  // a direct link offers no numeric code
}

TEST(RealTool, LongFormatTableKeepsTheFirstTwentyFour)
{
    // 60 codes; the 23 with sound and picture come first in page order, then, as the
    // reader keeps sound-only rows before picture-only ones, the best sound-only row
    // (the page lists 139 first among them, so the table shows it last).
    ExpectFormats("formats-all.txt", {
        {22, "mp4", 720, 1280}, {18, "mp4", 360, 640},   {43, "webm", 360, 640},
        {5, "flv", 240, 400},   {17, "3gp", 144, 176},   {6, "flv", 270, 480},
        {13, "3gp", 0, 0},      {34, "flv", 360, 640},   {35, "flv", 480, 854},
        {36, "3gp", 240, 320},  {37, "mp4", 1080, 1920}, {38, "mp4", 3072, 4096},
        {44, "webm", 480, 854}, {45, "webm", 720, 1280}, {46, "webm", 1080, 1920},
        {82, "mp4", 360, 640},  {83, "mp4", 240, 320},   {84, "mp4", 720, 1280},
        {85, "mp4", 520, 920},  {100, "webm", 360, 640}, {101, "webm", 360, 640},
        {102, "webm", 720, 1280}, {120, "flv", 720, 1280}, {139, "m4a", 0, 0},
    });
}

TEST(RealTool, ConsoleTitlesOfADownload)
{
    std::vector<std::string> titles = Lines(Fixture("titles-download.txt"));
    ASSERT_GE(titles.size(), 5u);
    int lastWidth = -1;
    size_t readable = 0;
    for (const std::string &title : titles) {
        ProgressText progress;
        memset(&progress, 0, sizeof progress);
        int width = 0;
        const char *status = ComposeProgress(&progress, title.c_str(), &width);
        if (title.find("MoveFiles") != std::string::npos) {
            EXPECT_TRUE(status == NULL) << title;
            EXPECT_EQ(-1, width) << title;
            continue;
        }
        ASSERT_TRUE(status != NULL) << title;
        readable++;
        // The percentage is the title's second word; the size is the server's 256 KiB.
        char percent[16] = "";
        sscanf(title.c_str(), "%*s %15s", percent);
        EXPECT_NE(nullptr, strstr(status, (std::string("|>DL:") + percent + " Of 256.00KiB<|ET:").c_str()))
            << title << " -> " << status;
        if (title.find("Unknown B/s") != std::string::npos) {
            std::string unknown = std::string("SP:Unknown B/s|>DL:") + percent + " Of 256.00KiB<|ET:Unknown";
            EXPECT_STREQ(unknown.c_str(), status);
        }
        EXPECT_GE(width, lastWidth) << title;
        lastWidth = width;
    }
    EXPECT_EQ(titles.size() - 2, readable);
    EXPECT_EQ(PROGRESS_BAR_WIDTH, lastWidth);
}

// ---- the stand-in against the real tool ---------------------------------------------

TEST(RealTool, StandinTablesEqualTheCapturedOnes)
{
    EXPECT_EQ(Lines(Fixture("formats-youtube.txt")), StandinListing(Page("youtube")));
    EXPECT_EQ(Lines(Fixture("formats-youtube-box.txt")), StandinListing(Page("youtube") + "&box=1"));
    EXPECT_EQ(Lines(Fixture("formats-all.txt")), StandinListing(Page("all")));
    std::vector<std::string> direct = Lines(Fixture("formats-direct.txt"));
    ASSERT_GE(direct.size(), 4u);
    direct.erase(direct.begin(), direct.end() - 4);  // from "[info] Available formats"
    EXPECT_EQ(direct, StandinListing(Page("direct")));
}

TEST(RealTool, StandinFileNamesEqualTheCapturedOnes)
{
    // The templates capture.sh gave, in its order.
    const char *const templates[] = {"%(title)s.%(ext)s", "100% Fun.%(ext)s",
                                     "100%% Fun %(id)s.%(ext)s", "%(uploader)s.%(ext)s"};
    std::vector<std::string> names = Lines(Fixture("filenames.txt"));
    ASSERT_EQ(4u, names.size());
    StandinPage page;
    StandinParsePage(Page("direct").c_str(), &page);
    for (int i = 0; i < 4; i++) {
        char out[256];
        ASSERT_EQ(1, StandinExpandStyledTemplate(templates[i], page.style, page.title,
                                                 StandinGenericId(&page), page.videoId, out,
                                                 sizeof out, NULL));
        EXPECT_EQ(names[i], out) << templates[i];
    }
}

// Which of yt-dlp's title forms a title has, checking each fixed-width field.
std::string TitleKind(const std::string &t)
{
    static const std::regex progress(
        "yt-dlp [ 0-9]{2}[0-9]\\.[0-9]% of [ 0-9.]{4,9}[0-9](B|KiB|MiB) at "
        "[ 0-9.]{4,9}[0-9](B|KiB|MiB)/s ETA [0-9]{2}:[0-9]{2}(:[0-9]{2})?");
    static const std::regex unknown(
        "yt-dlp [ 0-9]{2}[0-9]\\.[0-9]% of [ 0-9.]{4,9}[0-9](B|KiB|MiB) at  Unknown B/s ETA Unknown");
    static const std::regex finished(
        "yt-dlp 100% of [ 0-9.]{4,9}[0-9](B|KiB|MiB) in [0-9]{2}:[0-9]{2}:[0-9]{2} at "
        "[0-9.]+(B|KiB|MiB)/s");
    // Padded fields keep their widths: percent 6, size 10, speed 10 before "/s".
    bool widths = t.size() > 43 && t.compare(13, 4, " of ") == 0 && t.compare(27, 4, " at ") == 0;
    if (std::regex_match(t, unknown) && widths && t.compare(43, 5, " ETA ") == 0)
        return "unknown";
    if (std::regex_match(t, progress) && widths && t.compare(41, 7, "/s ETA ") == 0)
        return "progress";
    if (std::regex_match(t, finished) && t.compare(25, 4, " in ") == 0)
        return "finished";
    return t;  // post-processor titles and anything unforeseen compare as they are
}

std::vector<std::string> Kinds(const std::vector<std::string> &titles)
{
    std::vector<std::string> kinds;
    for (const std::string &title : titles) {
        std::string kind = TitleKind(title);
        if (kinds.empty() || kinds.back() != kind)
            kinds.push_back(kind);
    }
    return kinds;
}

TEST(RealTool, StandinTitlesHaveTheCapturedShape)
{
    // A yt-dlp page of the captured size, as the stand-in's download sets its titles.
    StandinPage page;
    StandinParsePage("x?style=yt-dlp&size=262144&step=20000&delay=100", &page);
    std::vector<std::string> titles;
    char message[160], title[192];
    for (unsigned long long done = 0, first = 1; done < page.size; first = 0) {
        done = done + page.step < page.size ? done + page.step : page.size;
        StandinStyledProgress(page.style, &page, done, !first, message, sizeof message);
        StandinStyledTitle(page.style, message, title, sizeof title);
        titles.push_back(title);
    }
    StandinStyledFinished(page.style, &page, 2600, message, sizeof message);
    StandinStyledTitle(page.style, message, title, sizeof title);
    titles.push_back(title);
    for (int i = 0; StandinPostTitle(page.style, i); i++)
        titles.push_back(StandinPostTitle(page.style, i));

    std::vector<std::string> captured = Kinds(Lines(Fixture("titles-download.txt")));
    EXPECT_EQ(captured, Kinds(titles));
    EXPECT_EQ((std::vector<std::string>{"unknown", "progress", "finished", "yt-dlp MoveFiles started",
                                        "yt-dlp MoveFiles finished"}),
              captured);

    // A file already there: only the "100% of" title, then the post-processor's.
    std::vector<std::string> again = {};
    StandinStyledFinished(page.style, &page, -1, message, sizeof message);
    StandinStyledTitle(page.style, message, title, sizeof title);
    again.push_back(title);
    for (int i = 0; StandinPostTitle(page.style, i); i++)
        again.push_back(StandinPostTitle(page.style, i));
    EXPECT_EQ(Lines(Fixture("titles-again.txt")), again);
}

}  // namespace
