// Directory, extension and shortening helpers.
#include "toolbridge/paths.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

static std::string Directory(const char *path)
{
    char *directory = DirectoryOf(path);
    std::string result = directory;
    free(directory);
    return result;
}

TEST(DirectoryOf, KeepsEverythingUpToTheLastBackslash)
{
    EXPECT_EQ("C:\\Users\\me\\Videos\\", Directory("C:\\Users\\me\\Videos\\clip.mp4"));
    EXPECT_EQ("C:\\Videos\\", Directory("C:\\Videos\\"));
    EXPECT_EQ("C:\\", Directory("C:\\clip.mp4"));
    EXPECT_EQ("\\\\server\\share\\", Directory("\\\\server\\share\\a.b.c"));
}

TEST(DirectoryOf, PathWithoutBackslashGivesEmpty)
{
    EXPECT_EQ("", Directory("clip.mp4"));
    EXPECT_EQ("", Directory(""));
    EXPECT_EQ("", Directory("C:/forward/slashes.mp4"));
}

TEST(ExtensionOf, FindsAShortLastExtension)
{
    EXPECT_STREQ(".mp4", ExtensionOf("My clip.mp4"));
    EXPECT_STREQ(".webm", ExtensionOf("a.b.webm"));
    EXPECT_EQ(nullptr, ExtensionOf("no extension"));
    EXPECT_EQ(nullptr, ExtensionOf(".hidden"));
    EXPECT_EQ(nullptr, ExtensionOf("Dr. Who and the very long sentence"));
}

struct ShortenCase {
    const char *name;
    size_t maxLength;
    const char *expected;
};

TEST(ShortenFileName, CutsBeforeTheExtension)
{
    const ShortenCase cases[] = {
        {"short.mp4", 20, "short.mp4"},
        {"exactly.mp4", 11, "exactly.mp4"},
        {"abcdefghij.mp4", 10, "abcdef.mp4"},
        {"abcdefghij", 4, "abcd"},
        {"abcdefghij.mp4", 4, "abcd"},
        {"a long sentence. without ext", 10, "a long sen"},
    };
    for (const ShortenCase &c : cases) {
        char name[64];
        snprintf(name, sizeof name, "%s", c.name);
        ShortenFileName(name, c.maxLength);
        EXPECT_STREQ(c.expected, name) << c.name << " to " << c.maxLength;
    }
}

TEST(JoinText, RefusesWhatDoesNotFit)
{
    char out[8];
    EXPECT_TRUE(JoinText(out, sizeof out, "abc", "defg"));
    EXPECT_STREQ("abcdefg", out);
    EXPECT_FALSE(JoinText(out, sizeof out, "abcd", "efgh"));
    EXPECT_STREQ("", out);
}
