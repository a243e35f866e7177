// Which options a stand-in knows, decided by the release in its version block, and the
// --help text that lists them; free of windows. Header only, so the stand-in, its tests
// and the end-to-end driver can all use it without a change to the build's source lists.
#ifndef VIDMORA_STANDIN_KNOWS_H
#define VIDMORA_STANDIN_KNOWS_H

#include <stddef.h>
#include <stdio.h>
#include <string.h>

#include "version.h"

// Before this release the stand-in imitates the 2013 youtube-dl, which had none of the
// options that came with it.
#define STANDIN_FIRST_MODERN "2014.02.03"

// An option that not every release knows, and the first release that does.
struct StandinVersionedOption {
    const char *name;       // the long name
    const char *shortName;  // its one-letter form, or NULL
    const char *since;
};

static inline const StandinVersionedOption *standinFindVersioned(const char *option)
{
    static const StandinVersionedOption kOptions[] = {
        {"--ignore-config", NULL, STANDIN_FIRST_MODERN},
        {"--encoding", NULL, STANDIN_FIRST_MODERN},
        {"--ffmpeg-location", NULL, STANDIN_FIRST_MODERN},
        {"--merge-output-format", NULL, STANDIN_FIRST_MODERN},
        {"--no-playlist", NULL, STANDIN_FIRST_MODERN},
        {"--playlist-items", "-I", STANDIN_FIRST_MODERN},
        {"--no-plugin-dirs", NULL, "2025.03.21"},
        {"--js-runtimes", NULL, "2025.11.12"},
        {"--no-js-runtimes", NULL, "2025.11.12"},
        // youtube-dl's pull request #1562, merged on 2013-10-06; 2013.10.07 is the first
        // release known to have it.
        {"--download-archive", NULL, "2013.10.07"},
        {"--flat-playlist", NULL, "2014.10.24"},
        {"--yes-playlist", NULL, "2015.02.26"},
        {"--cookies", NULL, STANDIN_FIRST_MODERN},
        // yt-dlp's alone: youtube-dl's last release, 2021.12.17, lacks it; yt-dlp's next,
        // 2021.12.25, has it.
        {"--cookies-from-browser", NULL, "2021.12.25"},
    };
    for (size_t i = 0; i < sizeof kOptions / sizeof kOptions[0]; i++)
        if (strcmp(option, kOptions[i].name) == 0 ||
            (kOptions[i].shortName && strcmp(option, kOptions[i].shortName) == 0))
            return &kOptions[i];
    return NULL;
}

// True when a stand-in of this version knows the option ("--no-playlist", or a short form
// as "-I"). Options the table lacks are known to every release; a version text that is not
// a release number (a hand-made copy's) knows everything.
static inline bool StandinKnows(const char *version, const char *option)
{
    const StandinVersionedOption *o = standinFindVersioned(option);
    return !o || !StandinIsVersionNumber(version) || standinCompareNumbers(version, o->since) >= 0;
}

// Options the stand-in's releases know but it no longer imitates: -x with its values and -k
// (converting the sound to MP3), --download-archive and -i (a whole list's download). The
// real yt-dlp is tested on those (tests/realtool); a run that gets one is refused, after
// the version has refused what it does not know, so --help and those refusals stay right.
static inline bool StandinNotImitated(const char *option)
{
    static const char *const kOptions[] = {"-x", "--extract-audio", "--audio-format",
                                           "--audio-quality", "-k", "--keep-video",
                                           "--download-archive", "-i", "--ignore-errors"};
    for (size_t i = 0; i < sizeof kOptions / sizeof kOptions[0]; i++)
        if (strcmp(option, kOptions[i]) == 0)
            return true;
    return false;
}

static inline bool StandinImitates2013(const char *version)
{
    return StandinIsVersionNumber(version) &&
           standinCompareNumbers(version, STANDIN_FIRST_MODERN) < 0;
}

// One line of --help: the long name that decides whether it shows, the names and value as
// optparse shows them, and the tool's own help text.
struct StandinHelpLine {
    const char *name;
    const char *column;
    const char *text;
};

