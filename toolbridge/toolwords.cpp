// Picking the line that says why a tool run failed; window-free so it is tested natively.
#include "toolbridge/toolwords.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char ERROR_PREFIX[] = "ERROR:";

static bool IsLineEnd(char c)
{
    return c == '\n' || c == '\r';
}

// A line is [start, end); blanks alone make no line worth showing, and neither does the
// warning every run gives where no ffmpeg is kept (it is told where none is, on purpose).
static bool Holds(const char *text, size_t length, const char *words)
{
    size_t count = strlen(words);
    for (size_t at = 0; at + count <= length; at++)
        if (memcmp(text + at, words, count) == 0)
            return true;
    return false;
}

static bool IsQuietLine(const char *start, const char *end)
{
    if (Holds(start, (size_t)(end - start), "does not exist! Continuing without ffmpeg"))
        return true;
    for (const char *p = start; p < end; p++)
        if (*p != ' ' && *p != '\t')
            return false;
    return true;
}

static void CopyWords(const char *start, const char *end, char *words, size_t size)
{
    size_t length = (size_t)(end - start);
    size_t limit = size - 1 < (size_t)TOOL_WORDS_LIMIT ? size - 1 : (size_t)TOOL_WORDS_LIMIT;
    if (length > limit) {
        length = limit;
        // Back over the continuation bytes of a sequence the cut would split.
        while (length > 0 && ((unsigned char)start[length] & 0xC0) == 0x80)
            length--;
    }
    memcpy(words, start, length);
    words[length] = '\0';
}

bool PickToolWords(const char *text, size_t length, char *words, size_t size)
{
    if (size == 0)
        return false;
    words[0] = '\0';
    const char *errorStart = NULL, *errorEnd = NULL, *lastStart = NULL, *lastEnd = NULL;
    const char *end = text + length;
    for (const char *line = text; line < end;) {
        const char *stop = line;
        while (stop < end && !IsLineEnd(*stop) && *stop != '\0')
            stop++;
        if (!IsQuietLine(line, stop)) {
            lastStart = line;
            lastEnd = stop;
            if ((size_t)(stop - line) >= sizeof ERROR_PREFIX - 1 &&
                memcmp(line, ERROR_PREFIX, sizeof ERROR_PREFIX - 1) == 0) {
                errorStart = line;
                errorEnd = stop;
            }
        }
        line = stop + 1;
    }
    if (errorStart)
        CopyWords(errorStart, errorEnd, words, size);
    else if (lastStart)
        CopyWords(lastStart, lastEnd, words, size);
    return words[0] != '\0';
}

// The last TOOL_WORDS_READ_LIMIT bytes of the file, malloc'ed; null when it cannot be read.
static char *ReadFileEnd(const char *path, size_t *length)
{
    FILE *file = fopen(path, "rb");
    if (!file)
        return NULL;
    long size = 0;
    if (fseek(file, 0, SEEK_END) == 0)
        size = ftell(file);
    long start = size > TOOL_WORDS_READ_LIMIT ? size - TOOL_WORDS_READ_LIMIT : 0;
    char *text = (char *)malloc(TOOL_WORDS_READ_LIMIT);
    *length = 0;
    if (text && size >= 0 && fseek(file, start, SEEK_SET) == 0)
        *length = fread(text, 1, TOOL_WORDS_READ_LIMIT, file);
    fclose(file);
    return text;
}

bool ReadToolWords(const char *path, char *words, size_t size)
{
    size_t length = 0;
    char *text = ReadFileEnd(path, &length);
    if (size > 0)
        words[0] = '\0';
    bool found = text && PickToolWords(text, length, words, size);
    free(text);
    return found;
}

int CountErrorLines(const char *text, size_t length, char *first, size_t size)
{
    int count = 0;
    if (size > 0)
        first[0] = '\0';
    for (size_t line = 0; line < length;) {
        size_t stop = line;
        while (stop < length && !IsLineEnd(text[stop]) && text[stop] != '\0')
            stop++;
        if (stop - line >= sizeof ERROR_PREFIX - 1 && memcmp(text + line, ERROR_PREFIX, sizeof ERROR_PREFIX - 1) == 0 &&
            count++ == 0)
            PickToolWords(text + line, stop - line, first, size);
        line = stop + 1;
    }
    return count;
}

