// Which options a tool knows: optparse's refusals, --help texts, and the remembered lines.
#include "toolbridge/tooloptions.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <string>

TEST(ToolOptions, RefusalNamesTheOption)
{
    // optparse's usage error, as the 2013 youtube-dl and yt-dlp print it, exit code 2.
    struct Case {
        unsigned long exitCode;
        const char *errors;
        ToolOption option;
    } cases[] = {
        {2, "Usage: youtube-dl [options] url [url...]\n\nyoutube-dl: error: no such option: --encoding\n",
         OPTION_ENCODING},
        {2, "yt-dlp: error: no such option: --no-plugin-dirs", OPTION_NO_PLUGIN_DIRS},
        {2, "yt-dlp: error: no such option: --no-js-runtimes", OPTION_NO_JS_RUNTIMES},
        {2, "youtube-dl: error: no such option: --ignore-config", OPTION_IGNORE_CONFIG},
        {2, "youtube-dl: error: no such option: --ffmpeg-location", OPTION_FFMPEG_LOCATION},
        {1, "youtube-dl: error: no such option: --encoding", TOOL_OPTION_COUNT},
        {2, "ERROR: Unable to download webpage", TOOL_OPTION_COUNT},
        {2, "yt-dlp: error: no such option: --encodings", TOOL_OPTION_COUNT},
        {2, "yt-dlp: error: no such option: --exec", TOOL_OPTION_COUNT},
        {2, "youtube-dl: error: no such option: --playlist-items", OPTION_PLAYLIST_ITEMS},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.option, RefusedOption(c.exitCode, c.errors)) << c.errors;
}

TEST(ToolOptions, HelpListsWhatTheToolKnows)
{
    // Lines of yt-dlp 2023.03.04's --help, which has neither --no-plugin-dirs nor --no-js-runtimes.
    const std::string help2023 =
        "Usage: yt-dlp [OPTIONS] URL [URL...]\n\nOptions:\n"
        "    --ignore-config                 Don't load any more configuration files\n"
        "    --no-ignore-config              Do not prevent loading default configuration\n"
        "    --encoding ENCODING             Force the specified encoding (experimental)\n"
        "    --ffmpeg-location PATH          Location of the ffmpeg binary; either the\n"
        "    -I, --playlist-items ITEM_SPEC  Comma separated playlist_index of the items\n"
        "    --no-playlist                   Download only the video, if the URL refers\n"
        "    --yes-playlist                  Download the playlist, if the URL refers to\n"
        "    --flat-playlist                 Do not extract the videos of a playlist,\n"
        "    --download-archive FILE         Download only videos not listed in the\n"
        "    --cookies FILE                  Netscape formatted file to read cookies from\n"
        "    --cookies-from-browser BROWSER[+KEYRING][:PROFILE][::CONTAINER]\n";
    EXPECT_EQ(OptionBit(OPTION_NO_PLUGIN_DIRS) | OptionBit(OPTION_NO_JS_RUNTIMES),
              OptionsMissingFromHelp(help2023.data(), help2023.size()));
    // A name inside a longer one is not the option, and the text's end ends a word.
    const std::string lookalikes = "  --no-plugin-dirs-x\n  --ignore-configs\n  x--encoding\n  --no-js-runtimes";
    EXPECT_EQ(OptionBit(OPTION_ENCODING) | OptionBit(OPTION_IGNORE_CONFIG) | OptionBit(OPTION_NO_PLUGIN_DIRS) |
                  OptionBit(OPTION_FFMPEG_LOCATION) | OptionBit(OPTION_NO_PLAYLIST) | OptionBit(OPTION_PLAYLIST_ITEMS) |
                  OptionBit(OPTION_FLAT_PLAYLIST) | OptionBit(OPTION_YES_PLAYLIST) | OptionBit(OPTION_DOWNLOAD_ARCHIVE) |
                  OptionBit(OPTION_COOKIES) | OptionBit(OPTION_COOKIES_FROM_BROWSER),
              OptionsMissingFromHelp(lookalikes.data(), lookalikes.size()));
    EXPECT_EQ((1u << TOOL_OPTION_COUNT) - 1, OptionsMissingFromHelp("", 0));
}

TEST(ToolOptions, RememberedLinesNewestFirstAndBounded)
{
    char text[KNOWLEDGE_FILE_SIZE];
    size_t length = RememberRefusedOptions("", 0, "built-in 5 0000abcd", 0x11, text, sizeof text);
    EXPECT_EQ(std::string("built-in 5 0000abcd\t11\n"), std::string(text, length));
    std::string before(text, length);
    length = RememberRefusedOptions(before.data(), before.size(), "kept 0:7 01", 0x2, text, sizeof text);
    EXPECT_EQ(std::string("kept 0:7 01\t2\nbuilt-in 5 0000abcd\t11\n"), std::string(text, length));
    before.assign(text, length);
    // The same tool again replaces its line instead of adding one.
    length = RememberRefusedOptions(before.data(), before.size(), "built-in 5 0000abcd", 0x1, text, sizeof text);
    EXPECT_EQ(std::string("built-in 5 0000abcd\t1\nkept 0:7 01\t2\n"), std::string(text, length));

    ToolOptions refused = 99;
    EXPECT_TRUE(FindRefusedOptions(text, length, "kept 0:7 01", &refused));
    EXPECT_EQ(0x2u, refused);
    EXPECT_FALSE(FindRefusedOptions(text, length, "kept 0:7", &refused)) << "a prefix is another tool";
    EXPECT_EQ(0u, refused);
    const char damaged[] = "a\tzz\nb\n\tc\nd\tfff";
    EXPECT_FALSE(FindRefusedOptions(damaged, sizeof damaged - 1, "a", &refused));
    EXPECT_FALSE(FindRefusedOptions(damaged, sizeof damaged - 1, "b", &refused));
    EXPECT_TRUE(FindRefusedOptions(damaged, sizeof damaged - 1, "d", &refused));
    EXPECT_EQ((1u << TOOL_OPTION_COUNT) - 1, refused) << "bits of options we do not have are dropped";

    // Only the most recent tool files are kept.
    std::string many;
    for (int i = 0; i < KNOWLEDGE_LINE_LIMIT + 4; i++)
        many += "tool" + std::to_string(i) + "\t1\n";
    length = RememberRefusedOptions(many.data(), many.size(), "new", 0, text, sizeof text);
    std::string kept(text, length);
    EXPECT_EQ((size_t)KNOWLEDGE_LINE_LIMIT, (size_t)std::count(kept.begin(), kept.end(), '\n'));
    EXPECT_EQ(0u, kept.find("new\t0\ntool0\t1\n"));
    EXPECT_EQ(std::string::npos, kept.find("tool15\t"));
    EXPECT_EQ(0u, RememberRefusedOptions("", 0, "a\tb", 0, text, sizeof text)) << "a tab would split the line";
}
