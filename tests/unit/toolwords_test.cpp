// Picking the tool's own words from its error output.
#include "toolbridge/toolwords.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>

TEST(PickToolWords, TakesTheLastErrorLineElseTheLastNonEmptyLine)
{
    struct {
        const char *text;
        const char *words;
    } cases[] = {
        {"WARNING: [youtube] slow\r\nERROR: [youtube] abc: Video unavailable\r\n", "ERROR: [youtube] abc: Video unavailable"},
        {"ERROR: first\nWARNING: between\nERROR: second\nTraceback follows\n", "ERROR: second"},
        {"Usage: yt-dlp [OPTIONS] URL\n\nyt-dlp: error: no such option: --encoding\n\n  \n",
         "yt-dlp: error: no such option: --encoding"},
        {"  ERROR: indented is no error line\nlast", "last"},
        {"ERROR:", "ERROR:"},
        {"\n\r\n \t\n", ""},
        {"", ""},
    };
    for (const auto &c : cases) {
        char words[TOOL_WORDS_SIZE] = "junk";
        EXPECT_EQ(c.words[0] != '\0', PickToolWords(c.text, strlen(c.text), words, sizeof words)) << c.text;
        EXPECT_STREQ(c.words, words) << c.text;
    }
}

TEST(PickToolWords, CutsLongLinesWithoutSplittingACharacter)
{
    // 298 ASCII bytes, then "é" (2 bytes) and "日" (3 bytes): 300 bytes end after the "é".
    std::string line = "ERROR: " + std::string(291, 'x') + "\xc3\xa9\xe6\x97\xa5 and more";
    char words[TOOL_WORDS_SIZE];
    ASSERT_TRUE(PickToolWords(line.c_str(), line.size(), words, sizeof words));
    EXPECT_EQ(line.substr(0, 300), words);
    // One byte more in front and the cut falls inside the "é", which then goes whole.
    line.insert(7, "x");
    ASSERT_TRUE(PickToolWords(line.c_str(), line.size(), words, sizeof words));
    EXPECT_EQ(line.substr(0, 299), words);
    // A small buffer bounds the copy as well.
    char small[8];
    ASSERT_TRUE(PickToolWords("ERROR: long text", 16, small, sizeof small));
    EXPECT_STREQ("ERROR: ", small);
}

TEST(ToolWords, SkippedDestinationIsToldApartFromSkippedParts)
{
    // Both tools' words for a file that is there: yt-dlp's and youtube-dl's "[download] %s has
    // already been downloaded", with the path as -o gave it.
    const char output[] = "[youtube] x: Downloading webpage\r\n"
                          "[download] C:\\V\\Holiday.f137.mp4 has already been downloaded\r\n"
                          "[download] C:\\V\\Holiday.f140.m4a has already been downloaded\n"
                          "[download] C:/W/Clip.mp4 has already been downloaded";
    const struct {
        const char *name;
        bool skipped;
    } cases[] = {
        {"Holiday.f137.mp4", true}, {"Clip.mp4", true},      {"Holiday.mp4", false},
        {"lip.mp4", false},         {"Holiday.f140", false}, {"", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.skipped, SaysAlreadyDownloaded(output, sizeof output - 1, c.name)) << c.name;
}

TEST(ToolWords, FinalFileIsTheMergedOneElseTheFirstNamed)
{
    // yt-dlp's "[Merger] Merging formats into \"%s\"" after its parts; a single format's own
    // "[download] Destination: %s"; a file found whole, "[download] %s has already been downloaded".
    const struct {
        const char *output;
        const char *name;  // "" when none
    } cases[] = {
        {"[download] Destination: C:\\V\\A.f137.mp4\n[download] Destination: C:\\V\\A.f140.m4a\n"
         "[Merger] Merging formats into \"C:\\V\\A.mp4\"\nDeleting original file C:\\V\\A.f137.mp4\n",
         "C:\\V\\A.mp4"},
        {"[info] x: Downloading 1 format(s): 18\r\n[download] Destination: C:\\V\\B.mp4\r\n", "C:\\V\\B.mp4"},
        {"[download] C:\\V\\C.webm has already been downloaded\n", "C:\\V\\C.webm"},
        {"[youtube] x: Downloading webpage\n", ""},
        {"[Merger] Merging formats into \"\n", ""},
    };
    for (const auto &c : cases) {
        char name[64] = "";
        EXPECT_EQ(c.name[0] != '\0', FinalFileOf(c.output, strlen(c.output), name, sizeof name)) << c.output;
        EXPECT_STREQ(c.name, c.name[0] ? name : "");
    }
}
