// The tool's command lines: exact text, and on Windows what a C-runtime style splitter makes of them.
#include "toolbridge/cmdline.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>
#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

// A tool that knows none of the surroundings' options (the 2013 one), and one of today.
static const RunSurroundings OLD_TOOL = {(1u << TOOL_OPTION_COUNT) - 1, "F", "", true, false, true, "C:\\c.txt"};
static const RunSurroundings TODAYS_TOOL = {0, "C:\\U s\\Vidmora\\ffmpeg.exe", "node:C:\\U s\\Vidmora\\js-runtime.exe",
                                           false, false, false, nullptr};

TEST(IsPassableArgument, RefusesQuotesAndControlCharacters)
{
    EXPECT_TRUE(IsPassableArgument("http://x/watch?v=a b&t=10|<>^%PATH%()"));
    EXPECT_TRUE(IsPassableArgument("C:\\Videos\\"));
    EXPECT_TRUE(IsPassableArgument(""));
    EXPECT_FALSE(IsPassableArgument("http://x/\"--exec\""));
    EXPECT_FALSE(IsPassableArgument("line\nbreak"));
    EXPECT_FALSE(IsPassableArgument("carriage\rreturn"));
    EXPECT_FALSE(IsPassableArgument("tab\there"));
    EXPECT_FALSE(IsPassableArgument("del\x7f"));
}

// The names this test's environment defines, compared as Windows does, ignoring case.
static bool TestEnvironmentHas(const char *name)
{
    const char *set[] = {"HOME", "TEMP", "MY-VAR", "A"};
    for (const char *known : set)
        if (strcasecmp(name, known) == 0)
            return true;
    return false;
}

TEST(FindExpandedName, FindsWhatExpandvarsWouldReplace)
{
    struct {
        const char *destination;
        const char *name;  // "" when nothing would expand
    } cases[] = {
        {"C:\\V\\$HOME.mp4", "HOME"},
        {"C:\\V\\${temp}x.mp4", "temp"},
        {"C:\\V\\pay $A now.mp4", "A"},
        {"C:\\V\\$MY-VAR.mp4", "MY-VAR"},
        {"C:\\V\\$HOME-made.mp4", "HOME"},  // POSIX stops the name at '-'
        {"C:\\V\\$$HOME.mp4", "HOME"},      // the tools' "$$" guard leaves the second '$' live
        {"C:\\V\\$5 deal, $UNSET, ${NOPE}.mp4", ""},
        {"C:\\V\\${HOME.mp4", ""},          // no closing brace: kept as written
        {"C:\\V\\%HOME% 100$.mp4", ""},
        {"", ""},
    };
    for (const auto &c : cases) {
        char name[ENVIRONMENT_NAME_SIZE] = "junk";
        EXPECT_EQ(c.name[0] != '\0', FindExpandedName(c.destination, TestEnvironmentHas, name, sizeof name))
            << c.destination;
        EXPECT_STREQ(c.name, name) << c.destination;
    }
}

struct DownloadCase {
    const char *destination;
    int code;
    const char *arguments;
};

TEST(BuildDownloadArguments, MatchesTheToolsArgumentOrder)
{
    // The tool expands -o as a template, where "%%" is one literal '%'; code 0 asks for "best".
    const DownloadCase cases[] = {
        {"C:\\V\\clip.mp4", 22, " -o \"C:\\V\\clip.mp4\" --format 22 --console-title -- \"A\""},
        {"C:\\V\\c.flv", 5, " -o \"C:\\V\\c.flv\" --format 5 --console-title -- \"A\""},
        {"C:\\V\\c.flv", 120, " -o \"C:\\V\\c.flv\" --format 120 --console-title -- \"A\""},
        {"C:\\V\\clip.mp4", 0, " -o \"C:\\V\\clip.mp4\" --format best --console-title -- \"A\""},
        {"C:\\V\\100% Fun.mp4", 22,
         " -o \"C:\\V\\100%% Fun.mp4\" --format 22 --console-title -- \"A\""},
        {"C:\\V\\%(title)s 5%%.mp4", 0,
         " -o \"C:\\V\\%%(title)s 5%%%%.mp4\" --format best --console-title -- \"A\""},
        {"C:\\50%\\", 18, " -o \"C:\\50%%\\\\\" --format 18 --console-title -- \"A\""},
    };
    for (const DownloadCase &c : cases) {
        char line[COMMAND_LINE_SIZE];
        ASSERT_TRUE(BuildDownloadArguments(line, sizeof line, c.destination, c.code, "A", &OLD_TOOL))
            << c.destination;
        EXPECT_STREQ(c.arguments, line) << c.destination << " code " << c.code;
    }
}