int ReadErrorLines(const char *path, char *first, size_t size)
{
    size_t length = 0;
    char *text = ReadFileEnd(path, &length);
    int count = text ? CountErrorLines(text, length, first, size) : 0;
    if (!text && size > 0)
        first[0] = '\0';
    free(text);
    return count;
}

bool FileHasErrorLine(const char *path)
{
    char words[TOOL_WORDS_SIZE];
    return ReadToolWords(path, words, sizeof words) &&
           strncmp(words, ERROR_PREFIX, sizeof ERROR_PREFIX - 1) == 0;
}

// What the tool's words say, a cause a row; the first row whose words stand in the text wins.
enum AdviceCause {
    CAUSE_NO_RUNTIME,      // yt-dlp found no JavaScript runtime (since 2025.11.12)
    CAUSE_RUNTIME_FAILED,  // one ran, but could not solve the page's challenge
    CAUSE_WHO_YOU_ARE,     // YouTube's bot check, an age check, a members-only or private video
    CAUSE_NO_FIREFOX,      // Firefox's cookies were asked for and there are none
    CAUSE_FORBIDDEN,       // the site refused a request
    CAUSE_SITE_CHANGED,    // the page is not as the tool knows it
    CAUSE_NO_FFMPEG        // a merge or a conversion without ffmpeg
};

static const struct {
    AdviceCause cause;
    const char *words[3];
    const char *notSignedIn;
    const char *signedIn;
} ADVICE[] = {
    // The warning's opening has stayed; its tail changed after 2025.11.12.
    {CAUSE_NO_RUNTIME, {"No supported JavaScript runtime could be found"},
     "Some formats need a JavaScript runtime: choose one in the window menu (Alt+Space).", NULL},
    {CAUSE_RUNTIME_FAILED, {"n challenge solving failed", "Signature solving failed"},
     "The JavaScript runtime could not read this page: update the download tool, or choose another "
     "runtime in the window menu.", NULL},
    // "you\u2019re" has a curly apostrophe: matched without it ("confirm your age" too).
    {CAUSE_WHO_YOU_ARE, {"Sign in to confirm you", "members-only content", "Private video"},
     "The site asks who you are: sign in from the window menu (Alt+Space), with Firefox's cookies "
     "or a cookies file.",
     "The site asks who you are again: the cookies may have expired, or their account may not see "
     "this video. Sign in again from the window menu."},
    {CAUSE_NO_FIREFOX, {"could not find firefox cookies database"},
     "Firefox's cookies were not found here: sign in with a cookies file instead (window menu).", NULL},
    {CAUSE_FORBIDDEN, {"HTTP Error 403"},
     "The site refused the download: sign in from the window menu, or update the download tool.",
     "The site refused the download: update the download tool from the window menu."},
    {CAUSE_SITE_CHANGED, {"Requested format is not available", "Unable to extract"},
     "The site may have changed: update the download tool from the window menu.", NULL},
    {CAUSE_NO_FFMPEG, {"ffmpeg not found", "ffmpeg is not installed", "ffprobe and ffmpeg not found"},
     "This needs ffmpeg: choose ffmpeg in the window menu (Alt+Space).", NULL},
};

static int FindCause(const char *text, size_t length, int from)
{
    for (int row = from; row < (int)(sizeof ADVICE / sizeof ADVICE[0]); row++)
        for (const char *words : ADVICE[row].words)
            if (words && Holds(text, length, words))
                return row;
    return -1;
}

RuntimeTrouble FindRuntimeTrouble(const char *text, size_t length)
{
    int row = FindCause(text, length, 0);
    return row >= 0 && ADVICE[row].cause == CAUSE_NO_RUNTIME     ? RUNTIME_MISSING
           : row >= 0 && ADVICE[row].cause == CAUSE_RUNTIME_FAILED ? RUNTIME_FAILED
                                                                  : RUNTIME_FINE;
}

