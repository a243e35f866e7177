// Builds the tool's command lines; window-free so the quoting is tested natively.
#include "toolbridge/cmdline.h"

#include "toolbridge/paths.h"

#include <stdio.h>
#include <string.h>

bool IsPassableArgument(const char *text)
{
    for (const unsigned char *p = (const unsigned char *)text; *p; p++)
        if (*p == '"' || *p < 0x20 || *p == 0x7f)
            return false;
    return true;
}

bool AppendText(char *line, size_t size, const char *text)
{
    size_t used = strlen(line), length = strlen(text);
    if (used + length + 1 > size)
        return false;
    memcpy(line + used, text, length + 1);
    return true;
}

// With `doublePercent` every '%' goes out as "%%": the tool reads the value after -o as
// an output template, where "%%" is one literal '%' ("100% Fun" stops youtube-dl 2021).
static bool AppendQuoted(char *line, size_t size, const char *argument, bool doublePercent)
{
    size_t start = strlen(line);
    size_t used = start;
    // Worst case every character doubles, plus the quotes and the terminator.
    auto put = [&](char c) {
        if (used + 1 >= size)
            return false;
        line[used++] = c;
        return true;
    };
    bool fits = put('"');
    size_t backslashes = 0;
    for (const char *p = argument; fits && *p; p++) {
        if (*p == '\\') {
            backslashes++;
        } else {
            // Backslashes before a quote escape it: double them and escape the quote.
            if (*p == '"') {
                for (size_t i = 0; fits && i < backslashes + 1; i++)
                    fits = put('\\');
            }
            backslashes = 0;
        }
        if (*p == '%' && doublePercent)
            fits = fits && put('%');
        fits = fits && put(*p);
    }
    for (size_t i = 0; fits && i < backslashes; i++)
        fits = put('\\');
    fits = fits && put('"');
    if (!fits) {
        line[start] = '\0';
        return false;
    }
    line[used] = '\0';
    return true;
}

bool AppendQuotedArgument(char *line, size_t size, const char *argument)
{
    return AppendQuoted(line, size, argument, false);
}

bool AppendSurroundings(char *line, size_t size, const RunSurroundings *surroundings)
{
    size_t start = strlen(line);
    bool fits = true;
    for (int option = OPTION_ENCODING; fits && option < SURROUNDING_OPTION_COUNT; option++) {
        bool playlist = option == OPTION_NO_PLAYLIST || option == OPTION_PLAYLIST_ITEMS;
        if ((surroundings->refused & OptionBit((ToolOption)option)) ||
            (option == OPTION_ENCODING && !surroundings->utf8) || (playlist && surroundings->list))
            continue;
        fits = AppendText(line, size, " ") && AppendText(line, size, ToolOptionName((ToolOption)option));
        if (fits && option == OPTION_ENCODING)
            fits = AppendText(line, size, " utf-8");
        if (fits && option == OPTION_PLAYLIST_ITEMS)
            fits = AppendText(line, size, " 1");
        if (fits && option == OPTION_FFMPEG_LOCATION)
            fits = AppendText(line, size, " ") && AppendQuotedArgument(line, size, surroundings->ffmpegPath);
        if (fits && option == OPTION_NO_JS_RUNTIMES && surroundings->runtime && surroundings->runtime[0])
            fits = AppendText(line, size, " --js-runtimes ") && AppendQuotedArgument(line, size, surroundings->runtime);
    }
    if (fits && surroundings->list && !(surroundings->refused & OptionBit(OPTION_YES_PLAYLIST)))
        fits = AppendText(line, size, " --yes-playlist");
    if (fits && surroundings->firefox && !(surroundings->refused & OptionBit(OPTION_COOKIES_FROM_BROWSER)))
        fits = AppendText(line, size, " --cookies-from-browser firefox");
    if (fits && surroundings->cookies && surroundings->cookies[0] && !(surroundings->refused & OptionBit(OPTION_COOKIES)))
        fits = AppendText(line, size, " --cookies ") && AppendQuotedArgument(line, size, surroundings->cookies);
    if (!fits)
        line[start] = '\0';
    return fits;
}