TEST(BuildDownloadArguments, OnlyTheDestinationsPercentSignsAreDoubled)
{
    char line[COMMAND_LINE_SIZE];
    ASSERT_TRUE(BuildDownloadArguments(line, sizeof line, "C:\\V\\a.mp4", 22,
                                       "http://x/watch?v=a%20b", &OLD_TOOL));
    EXPECT_STREQ(" -o \"C:\\V\\a.mp4\" --format 22 --console-title -- \"http://x/watch?v=a%20b\"",
                 line);
}

TEST(BuildDownloadArguments, TrailingBackslashesDoNotEscapeTheQuote)
{
    char line[COMMAND_LINE_SIZE];
    ASSERT_TRUE(BuildDownloadArguments(line, sizeof line, "C:\\V\\\\", 22, "http://x/?a=\\", &OLD_TOOL));
    EXPECT_STREQ(" -o \"C:\\V\\\\\\\\\" --format 22 --console-title -- \"http://x/?a=\\\\\"", line);
}

TEST(BuildDownloadArguments, RefusesWhatDoesNotFit)
{
    char line[64];
    EXPECT_FALSE(BuildDownloadArguments(line, sizeof line, "C:\\a-rather-long-destination.mp4",
                                        22, "http://example.invalid/watch?v=x", &OLD_TOOL));
    EXPECT_STREQ("", line);
    std::string longDestination = "C:\\" + std::string(2000, 'v') + ".mp4";
    std::string longAddress = "http://x/watch?v=" + std::string(600, 'a');
    static char big[COMMAND_LINE_SIZE];
    EXPECT_TRUE(BuildDownloadArguments(big, sizeof big, longDestination.c_str(), 22,
                                       longAddress.c_str(), &OLD_TOOL));
    EXPECT_NE(nullptr, strstr(big, longAddress.c_str()));

    // The doubled '%' counts against the buffer.
    std::string exact = " -o \"C:\\V\\100%% Fun.mp4\" --format 22 --console-title -- \"A\"";
    std::vector<char> tight(exact.size());
    EXPECT_FALSE(BuildDownloadArguments(tight.data(), tight.size(), "C:\\V\\100% Fun.mp4", 22, "A", &OLD_TOOL));
    EXPECT_STREQ("", tight.data());
    tight.resize(exact.size() + 1);
    EXPECT_TRUE(BuildDownloadArguments(tight.data(), tight.size(), "C:\\V\\100% Fun.mp4", 22, "A", &OLD_TOOL));
    EXPECT_EQ(exact, tight.data());
}

TEST(AppendQuotedArgument, DoublesBackslashesOnlyBeforeQuotes)
{
    char line[64] = "x ";
    ASSERT_TRUE(AppendQuotedArgument(line, sizeof line, "a\\b\\\\c d"));
    EXPECT_STREQ("x \"a\\b\\\\c d\"", line);
    char small[6] = "";
    EXPECT_FALSE(AppendQuotedArgument(small, sizeof small, "abcd"));
    EXPECT_STREQ("", small);
    EXPECT_TRUE(AppendQuotedArgument(small, sizeof small, "abc"));
    EXPECT_STREQ("\"abc\"", small);
}

TEST(BuildProbeCommandLine, NamesTheToolAndQuotesEveryArgument)
{
    char line[COMMAND_LINE_SIZE];
    ASSERT_TRUE(BuildProbeCommandLine(line, sizeof line, "C:\\T\\5890DA2.~tester.exe",
                                      PROBE_TITLE, "A", &OLD_TOOL));
    EXPECT_STREQ("\"C:\\T\\5890DA2.~tester.exe\" \"--get-filename\" \"-o\" "
                 "\"%(title)s.%(ext)s\" -- \"A\"",
                 line);
    ASSERT_TRUE(BuildProbeCommandLine(line, sizeof line, "C:\\T\\5890DA2.~tester.exe",
                                      PROBE_FORMATS, "A", &OLD_TOOL));
    EXPECT_STREQ("\"C:\\T\\5890DA2.~tester.exe\" \"--list-formats\" -- \"A\"", line);
    // A tool of today is told where everything is; one that refuses an option is not given it.
    RunSurroundings probe = TODAYS_TOOL;
    probe.utf8 = true;
    ASSERT_TRUE(BuildProbeCommandLine(line, sizeof line, "C:\\T\\t.exe", PROBE_FORMATS, "A", &probe));
    EXPECT_STREQ("\"C:\\T\\t.exe\" \"--list-formats\" --encoding utf-8 --ignore-config --no-plugin-dirs"
                 " --ffmpeg-location \"C:\\U s\\Vidmora\\ffmpeg.exe\" --no-js-runtimes"
                 " --js-runtimes \"node:C:\\U s\\Vidmora\\js-runtime.exe\" --no-playlist --playlist-items 1 -- \"A\"",
                 line);
    // The tool's own choice: no --format, and a template the tool gives the extension of.
    const DownloadShape own = {DOWNLOAD_TOOLS_CHOICE, nullptr, nullptr}, mp3 = {DOWNLOAD_MP3, nullptr, nullptr};
    ASSERT_TRUE(BuildDownloadArguments(line, sizeof line, "C:\\V\\100% Fun.mp4", 0, "A", &OLD_TOOL, &own));
    EXPECT_STREQ(" -o \"C:\\V\\100%% Fun.%(ext)s\" --console-title -- \"A\"", line);
    // So is an MP3: the tool swaps only the extension of the sound it downloaded.
    ASSERT_TRUE(BuildDownloadArguments(line, sizeof line, "C:\\V\\100% Fun.mp3", 140, "A", &OLD_TOOL, &mp3));
    EXPECT_STREQ(" -o \"C:\\V\\100%% Fun.%(ext)s\" --format 140 -x --audio-format mp3 --audio-quality 0"
                 " --console-title -- \"A\"",
                 line);
    const RunSurroundings before2025 = {OptionBit(OPTION_NO_PLUGIN_DIRS) | OptionBit(OPTION_NO_JS_RUNTIMES), "F", "", false, false, false, nullptr};
    ASSERT_TRUE(BuildDownloadArguments(line, sizeof line, "C:\\V\\a.mp4", 22, "A", &before2025));
    EXPECT_STREQ(" -o \"C:\\V\\a.mp4\" --format 22 --ignore-config --ffmpeg-location \"F\" --no-playlist"
                 " --playlist-items 1 --console-title -- \"A\"",
                 line);
}