const char *FindAdvice(const char *text, size_t length, bool signedIn, bool lackedRuntime)
{
    // The runtime's warnings stand beside whatever failed: they count where the failure is a
    // page not read or a format missing, as the runtime's absence explains those.
    int row = FindCause(text, length, CAUSE_WHO_YOU_ARE);
    if (row < 0)
        return NULL;
    if (ADVICE[row].cause == CAUSE_SITE_CHANGED && lackedRuntime)
        return ADVICE[CAUSE_NO_RUNTIME].notSignedIn;
    return signedIn && ADVICE[row].signedIn ? ADVICE[row].signedIn : ADVICE[row].notSignedIn;
}

const char *ReadAdvice(const char *path, bool signedIn, bool lackedRuntime)
{
    size_t length = 0;
    char *text = ReadFileEnd(path, &length);
    const char *advice = text ? FindAdvice(text, length, signedIn, lackedRuntime) : NULL;
    free(text);
    return advice;
}

RuntimeTrouble ReadRuntimeTrouble(const char *path)
{
    size_t length = 0;
    char *text = ReadFileEnd(path, &length);
    RuntimeTrouble trouble = text ? FindRuntimeTrouble(text, length) : RUNTIME_FINE;
    free(text);
    return trouble;
}

bool SaysAlreadyDownloaded(const char *text, size_t length, const char *fileName)
{
    static const char START[] = "[download] ", END[] = " has already been downloaded";
    size_t nameLength = strlen(fileName);
    for (size_t line = 0; line < length;) {
        size_t stop = line;
        while (stop < length && !IsLineEnd(text[stop]) && text[stop] != '\0')
            stop++;
        const char *first = text + line, *last = text + stop;
        size_t width = (size_t)(last - first);
        if (width > sizeof START - 1 + sizeof END - 1 && memcmp(first, START, sizeof START - 1) == 0 &&
            memcmp(last - (sizeof END - 1), END, sizeof END - 1) == 0) {
            const char *pathEnd = last - (sizeof END - 1), *name = pathEnd;
            while (name > first + sizeof START - 1 && name[-1] != '\\' && name[-1] != '/')
                name--;
            if ((size_t)(pathEnd - name) == nameLength && memcmp(name, fileName, nameLength) == 0)
                return true;
        }
        line = stop + 1;
    }
    return false;
}

bool FileSaysAlreadyDownloaded(const char *path, const char *fileName)
{
    size_t length = 0;
    char *text = ReadFileEnd(path, &length);
    bool said = text && SaysAlreadyDownloaded(text, length, fileName);
    free(text);
    return said;
}

bool NamedFileOf(const char *line, size_t length, char *name, size_t size, NamedKind *kind)
{
    static const char START[] = "[download] ", DESTINATION[] = "Destination: ",
                      SKIPPED[] = " has already been downloaded", MERGER[] = "[Merger] Merging formats into \"";
    const char *first = line, *last = line + length;
    NamedKind named;
    if (length > sizeof MERGER && memcmp(line, MERGER, sizeof MERGER - 1) == 0 && last[-1] == '"') {
        first += sizeof MERGER - 1;
        last--;
        named = NAMED_MERGED;
    } else if (length <= sizeof START - 1 || memcmp(line, START, sizeof START - 1) != 0) {
        return false;
    } else if ((size_t)(last - (first += sizeof START - 1)) > sizeof DESTINATION - 1 &&
               memcmp(first, DESTINATION, sizeof DESTINATION - 1) == 0) {
        first += sizeof DESTINATION - 1;
        named = NAMED_WRITTEN;
    } else if ((size_t)(last - first) > sizeof SKIPPED - 1 &&
               memcmp(last - (sizeof SKIPPED - 1), SKIPPED, sizeof SKIPPED - 1) == 0) {
        last -= sizeof SKIPPED - 1;
        named = NAMED_FOUND;
    } else {
        return false;
    }
    size_t count = (size_t)(last - first);
    if (count == 0 || count >= size || memchr(first, '\0', count))
        return false;
    memcpy(name, first, count);
    name[count] = '\0';
    if (kind)
        *kind = named;
    return true;
}