// --help as optparse prints it, one line per option this version knows: yt-dlp's texts
// (yt_dlp/options.py, in its order; --get-filename, which yt-dlp hides, with youtube-dl's),
// or before 2014.02.03 the 2013 youtube-dl's. Lines end in "\n"; false when out is too small.
static inline bool StandinHelpText(const char *version, char *out, size_t outSize)
{
    static const StandinHelpLine kModern[] = {
        {"--help", "-h, --help", "Print this help text and exit"},
        {"--version", "--version", "Print program version and exit"},
        {"--update", "-U, --update", "Update this program to the latest stable version"},
        {"--ignore-errors", "-i, --ignore-errors",
         "Ignore download and postprocessing errors. The download will be considered "
         "successful even if the postprocessing fails"},
        {"--ignore-config", "--ignore-config",
         "Don't load any more configuration files except those given to --config-locations. "
         "For backward compatibility, if this option is found inside the system configuration "
         "file, the user configuration is not loaded. (Alias: --no-config)"},
        {"--no-plugin-dirs", "--no-plugin-dirs",
         "Clear plugin directories to search, including defaults and those provided by "
         "previous --plugin-dirs"},
        {"--js-runtimes", "--js-runtimes RUNTIME[:PATH]",
         "Additional JavaScript runtime to enable, with an optional location for the runtime "
         "(either the path to the binary or its containing directory). This option can be "
         "used multiple times to enable multiple runtimes. Supported runtimes are (in order "
         "of priority, from highest to lowest): deno, node, quickjs, bun. Only \"deno\" is "
         "enabled by default. The highest priority runtime that is both enabled and available "
         "will be used. In order to use a lower priority runtime when \"deno\" is available, "
         "--no-js-runtimes needs to be passed before enabling other runtimes"},
        {"--no-js-runtimes", "--no-js-runtimes",
         "Clear JavaScript runtimes to enable, including defaults and those provided by "
         "previous --js-runtimes"},
        {"--flat-playlist", "--flat-playlist",
         "Do not extract a playlist's URL result entries; some entry metadata may be missing "
         "and downloading may be bypassed"},
        {"--playlist-items", "-I, --playlist-items ITEM_SPEC",
         "Comma-separated playlist_index of the items to download. You can specify a range "
         "using \"[START]:[STOP][:STEP]\". For backward compatibility, START-STOP is also "
         "supported. Use negative indices to count from the right and negative STEP to "
         "download in reverse order. E.g. \"-I 1:3,7,-5::2\" used on a playlist of size 15 "
         "will download the items at index 1,2,3,7,11,13,15"},
        {"--no-playlist", "--no-playlist",
         "Download only the video, if the URL refers to a video and a playlist"},
        {"--yes-playlist", "--yes-playlist",
         "Download the playlist, if the URL refers to a video and a playlist"},
        {"--download-archive", "--download-archive FILE",
         "Download only videos not listed in the archive file. Record the IDs of all "
         "downloaded videos in it"},
        {"--format", "-f, --format FORMAT",
         "Video format code, see \"FORMAT SELECTION\" for more details"},
        {"--list-formats", "-F, --list-formats",
         "List available formats of each video. Simulate unless --no-simulate is used"},
        {"--merge-output-format", "--merge-output-format FORMAT",
         "Containers that may be used when merging formats, separated by \"/\", e.g. "
         "\"mp4/mkv\". Ignored if no merge is required. (currently supported: avi, flv, mkv, "
         "mov, mp4, webm)"},
        {"--encoding", "--encoding ENCODING", "Force the specified encoding (experimental)"},
        {"--get-filename", "--get-filename", "Simulate, quiet but print output filename"},
        {"--console-title", "--console-title", "Display progress in console titlebar"},
        {"--output", "-o, --output [TYPES:]TEMPLATE",
         "Output filename template; see \"OUTPUT TEMPLATE\" for details"},
        {"--continue", "-c, --continue", "Resume partially downloaded files/fragments (default)"},
        {"--extract-audio", "-x, --extract-audio",
         "Convert video files to audio-only files (requires ffmpeg and ffprobe)"},
        {"--audio-format", "--audio-format FORMAT",
         "Format to convert the audio to when -x is used. (currently supported: best "
         "(default), aac, alac, flac, m4a, mp3, opus, vorbis, wav). You can specify multiple "
         "rules using similar syntax as --remux-video"},
        {"--audio-quality", "--audio-quality QUALITY",
         "Specify ffmpeg audio quality to use when converting the audio with -x. Insert a "
         "value between 0 (best) and 10 (worst) for VBR or a specific bitrate like 128K "
         "(default 5)"},
        {"--keep-video", "-k, --keep-video",
         "Keep the intermediate video file on disk after post-processing"},
        {"--ffmpeg-location", "--ffmpeg-location PATH",
         "Location of the ffmpeg binary; either the path to the binary or its containing "
         "directory"},
        {"--cookies", "--cookies FILE", "Netscape formatted file to read cookies from and dump cookie jar in"},
        {"--cookies-from-browser", "--cookies-from-browser BROWSER[+KEYRING][:PROFILE][::CONTAINER]",
         "The name of the browser to load cookies from. Currently supported browsers are: brave, chrome, "
         "chromium, edge, firefox, opera, safari, vivaldi, whale"},
    };
    static const StandinHelpLine k2013[] = {
        {"--help", "-h, --help", "print this help text and exit"},
        {"--version", "--version", "print program version and exit"},
        {"--update", "-U, --update",
         "update this program to latest version. Make sure that you have sufficient "
         "permissions (run with sudo if needed)"},
        {"--ignore-errors", "-i, --ignore-errors",
         "continue on download errors, for example to to skip unavailable videos in a "
         "playlist"},
        {"--download-archive", "--download-archive FILE",
         "Download only videos not present in the archive file. Record all downloaded videos "
         "in it."},
        {"--format", "-f, --format FORMAT",
         "video format code, specifiy the order of preference using slashes: \"-f "
         "22/17/18\". \"-f mp4\" and \"-f flv\" are also supported"},
        {"--list-formats", "-F, --list-formats",
         "list all available formats (currently youtube only)"},
        {"--get-filename", "--get-filename", "simulate, quiet but print output filename"},
        {"--console-title", "--console-title", "display progress in console titlebar"},
        {"--output", "-o, --output TEMPLATE",
         "output filename template. Use %(title)s to get the title, %(uploader)s for the "
         "uploader name, %(uploader_id)s for the uploader nickname if different, "
         "%(autonumber)s to get an automatically incremented number, %(ext)s for the "
         "filename extension, %(format)s for the format description (like \"22 - 1280x720\" "
         "or \"HD\"),%(format_id)s for the unique id of the format (like Youtube's itags: "
         "\"137\"),%(upload_date)s for the upload date (YYYYMMDD), %(extractor)s for the "
         "provider (youtube, metacafe, etc), %(id)s for the video id , %(playlist)s for the "
         "playlist the video is in, %(playlist_index)s for the position in the playlist and "
         "%% for a literal percent. Use - to output to stdout. Can also be used to download "
         "to a different directory, for example with -o "
         "'/my/downloads/%(uploader)s/%(title)s-%(id)s.%(ext)s' ."},
        {"--continue", "-c, --continue",
         "force resume of partially downloaded files. By default, youtube-dl will resume "
         "downloads if possible."},
        {"--extract-audio", "-x, --extract-audio",
         "convert video files to audio-only files (requires ffmpeg or avconv and ffprobe or "
         "avprobe)"},
        {"--audio-format", "--audio-format FORMAT",
         "\"best\", \"aac\", \"vorbis\", \"mp3\", \"m4a\", \"opus\", or \"wav\"; best by default"},
        {"--audio-quality", "--audio-quality QUALITY",
         "ffmpeg/avconv audio quality specification, insert a value between 0 (better) and 9 "
         "(worse) for VBR or a specific bitrate like 128K (default 5)"},
        {"--keep-video", "-k, --keep-video",
         "keeps the video file on disk after the post-processing; the video is erased by "
         "default"},
    };
    bool old = StandinImitates2013(version);
    const StandinHelpLine *lines = old ? k2013 : kModern;
    size_t count = old ? sizeof k2013 / sizeof k2013[0] : sizeof kModern / sizeof kModern[0];
    int n = snprintf(out, outSize, "%s\n\nOptions:\n",
                     old ? "Usage: youtube-dl [options] url [url...]"
                         : "Usage: yt-dlp [OPTIONS] URL [URL...]");
    size_t used = n > 0 ? (size_t)n : outSize;
    for (size_t i = 0; i < count && used < outSize; i++) {
        if (!StandinKnows(version, lines[i].name))
            continue;
        n = snprintf(out + used, outSize - used, "  %-30s  %s\n", lines[i].column, lines[i].text);
        used = n > 0 ? used + (size_t)n : outSize;
    }
    return used < outSize;
}

// A caller's rule for "the help lists this option": the name preceded by a blank or a
// comma and followed by a blank, "=" or the line's end.
static inline bool StandinHelpShows(const char *help, const char *name)
{
    size_t len = strlen(name);
    for (const char *at = strstr(help, name); at; at = strstr(at + 1, name)) {
        char after = at[len];
        if (at > help && (at[-1] == ' ' || at[-1] == ',') &&
            (after == ' ' || after == '=' || after == '\n' || after == '\r' || after == '\0'))
            return true;
    }
    return false;
}

#endif
