// Character boundaries in UTF-8 and code page 932, well-formed UTF-8, proposed names.
#include "toolbridge/textrules.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "toolbridge/toolwords.h"

TEST(CharacterCut, NeverSplitsACharacter)
{
    struct {
        unsigned codePage;
        const char *text;
        size_t limit;
        size_t cut;
    } cases[] = {
        {CODE_PAGE_UTF8, "caf\xc3\xa9", 4, 3},          // inside "é"
        {CODE_PAGE_UTF8, "caf\xc3\xa9", 5, 5},
        {CODE_PAGE_UTF8, "\xe6\x97\xa5\xe6\x9c\xac", 5, 3},  // "日本": inside "本"
        {CODE_PAGE_UTF8, "\xf0\x9f\x8e\xb5!", 3, 0},   // inside the emoji
        {CODE_PAGE_UTF8, "abc", 10, 3},
        {932, "a\x95\x5c" "b", 2, 1},                    // "a表b": between lead and trail
        {932, "a\x95\x5c" "b", 3, 3},
        {932, "\x5c\x95\x5c\x95\x5c", 4, 3},             // '\' then two "表": inside the second
        {1252, "caf\xe9", 3, 3},                          // single-byte: any cut
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.cut, CharacterCut(c.text, strlen(c.text), c.limit, c.codePage))
            << c.codePage << " \"" << c.text << "\" at " << c.limit;
    }
}

TEST(LastBackslash, PassesOverTrailBytes)
{
    const char *path = "C:\\V\\\x95\x5c.mp4";  // C:\V\表.mp4, whose trail byte is '\'
    EXPECT_EQ(path + 4, LastBackslash(path, 932));
    EXPECT_EQ(path + 6, LastBackslash(path, 1252));
    EXPECT_EQ(nullptr, LastBackslash("clip.mp4", 932));
}

TEST(Utf8, WellFormedOrNot)
{
    struct {
        const char *text;
        bool valid;
        const char *replaced;
    } cases[] = {
        {"caf\xc3\xa9 \xf0\x9f\x8e\xb5", true, "caf\xc3\xa9 \xf0\x9f\x8e\xb5"},
        {"caf\xe9", false, "caf_"},                   // Windows-1252 "café"
        {"\xc0\x80", false, "__"},                    // overlong NUL
        {"\xed\xa0\x80", false, "___"},               // a surrogate
        {"\xf4\x90\x80\x80", false, "____"},          // past U+10FFFF
        {"\xe6\x97", false, "__"},                    // cut short
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.valid, IsValidUtf8(c.text, strlen(c.text))) << c.text;
        char copy[32];
        snprintf(copy, sizeof copy, "%s", c.text);
        ReplaceInvalidUtf8(copy);
        EXPECT_STREQ(c.replaced, copy);
    }
}

TEST(TidyFileName, NoBlanksAtTheEndsAndNeverOnlyAnExtension)
{
    struct {
        const char *name;
        const char *tidy;
    } cases[] = {
        {"  caf\xc3\xa9 \xc2\xabuni1\xc2\xbb.mp4", "caf\xc3\xa9 \xc2\xabuni1\xc2\xbb.mp4"},
        {"Title  .webm", "Title.webm"},
        {".mp4", "video.mp4"},
        {"   .mp4", "video.mp4"},
        {"-abc123.mp4", "-abc123.mp4"},
        {"No extension ", "No extension"},
        {"", "video"},
    };
    for (const auto &c : cases) {
        char name[64];
        snprintf(name, sizeof name, "%s", c.name);
        TidyFileName(name, sizeof name);
        EXPECT_STREQ(c.tidy, name) << "\"" << c.name << "\"";
    }
}
