// Reads the progress titles of youtube-dl (2013 on) and yt-dlp: "youtube-dl - 45.3% of
// 12.34MiB at 1.02MiB/s ETA 00:07", padded, "~"-estimated and last ("100% of 2.86MiB in 00:02").
#include "control/progress.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char *const TOOL_NAMES[] = {"youtube-dl", "yt-dlp"};

// What the word after a keyword fills. The elapsed time after "in" fills nothing.
enum ProgressField { FIELD_NONE, FIELD_SIZE, FIELD_SPEED, FIELD_ETA, FIELD_ELAPSED };

static bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

static const char *SkipBlanks(const char *p)
{
    while (IsBlank(*p))
        p++;
    return p;
}

static size_t WordLength(const char *p)
{
    size_t length = 0;
    while (p[length] && !IsBlank(p[length]))
        length++;
    return length;
}

static bool WordIs(const char *word, size_t length, const char *keyword)
{
    return length == strlen(keyword) && memcmp(word, keyword, length) == 0;
}

static ProgressField KeywordField(const char *word, size_t length)
{
    if (WordIs(word, length, "of"))
        return FIELD_SIZE;
    if (WordIs(word, length, "at"))
        return FIELD_SPEED;
    if (WordIs(word, length, "ETA"))
        return FIELD_ETA;
    if (WordIs(word, length, "in"))
        return FIELD_ELAPSED;
    return FIELD_NONE;
}

// The text after the tool's name. The name must stand as a word of its own: before the
// tool sets its title the console shows the tool's path, whose folders may hold the name.
static const char *AfterToolName(const char *title)
{
    for (const char *name : TOOL_NAMES) {
        size_t length = strlen(name);
        for (const char *p = strstr(title, name); p; p = strstr(p + 1, name))
            if ((p == title || IsBlank(p[-1])) && IsBlank(p[length]))
                return p + length;
    }
    return nullptr;
}

// A percentage as the tools print it, digits first and '%' last ("4.3%", "100%").
// "Unknown %", "N/A%", "---.-%" and a live stream's byte count are not.
static bool IsPercentWord(const char *word, size_t length, size_t fieldSize)
{
    return length >= 2 && length < fieldSize && word[0] >= '0' && word[0] <= '9' &&
           word[length - 1] == '%';
}

// Adds a word to a field with one blank between words ("Unknown speed"); what does not
// fit is cut. yt-dlp pads an estimate as "~  2.86MiB": the "~" is kept on its size.
static void AppendWord(char *field, size_t size, const char *word, size_t length)
{
    size_t used = strlen(field);
    if (used > 0 && strcmp(field, "~") != 0 && used + 1 < size)
        field[used++] = ' ';
    size_t room = size - 1 - used;
    if (length > room)
        length = room;
    memcpy(field + used, word, length);
    field[used + length] = '\0';
}

static int FillWidthOf(const char *percent)
{
    double width = strtod(percent, nullptr) * PROGRESS_BAR_WIDTH * 0.01;
    // Clamped before the conversion: a wild percentage must not overflow the int.
    if (!(width > 0))
        return 0;
    return width >= PROGRESS_BAR_WIDTH ? PROGRESS_BAR_WIDTH : (int)width;
}

// Fills size, speed and eta from the words after the percentage, up to the end or a
// "(frag 3/10)" note. Every word after "ETA" belongs to it ("Unknown ETA").
static void ScanFields(ProgressText *progress, const char *p)
{
    ProgressField field = FIELD_NONE;
    bool finished = false;
    for (p = SkipBlanks(p); *p && *p != '('; ) {
        size_t length = WordLength(p);
        ProgressField keyword = field == FIELD_ETA ? FIELD_NONE : KeywordField(p, length);
        if (keyword != FIELD_NONE) {
            field = keyword;
            finished = finished || keyword == FIELD_ELAPSED;
        } else if (field == FIELD_SIZE) {
            AppendWord(progress->size, sizeof progress->size, p, length);
        } else if (field == FIELD_SPEED) {
            AppendWord(progress->speed, sizeof progress->speed, p, length);
        } else if (field == FIELD_ETA) {
            AppendWord(progress->eta, sizeof progress->eta, p, length);
        }
        p = SkipBlanks(p + length);
    }
    // The last title gives the time taken, not the time left: nothing is left.
    if (finished)
        snprintf(progress->eta, sizeof progress->eta, "%s", "00:00");
}

const char *ComposeProgress(ProgressText *progress, const char *title, int *fillWidth)
{
    *fillWidth = -1;
    const char *p = AfterToolName(title);
    if (!p)
        return nullptr;
    p = SkipBlanks(p);
    if (p[0] == '-' && IsBlank(p[1]))
        p = SkipBlanks(p + 1);
    size_t length = WordLength(p);
    if (!IsPercentWord(p, length, sizeof progress->percent))
        return nullptr;
    // After the percentage comes a keyword, a note or nothing ("yt-dlp MoveFiles
    // finished" and other messages were refused above).
    const char *rest = SkipBlanks(p + length);
    if (*rest && *rest != '(' && KeywordField(rest, WordLength(rest)) == FIELD_NONE)
        return nullptr;

    memcpy(progress->percent, p, length);
    progress->percent[length] = '\0';
    // Fields the title lacks stay empty rather than showing an earlier title's values.
    progress->size[0] = progress->speed[0] = progress->eta[0] = '\0';
    ScanFields(progress, rest);
    snprintf(progress->status, sizeof progress->status, "SP:%s|>DL:%s Of %s<|ET:%s",
             progress->speed, progress->percent, progress->size, progress->eta);
    *fillWidth = FillWidthOf(progress->percent);
    return progress->status;
}