// Signed in: Firefox's store or the run's own copy of the kept cookies, where the tool knows
// the option (youtube-dl has --cookies but not --cookies-from-browser).
TEST(BuildDownloadArguments, SignedInRunsGetTheirCookies)
{
    struct {
        ToolOptions refused;
        bool firefox;
        const char *cookies;
        const char *tail;
    } cases[] = {
        {0, true, nullptr, " --cookies-from-browser firefox"},
        {0, false, "C:\\U s\\run\\cookies-download.txt", " --cookies \"C:\\U s\\run\\cookies-download.txt\""},
        {OptionBit(OPTION_COOKIES_FROM_BROWSER), true, nullptr, ""},
        {OptionBit(OPTION_COOKIES), false, "C:\\c.txt", ""},
        {0, false, "", ""},
    };
    for (const auto &c : cases) {
        const RunSurroundings signedIn = {c.refused | OptionBit(OPTION_ENCODING) | OptionBit(OPTION_IGNORE_CONFIG) |
                                              OptionBit(OPTION_NO_PLUGIN_DIRS) | OptionBit(OPTION_FFMPEG_LOCATION) |
                                              OptionBit(OPTION_NO_JS_RUNTIMES) | OptionBit(OPTION_NO_PLAYLIST) |
                                              OptionBit(OPTION_PLAYLIST_ITEMS),
                                          "F", "", true, false, c.firefox, c.cookies};
        char line[COMMAND_LINE_SIZE];
        ASSERT_TRUE(BuildDownloadArguments(line, sizeof line, "C:\\V\\a.mp4", 22, "A", &signedIn));
        EXPECT_EQ(std::string(" -o \"C:\\V\\a.mp4\" --format 22") + c.tail + " --console-title -- \"A\"", line);
    }
}

#ifdef _WIN32
// The system's own splitter follows the C runtime's rules for these cases.
static std::vector<std::string> Split(const char *commandLine)
{
    wchar_t wide[COMMAND_LINE_SIZE];
    MultiByteToWideChar(CP_ACP, 0, commandLine, -1, wide, COMMAND_LINE_SIZE);
    int count = 0;
    wchar_t **arguments = CommandLineToArgvW(wide, &count);
    std::vector<std::string> result;
    for (int i = 0; i < count; i++) {
        char narrow[COMMAND_LINE_SIZE];
        WideCharToMultiByte(CP_ACP, 0, arguments[i], -1, narrow, sizeof narrow, NULL, NULL);
        result.push_back(narrow);
    }
    LocalFree(arguments);
    return result;
}