static bool StartsWith(const char *line, size_t length, const char *start)
{
    size_t count = strlen(start);
    return length >= count && memcmp(line, start, count) == 0;
}

static bool EndsWith(const char *line, size_t length, const char *end)
{
    size_t count = strlen(end);
    return length >= count && memcmp(line + length - count, end, count) == 0;
}

// Moves `tally` on by whole lines of a list's output; `*entryDone` says whether the entry
// under way has finished already (a merge finishes two parts, and is one entry).
static void TallyLines(const char *text, size_t length, ListTally *tally, bool *entryDone)
{
    static const char *const ENTRY_STARTS[] = {"[download] Downloading item ", "[download] Downloading video "};
    for (size_t line = 0; line < length;) {
        size_t stop = line;
        while (stop < length && !IsLineEnd(text[stop]) && text[stop] != '\0')
            stop++;
        const char *at = text + line;
        size_t width = stop - line;
        for (const char *start : ENTRY_STARTS) {
            size_t startLength = strlen(start);
            if (!StartsWith(at, width, start))
                continue;
            // "K of N": N after the first " of " of the line.
            for (size_t k = startLength; k + 4 < width; k++) {
                if (memcmp(at + k, " of ", 4) == 0) {
                    int entries = atoi(at + k + 4);
                    tally->entries = entries > tally->entries ? entries : tally->entries;
                    break;
                }
            }
            *entryDone = false;
        }
        if (!*entryDone && (StartsWith(at, width, "[download] 100% of ") ||
                            EndsWith(at, width, " has already been downloaded") ||
                            EndsWith(at, width, " has already been recorded in the archive"))) {
            *entryDone = true;
            tally->finished++;
        }
        line = stop + 1;
    }
}

void TallyListOutput(const char *text, size_t length, ListTally *tally)
{
    tally->entries = tally->finished = 0;
    bool entryDone = false;
    TallyLines(text, length, tally, &entryDone);
    tally->finished = tally->finished < tally->entries ? tally->finished : tally->entries;
}

void TallyListFile(const char *path, ListTally *tally)
{
    tally->entries = tally->finished = 0;
    FILE *file = fopen(path, "rb");
    if (!file)
        return;
    // Static, and a window of the file at a time: a list's output can be long. A line cut at a
    // window's edge is read whole with the next window.
    static char window[65536];
    bool entryDone = false;
    size_t kept = 0, got;
    while ((got = fread(window + kept, 1, sizeof window - kept, file)) > 0 || kept > 0) {
        size_t length = kept + got, end = length;
        while (got > 0 && end > 0 && !IsLineEnd(window[end - 1]))
            end--;
        if (end == 0)
            end = length;  // one line longer than the window, or the file's last: read as it is
        TallyLines(window, end, tally, &entryDone);
        kept = length - end;
        memmove(window, window + end, kept);
        if (got == 0)
            break;
    }
    fclose(file);
    tally->finished = tally->finished < tally->entries ? tally->finished : tally->entries;
}

bool FinalFileOf(const char *text, size_t length, char *name, size_t size)
{
    static const char MERGER[] = "[Merger] Merging formats into \"";
    bool named = false, merged = false;
    for (size_t line = 0; line < length;) {
        size_t stop = line;
        while (stop < length && !IsLineEnd(text[stop]) && text[stop] != '\0')
            stop++;
        size_t width = stop - line;
        if (width > sizeof MERGER && memcmp(text + line, MERGER, sizeof MERGER - 1) == 0 && text[stop - 1] == '"' &&
            width - sizeof MERGER < size) {
            size_t count = width - sizeof MERGER;  // between the quotes
            memcpy(name, text + line + sizeof MERGER - 1, count);
            name[count] = '\0';
            named = merged = true;
        } else if (!named && !merged) {
            named = NamedFileOf(text + line, width, name, size);
        }
        line = stop + 1;
    }
    return named;
}

bool ReadFinalFile(const char *path, char *name, size_t size)
{
    size_t length = 0;
    char *text = ReadFileEnd(path, &length);
    bool found = text && FinalFileOf(text, length, name, size);
    free(text);
    return found;
}