// DEST without its extension, '%' doubled, then ".%(ext)s".
static bool AppendStemTemplate(char *line, size_t size, const char *destination)
{
    char stem[COMMAND_LINE_SIZE];
    const char *slash = strrchr(destination, '\\');
    const char *extension = ExtensionOf(slash ? slash + 1 : destination);
    size_t stemLength = extension ? (size_t)(extension - destination) : strlen(destination);
    if (stemLength >= sizeof stem)
        return false;
    memcpy(stem, destination, stemLength);
    stem[stemLength] = '\0';
    size_t start = strlen(line);
    if (!AppendQuoted(line, size, stem, true) || !AppendText(line, size, ".%(ext)s\"")) {
        line[start] = '\0';
        return false;
    }
    // The closing quote moves past the template.
    char *quote = line + strlen(line) - strlen(".%(ext)s\"") - 1;
    memmove(quote, quote + 1, strlen(quote + 1) + 1);
    return true;
}

// DEST's folder, '%' doubled, then the entries' template; and the archive.
static bool AppendListTemplate(char *line, size_t size, const char *destination, const char *archive)
{
    static const char TEMPLATE[] = "%(playlist_index)02d - %(title)s.%(ext)s";
    char folder[COMMAND_LINE_SIZE];
    const char *slash = strrchr(destination, '\\');
    size_t folderLength = slash ? (size_t)(slash + 1 - destination) : 0;
    if (folderLength == 0 || folderLength + sizeof TEMPLATE > sizeof folder)
        return false;
    memcpy(folder, destination, folderLength);
    folder[folderLength] = '\0';
    size_t start = strlen(line);
    bool fits = AppendQuoted(line, size, folder, true) && strlen(line) + sizeof TEMPLATE < size;
    if (fits) {
        // The template goes inside the quotes: the folder's trailing backslashes, doubled
        // before the closing quote, are single again.
        size_t trailing = 0;
        while (trailing < folderLength && folder[folderLength - 1 - trailing] == '\\')
            trailing++;
        char *quote = line + strlen(line) - 1 - trailing;
        memcpy(quote, TEMPLATE, sizeof TEMPLATE - 1);
        quote[sizeof TEMPLATE - 1] = '"';
        quote[sizeof TEMPLATE] = '\0';
        fits = AppendText(line, size, " --download-archive ") && AppendQuotedArgument(line, size, archive) &&
               AppendText(line, size, " -i");
    }
    if (!fits)
        line[start] = '\0';
    return fits;
}

bool BuildDownloadArguments(char *line, size_t size, const char *destination, int code,
                            const char *address, const RunSurroundings *surroundings,
                            const DownloadShape *shape)
{
    DownloadKind kind = shape ? shape->kind : DOWNLOAD_PLAIN;
    const char *archive = shape ? shape->archive : NULL;
    char codeText[96] = "";
    if (archive && kind == DOWNLOAD_MP3)
        snprintf(codeText, sizeof codeText, "%s", "bestaudio[ext=m4a]/bestaudio -x --audio-format mp3 --audio-quality 0");
    else if (kind == DOWNLOAD_MERGED)
        // The m4a sound first: it goes into an MP4 without re-encoding.
        snprintf(codeText, sizeof codeText, "%d+bestaudio[ext=m4a]/%d+bestaudio --merge-output-format %s",
                 code, code, shape->mergeExtension);
    else if (kind == DOWNLOAD_MP3)
        // Quality 0 is the best of libmp3lame's variable bit rates.
        snprintf(codeText, sizeof codeText, "%d -x --audio-format mp3 --audio-quality 0", code);
    else if (kind == DOWNLOAD_PLAIN && code == 0)
        // Code 0 stands for a page that offered no numeric format.
        snprintf(codeText, sizeof codeText, "%s", "best");
    else if (kind == DOWNLOAD_PLAIN)
        snprintf(codeText, sizeof codeText, "%d", code);
    bool stem = kind == DOWNLOAD_TOOLS_CHOICE || kind == DOWNLOAD_MP3;
    line[0] = '\0';
    bool fits = AppendText(line, size, " -o ") &&
                (archive ? AppendListTemplate(line, size, destination, archive)
                 : stem  ? AppendStemTemplate(line, size, destination)
                         : AppendQuoted(line, size, destination, true)) &&
                (!codeText[0] || (AppendText(line, size, " --format ") && AppendText(line, size, codeText))) &&
                AppendSurroundings(line, size, surroundings) &&
                AppendText(line, size, " --console-title -- ") && AppendQuotedArgument(line, size, address);
    if (!fits)
        line[0] = '\0';
    return fits;
}

