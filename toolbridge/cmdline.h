// Command lines for the tool, built to the C runtime's quoting rules so that each
// path and address reaches the tool as exactly one argument.
#pragma once
#include <stddef.h>

#include "toolbridge/tooloptions.h"

// What process creation accepts, terminator included.
enum { COMMAND_LINE_SIZE = 32768 };

// True when `text` can be carried inside one quoted argument: no double quote,
// no line break or other control character.
bool IsPassableArgument(const char *text);

// Appends `argument` in double quotes; backslashes before the closing quote are doubled
// so they stay literal. False (and `line` unchanged) if it would not fit.
bool AppendQuotedArgument(char *line, size_t size, const char *argument);

// Appends `text` as it is. False (and `line` unchanged) if it would not fit.
bool AppendText(char *line, size_t size, const char *text);

// What every run is told of its surroundings, less the options the tool refuses:
// ` --encoding utf-8 --ignore-config --no-plugin-dirs --ffmpeg-location "FFMPEG" --no-js-runtimes
// --no-playlist --playlist-items 1`. So it writes titles and file names in every script (with
// `utf8`: instead of dropping what the ANSI code page lacks), reads no configuration, loads no
// plugin, starts no ffmpeg or JavaScript runtime that lies in its folder, its current directory
// or PATH, and takes a watch address copied from a list for the video it names, and an address
// of a list alone for its first entry. FFMPEG may name no file: the tool then uses none.
// With a `runtime` ("node:C:\\...\\js-runtime.exe"), ` --js-runtimes "RUNTIME"` follows
// --no-js-runtimes: yt-dlp then runs that one and searches for none.
// A `list` run gets ` --yes-playlist` instead of --no-playlist and --playlist-items.
// Signed in, it gets ` --cookies-from-browser firefox` (`firefox`) or ` --cookies "COOKIES"`
// (`cookies`, the run's own copy of the kept file), where the tool knows the option.
struct RunSurroundings {
    ToolOptions refused;
    const char *ffmpegPath;
    const char *runtime;
    bool utf8;
    bool list;
    bool firefox;
    const char *cookies;
};

bool AppendSurroundings(char *line, size_t size, const RunSurroundings *surroundings);

// What a download asks of the tool beyond the one format it names.
enum DownloadKind {
    DOWNLOAD_PLAIN,         // `--format CODE`, code 0 going out as "best"
    // CODE's picture merged with the best sound: `--format CODE+bestaudio[ext=m4a]/CODE+bestaudio
    // --merge-output-format EXT`, by the ffmpeg that the surroundings name.
    DOWNLOAD_MERGED,
    DOWNLOAD_TOOLS_CHOICE,  // no --format: the tool chooses and merges
    // CODE's sound converted: `--format CODE -x --audio-format mp3 --audio-quality 0`.
    DOWNLOAD_MP3
};

// A whole list (`archive` not null) goes into DEST's folder, an entry a file named by the tool
// `NN - TITLE.EXT`, with its finished entries recorded in `archive`, and past a failed one (-i).
// Its DOWNLOAD_MP3 takes each entry's best sound (`--format bestaudio[ext=m4a]/bestaudio`).
struct DownloadShape {
    DownloadKind kind;
    const char *mergeExtension;  // of DOWNLOAD_MERGED
    const char *archive;
};

// The download's arguments: ` -o "DEST" --format CODE SURROUNDINGS --console-title -- "ADDRESS"`.
// Options end at "--", so no address can reach the tool as an option (--exec, --config-locations).
// The leading blank stands for the empty program name; the tool's path is passed apart.
// Each '%' of DEST goes out as "%%" (the tool expands -o as a template, "%%" giving one '%').
// The tool names the file of its own choice and of an MP3 after what it holds: these write
// `-o "STEM.%(ext)s"` (a fixed name would get that extension added to it).
// `shape` may be null: a plain download. False and an empty line if it does not fit.
bool BuildDownloadArguments(char *line, size_t size, const char *destination, int code,
                            const char *address, const RunSurroundings *surroundings,
                            const DownloadShape *shape = nullptr);

enum { ENVIRONMENT_NAME_SIZE = 128 };

// The tools run the -o value through Python's os.path.expandvars, which on Windows turns
// "$NAME" and "${NAME}" (NAME of letters, digits, '_' and '-') into the variable's value,
// so the file would land elsewhere. Finds the first such name for which `isSet` holds
// (also the part before a '-', as the POSIX rule reads it) and copies it to `name`.
// ("%NAME%" cannot expand: each '%' goes out doubled, which the tools keep.)
bool FindExpandedName(const char *text, bool (*isSet)(const char *name), char *name, size_t size);

enum ProbeKind { PROBE_TITLE, PROBE_FORMATS, PROBE_LIST };

// `"TOOL" "--get-filename" "-o" "%(title)s.%(ext)s" SURROUNDINGS -- "ADDRESS"`,
// `"TOOL" "--list-formats" SURROUNDINGS -- "ADDRESS"` or, reading a list's page alone for a
// line an entry, `"TOOL" "--flat-playlist" "--get-filename" "-o" "%(title)s" SURROUNDINGS -- "ADDRESS"`.
bool BuildProbeCommandLine(char *line, size_t size, const char *toolPath, ProbeKind kind,
                           const char *address, const RunSurroundings *surroundings);

// An address that names a list: `list=` in its query, or YouTube's list and channel pages
// (`/playlist`, `/@NAME`, `/channel/`, `/c/`, `/user/`).
bool IsListAddress(const char *address);
