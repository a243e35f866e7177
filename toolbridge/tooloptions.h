// The options that tell a tool run where everything is, and which of them a tool file knows.
// Newer tools need them to read nothing and run nothing of their surroundings; older ones
// refuse them. Window-free, so tested natively.
#pragma once
#include <stddef.h>

// In the order they go on a command line.
enum ToolOption {
    OPTION_ENCODING,         // --encoding utf-8: titles in every script (youtube-dl 2014.03.30)
    OPTION_IGNORE_CONFIG,    // no configuration file (youtube-dl 2014.02.03, every yt-dlp)
    OPTION_NO_PLUGIN_DIRS,   // no plugin (yt-dlp 2025.03.21)
    OPTION_FFMPEG_LOCATION,  // ffmpeg from where we say, or none
    OPTION_NO_JS_RUNTIMES,   // no JavaScript runtime searched for (yt-dlp 2025.11.12)
    OPTION_NO_PLAYLIST,      // the video a watch address names, not its list (youtube-dl 2013.10.04)
    OPTION_PLAYLIST_ITEMS,   // a probe of a list's address reads one entry (youtube-dl 2015)
    // The options of a whole list, given only to its runs.
    OPTION_FLAT_PLAYLIST,    // the list's page alone, one line an entry (youtube-dl 2014.10.24)
    OPTION_YES_PLAYLIST,     // the list a watch address is part of (youtube-dl 2015.02.26)
    OPTION_DOWNLOAD_ARCHIVE, // finished entries recorded and skipped by their ids
    // Signing in, given where the person chose one (after the list's, so stored knowledge
    // reads as before).
    OPTION_COOKIES,              // a Netscape cookies file (youtube-dl, yt-dlp)
    OPTION_COOKIES_FROM_BROWSER, // Firefox's cookie store (yt-dlp only)
    TOOL_OPTION_COUNT,
    SURROUNDING_OPTION_COUNT = OPTION_FLAT_PLAYLIST
};

// A set of options, one bit each.
typedef unsigned ToolOptions;

inline ToolOptions OptionBit(ToolOption option)
{
    return 1u << option;
}

// "--encoding" and so on.
const char *ToolOptionName(ToolOption option);

// The option that optparse's refusal (exit code 2, "no such option: --NAME") names, as one of
// ours; TOOL_OPTION_COUNT when the run was not refused for one of them.
ToolOption RefusedOption(unsigned long exitCode, const char *errors);

// The options a tool's --help text does not list: `--NAME` as a word of its own.
ToolOptions OptionsMissingFromHelp(const char *help, size_t length);

enum {
    TOOL_IDENTITY_SIZE = 64,
    KNOWLEDGE_LINE_LIMIT = 16,  // tool files remembered, the most recent first
    KNOWLEDGE_FILE_SIZE = KNOWLEDGE_LINE_LIMIT * (TOOL_IDENTITY_SIZE + 16)
};

// What is remembered of tool files, a line each: "IDENTITY\tREFUSED\n", REFUSED in hex.
// The refused options of `identity`; false (and none) when the text has no line for it.
bool FindRefusedOptions(const char *text, size_t length, const char *identity, ToolOptions *refused);

// The text again with `identity`'s line first, saying `refused`, and at most
// KNOWLEDGE_LINE_LIMIT lines; returns its length (0 when `size` cannot hold the line).
size_t RememberRefusedOptions(const char *text, size_t length, const char *identity, ToolOptions refused,
                              char *out, size_t size);