TEST(SplitByTheSystem, EachPathAndAddressIsOneArgument)
{
    const char *addresses[] = {"http://x/watch?v=a b&echo INJECTED>inj.txt",
                               "http://x/watch?v=a%PATH%", "http://x/w?v=a|b<c>d^e(f)g%%",
                               "http://x/a\\", "http://x/a\\\\b"};
    const char *destinations[] = {"C:\\My Videos\\a b.mp4", "C:\\V\\", "C:\\V\\\\"};
    for (const char *address : addresses) {
        for (const char *destination : destinations) {
            char line[COMMAND_LINE_SIZE] = "tool.exe";
            char arguments[COMMAND_LINE_SIZE];
            ASSERT_TRUE(BuildDownloadArguments(arguments, sizeof arguments, destination, 22, address, &TODAYS_TOOL));
            ASSERT_TRUE(AppendText(line, sizeof line, arguments));
            std::vector<std::string> split = Split(line);
            ASSERT_EQ(18u, split.size()) << line;
            EXPECT_EQ("-o", split[1]);
            EXPECT_EQ(destination, split[2]) << line;
            EXPECT_EQ("22", split[4]);
            EXPECT_EQ(TODAYS_TOOL.ffmpegPath, split[8]) << line;
            EXPECT_EQ(TODAYS_TOOL.runtime, split[11]) << line;
            EXPECT_EQ("--no-playlist", split[12]) << line;
            EXPECT_EQ("--playlist-items", split[13]) << line;
            EXPECT_EQ("1", split[14]) << line;
            EXPECT_EQ("--", split[16]) << line;
            EXPECT_EQ(address, split[17]) << line;
        }
        char probe[COMMAND_LINE_SIZE];
        ASSERT_TRUE(BuildProbeCommandLine(probe, sizeof probe, "C:\\T\\t.exe", PROBE_TITLE, address, &OLD_TOOL));
        std::vector<std::string> split = Split(probe);
        ASSERT_EQ(6u, split.size()) << probe;
        EXPECT_EQ("%(title)s.%(ext)s", split[3]);
        EXPECT_EQ("--", split[4]);
        EXPECT_EQ(address, split[5]);
    }
}
#endif

// A whole list: the tool's template in the chosen folder, the archive, past failed entries, and
// the list instead of the one video; read flat by a probe of its own.
TEST(ListArguments, EveryEntryIntoTheFolderNamedByTheTool)
{
    char line[COMMAND_LINE_SIZE];
    RunSurroundings list = {OptionBit(OPTION_NO_PLUGIN_DIRS) | OptionBit(OPTION_NO_JS_RUNTIMES), "F", "", false, true, false, nullptr};
    const DownloadShape best = {DOWNLOAD_TOOLS_CHOICE, nullptr, "C:\\A\\list-archive.txt"},
                        mp3 = {DOWNLOAD_MP3, nullptr, "C:\\A\\list-archive.txt"};
    const char *expectedTail = " --download-archive \"C:\\A\\list-archive.txt\" -i";
    ASSERT_TRUE(BuildDownloadArguments(line, sizeof line, "C:\\100% V\\", 0, "A", &list, &best));
    EXPECT_EQ(std::string(" -o \"C:\\100%% V\\%(playlist_index)02d - %(title)s.%(ext)s\"") + expectedTail +
                  " --ignore-config --ffmpeg-location \"F\" --yes-playlist --console-title -- \"A\"",
              line);
    ASSERT_TRUE(BuildDownloadArguments(line, sizeof line, "C:\\V\\Clip.mp4", 0, "A", &list, &mp3));
    EXPECT_EQ(std::string(" -o \"C:\\V\\%(playlist_index)02d - %(title)s.%(ext)s\"") + expectedTail +
                  " --format bestaudio[ext=m4a]/bestaudio -x --audio-format mp3 --audio-quality 0"
                  " --ignore-config --ffmpeg-location \"F\" --yes-playlist --console-title -- \"A\"",
              line);
    list.refused |= OptionBit(OPTION_YES_PLAYLIST) | OptionBit(OPTION_IGNORE_CONFIG) | OptionBit(OPTION_FFMPEG_LOCATION);
    ASSERT_TRUE(BuildProbeCommandLine(line, sizeof line, "C:\\T\\t.exe", PROBE_LIST, "A", &list));
    EXPECT_STREQ("\"C:\\T\\t.exe\" \"--flat-playlist\" \"--get-filename\" \"-o\" \"%(title)s\" -- \"A\"", line);

    struct {
        const char *address;
        bool list;
    } cases[] = {
        {"https://www.youtube.com/watch?v=abc&list=PL1", true},  {"https://www.youtube.com/playlist?list=PL1", true},
        {"https://m.youtube.com/@Name/videos", true},            {"https://youtube.com/channel/UC1", true},
        {"https://www.youtube.com/c/Name", true},                {"https://www.youtube.com/user/Name", true},
        {"http://standin.test/watch?v=a&list=L", true},          {"https://www.youtube.com/watch?v=abc", false},
        {"https://www.youtube.com/watch?v=abc&list=", false},    {"https://www.youtube.com/watch?v=a&playlist=x", false},
        {"https://www.youtube.com/playlists", false},            {"https://notyoutube.com/@Name", false},
        {"https://example.com/@Name", false},                    {"https://www.youtube.com/watch?v=a#list=PL1", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.list, IsListAddress(c.address)) << c.address;
}