static bool IsNameCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-';
}

// Copies `length` characters of `start` to `name` and asks `isSet`; names too long for
// the buffer are no environment variable's.
static bool NameIsSet(const char *start, size_t length, bool (*isSet)(const char *), char *name,
                      size_t size)
{
    if (length == 0 || length >= size)
        return false;
    memcpy(name, start, length);
    name[length] = '\0';
    return isSet(name);
}

bool FindExpandedName(const char *text, bool (*isSet)(const char *name), char *name, size_t size)
{
    for (const char *p = strchr(text, '$'); p; p = strchr(p + 1, '$')) {
        const char *start = p + 1;
        size_t length = 0;
        if (*start == '{') {
            const char *close = strchr(++start, '}');
            length = close ? (size_t)(close - start) : 0;
        } else {
            while (IsNameCharacter(start[length]))
                length++;
            size_t dash = strcspn(start, "-");
            if (dash < length && NameIsSet(start, dash, isSet, name, size))
                return true;
        }
        if (NameIsSet(start, length, isSet, name, size))
            return true;
    }
    if (size > 0)
        name[0] = '\0';
    return false;
}

bool BuildProbeCommandLine(char *line, size_t size, const char *toolPath, ProbeKind kind,
                           const char *address, const RunSurroundings *surroundings)
{
    line[0] = '\0';
    bool fits = AppendQuotedArgument(line, size, toolPath);
    if (kind == PROBE_TITLE)
        fits = fits && AppendText(line, size, " \"--get-filename\" \"-o\" \"%(title)s.%(ext)s\"");
    else if (kind == PROBE_LIST)
        fits = fits && AppendText(line, size, " \"--flat-playlist\" \"--get-filename\" \"-o\" \"%(title)s\"");
    else
        fits = fits && AppendText(line, size, " \"--list-formats\"");
    fits = fits && AppendSurroundings(line, size, surroundings) && AppendText(line, size, " -- ") &&
           AppendQuotedArgument(line, size, address);
    if (!fits)
        line[0] = '\0';
    return fits;
}

static bool SameLetters(const char *a, const char *b, size_t length)
{
    for (size_t i = 0; i < length; i++)
        if ((a[i] | 0x20) != (b[i] | 0x20))
            return false;
    return true;
}

bool IsListAddress(const char *address)
{
    const char *query = strchr(address, '?');
    size_t end = strcspn(address, "#");
    for (const char *p = query; p && p < address + end; p = strchr(p + 1, '&')) {
        const char *key = p + 1;
        if (strncmp(key, "list=", 5) == 0 && key[5] && key[5] != '&' && key[5] != '#')
            return true;
    }
    // The host's last labels are youtube.com; the path begins at the first '/' after it.
    const char *host = strstr(address, "://");
    host = host ? host + 3 : address;
    size_t hostLength = strcspn(host, "/?#");
    const char *path = host + hostLength;
    static const char YOUTUBE[] = "youtube.com";
    bool youtube = hostLength >= sizeof YOUTUBE - 1 &&
                   SameLetters(path - (sizeof YOUTUBE - 1), YOUTUBE, sizeof YOUTUBE - 1) &&
                   (hostLength == sizeof YOUTUBE - 1 || path[-(int)sizeof YOUTUBE] == '.');
    static const char *const LIST_PATHS[] = {"/playlist", "/@", "/channel/", "/c/", "/user/"};
    for (const char *start : LIST_PATHS)
        if (youtube && strncmp(path, start, strlen(start)) == 0 &&
            (strcmp(start, "/playlist") != 0 || strchr("/?#", path[9]) != NULL))
            return true;
    return false;
}