static bool StartsWith(const char *line, size_t length, const char *prefix)
{
    size_t prefixLength = strlen(prefix);
    return length >= prefixLength && memcmp(line, prefix, prefixLength) == 0;
}

static bool Contains(const char *line, size_t length, const char *word)
{
    size_t wordLength = strlen(word);
    for (size_t i = 0; i + wordLength <= length; i++)
        if (memcmp(line + i, word, wordLength) == 0)
            return true;
    return false;
}

// "[download] Downloading item 3 of 25": the entry and the list's length.
static bool ReadEntryLine(MergeProgress *merge, const char *line, size_t length)
{
    static const char *const STARTS[] = {"[download] Downloading item ", "[download] Downloading video "};
    for (const char *start : STARTS) {
        if (!StartsWith(line, length, start))
            continue;
        char text[48];
        size_t skip = strlen(start), count = length - skip < sizeof text - 1 ? length - skip : sizeof text - 1;
        memcpy(text, line + skip, count);
        text[count] = '\0';
        int entry, entries;
        char end;
        if (sscanf(text, "%d of %d%c", &entry, &entries, &end) != 2 || entry < 1 || entries < entry)
            return false;
        // Each entry has its own parts.
        StageShape shape = merge->shape;
        int widest = merge->widest;
        *merge = MergeProgress();
        merge->shape = shape;
        merge->widest = widest;
        merge->entry = entry;
        merge->entries = entries;
        return true;
    }
    return false;
}

size_t ScanMergeOutput(MergeProgress *merge, const char *text, size_t length)
{
    size_t used = 0;
    for (size_t i = 0; i < length; i++) {
        // The tools end a progress line with '\r' and the others with '\n'.
        if (text[i] != '\n' && text[i] != '\r')
            continue;
        const char *line = text + used;
        size_t lineLength = i - used;
        if (ReadEntryLine(merge, line, lineLength)) {
            // The next entry of a list begins.
        } else if (StartsWith(line, lineLength, "[download] Destination: ") ||
                   (StartsWith(line, lineLength, "[download] ") && Contains(line, lineLength, " has already been downloaded"))) {
            merge->partsBegun++;
        } else if (StartsWith(line, lineLength, "[Merger] Merging formats into ")) {
            merge->merging = true;
        } else if (StartsWith(line, lineLength, "[ExtractAudio] Destination: ") ||
                   StartsWith(line, lineLength, "[ffmpeg] Destination: ")) {
            merge->converting = true;
        } else if (StartsWith(line, lineLength, "[info] ") && Contains(line, lineLength, ": Downloading 1 format(s): ")) {
            merge->single = !Contains(line, lineLength, "+");
        }
        used = i + 1;
    }
    return used;
}

// How far the running entry is, 0 to 100.
static double EntryShare(const MergeProgress *merge, double percent)
{
    if (merge->shape == STAGES_MP3)
        return merge->converting ? 95 : percent * 0.95;
    if (merge->shape == STAGES_PLAIN || merge->single)
        return percent;
    if (merge->merging)
        return 99;
    return merge->partsBegun <= 1 ? percent * 0.9 : 90 + percent * 0.09;
}

int MergedFillWidth(MergeProgress *merge, double percent)
{
    if (percent < 0)
        percent = 0;
    if (percent > 100)
        percent = 100;
    double share = EntryShare(merge, percent);
    if (merge->entries > 0)
        share = ((merge->entry - 1) * 100.0 + share) / merge->entries;
    int width = (int)(share * PROGRESS_BAR_WIDTH * 0.01);
    if (width > merge->widest)
        merge->widest = width;
    return merge->widest;
}

const char *ComposeMergedProgress(ProgressText *progress, MergeProgress *merge, const char *title,
                                  int *fillWidth)
{
    if (!ComposeProgress(progress, title, fillWidth))
        return nullptr;
    *fillWidth = MergedFillWidth(merge, strtod(progress->percent, nullptr));
    // The tool's own choice may be one format with both: a plain download then.
    bool parts = merge->shape == STAGES_MERGE && !merge->single;
    if (merge->entries == 0 && !parts)
        return progress->status;
    int part = merge->partsBegun < 1 ? 1 : merge->partsBegun > MERGE_PARTS ? MERGE_PARTS : merge->partsBegun;
    char *end = strstr(progress->status, "<|");
    char partText[32];
    if (merge->entries > 0)
        snprintf(partText, sizeof partText, " (%d/%d)", merge->entry, merge->entries);
    else
        snprintf(partText, sizeof partText, " (%d/%d)", part, MERGE_PARTS);
    size_t used = strlen(progress->status), added = strlen(partText);
    if (end && used + added < sizeof progress->status) {
        memmove(end + added, end, strlen(end) + 1);
        memcpy(end, partText, added);
    }
    return progress->status;
}
