// Parses the tool's format listing held in memory: the old tab-and-colon lines and the
// padded tables of later versions. Input may hold any bytes; nothing is read past `length`.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "toolbridge/probereaders.h"

// The old reader took lines through a 100-character buffer, so a longer line arrived as
// several pieces of 99 characters, each read as a line of its own; old lines still are.
enum { OLD_LINE_BUFFER = 100 };

enum RowGroup { GROUP_FULL, GROUP_PICTURE_ONLY, GROUP_SOUND_ONLY, GROUP_COUNT };

// The last MAX_AVAILABLE_FORMATS rows of one group: tables list the worst first, so an
// earlier row of a group could never be among the ones kept.
struct GroupRing {
    AvailableFormat rows[MAX_AVAILABLE_FORMATS];
    int total;
};

struct FormatScan {
    AvailableFormat oldRows[MAX_AVAILABLE_FORMATS];
    int oldCount;
    GroupRing groups[GROUP_COUNT];
    bool underHeading;
};

struct Span {
    const char *begin;
    const char *end;
};

static bool SpanContains(Span span, const char *needle)
{
    size_t length = strlen(needle);
    for (const char *p = span.begin; (size_t)(span.end - p) >= length; p++)
        if (memcmp(p, needle, length) == 0)
            return true;
    return false;
}

static bool SpanEquals(Span span, const char *text)
{
    size_t length = strlen(text);
    return (size_t)(span.end - span.begin) == length && memcmp(span.begin, text, length) == 0;
}

static bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\0';
}

// Length of the column bar at `p`, 0 if none: "|", or the box drawing bar U+2502 in UTF-8
// that the tool prints where the console can show it.
static size_t BarAt(const char *p, const char *end)
{
    if (*p == '|')
        return 1;
    if (end - p >= 3 && memcmp(p, "\xE2\x94\x82", 3) == 0)
        return 3;
    return 0;
}

// The next word of `*rest`, which moves past it; an empty span when none is left. A column
// bar is a word of its own, so an empty column (newer tools leave the resolution of a
// sound-only row blank) does not borrow the next column's word.
static Span NextWord(Span *rest)
{
    const char *p = rest->begin;
    while (p < rest->end && IsBlank(*p))
        p++;
    const char *begin = p;
    size_t bar = p < rest->end ? BarAt(p, rest->end) : 0;
    if (bar > 0)
        p += bar;
    else
        while (p < rest->end && !IsBlank(*p) && BarAt(p, rest->end) == 0)
            p++;
    rest->begin = p;
    return Span{begin, p};
}

// A run of decimal digits that fits a 32-bit signed number.
static bool DigitsValue(Span span, int32_t *value)
{
    if (span.begin == span.end)
        return false;
    int64_t number = 0;
    for (const char *p = span.begin; p < span.end; p++) {
        if (*p < '0' || *p > '9')
            return false;
        number = number * 10 + (*p - '0');
        if (number > INT32_MAX)
            return false;
    }
    *value = (int32_t)number;
    return true;
}

// "WIDTHxHEIGHT" or "HEIGHTp" (also "720p60"); anything else, "audio only" included, is 0 by 0.
static void ParseResolution(Span word, AvailableFormat *record)
{
    record->height = 0;
    record->width = 0;
    const char *p = word.begin;
    while (p < word.end && *p >= '0' && *p <= '9')
        p++;
    int32_t first, second;
    if (p == word.begin || p == word.end || !DigitsValue(Span{word.begin, p}, &first))
        return;
    if (*p == 'x' && DigitsValue(Span{p + 1, word.end}, &second)) {
        record->width = first;
        record->height = second;
    } else if (*p == 'p' && (p + 1 == word.end || DigitsValue(Span{p + 1, word.end}, &second))) {
        record->height = first;
    }
}

static bool IsTableHeading(Span line)
{
    Span rest = line;
    Span first = NextWord(&rest);
    if (SpanEquals(first, "ID"))
        return true;
    return SpanEquals(first, "format") && SpanEquals(NextWord(&rest), "code");
}

static void KeepRow(GroupRing *ring, const AvailableFormat *record)
{
    ring->rows[ring->total % MAX_AVAILABLE_FORMATS] = *record;
    ring->total++;
}

// A table row: a numeric id (storyboards and other named ids cannot be stored), the
// extension, then the resolution. A row with no extension is no format to save.
static void ScanTableRow(FormatScan *scan, Span line)
{
    Span rest = line;
    AvailableFormat record;
    memset(&record, 0, sizeof record);
    if (!DigitsValue(NextWord(&rest), &record.code))
        return;
    Span extension = NextWord(&rest);
    size_t length = (size_t)(extension.end - extension.begin);
    if (length == 0 || BarAt(extension.begin, extension.end) > 0)
        return;
    memcpy(record.extension, extension.begin,
           length < EXTENSION_SIZE - 1 ? length : EXTENSION_SIZE - 1);
    ParseResolution(NextWord(&rest), &record);
    RowGroup group = GROUP_FULL;
    if (SpanContains(line, "audio only"))
        group = GROUP_SOUND_ONLY;
    else if (SpanContains(line, "video only"))
        group = GROUP_PICTURE_ONLY;
    KeepRow(&scan->groups[group], &record);
}

// Reads an old line as the old reader did: in 99-character pieces, each a C string
// (so it ends at an embedded NUL), the line end as one line feed.
static void ScanOldLine(FormatScan *scan, Span line, bool hasLineEnd)
{
    size_t length = (size_t)(line.end - line.begin) + (hasLineEnd ? 1 : 0);
    for (size_t start = 0; start < length; start += OLD_LINE_BUFFER - 1) {
        char piece[OLD_LINE_BUFFER];
        size_t size = length - start < OLD_LINE_BUFFER - 1 ? length - start : OLD_LINE_BUFFER - 1;
        for (size_t i = 0; i < size; i++) {
            size_t at = start + i;
            piece[i] = line.begin + at < line.end ? line.begin[at] : '\n';
        }
        piece[size] = '\0';
        if (scan->oldCount < MAX_AVAILABLE_FORMATS && strstr(piece, "\t:\t") &&
            ParseFormatLine(piece, &scan->oldRows[scan->oldCount]))
            scan->oldCount++;
    }
}

static void ScanLine(FormatScan *scan, Span line, bool hasLineEnd)
{
    if (SpanContains(line, "\t:\t"))
        ScanOldLine(scan, line, hasLineEnd);
    else if (IsTableHeading(line))
        scan->underHeading = true;
    else if (scan->underHeading)
        ScanTableRow(scan, line);
}

static int Smaller(int a, int b)
{
    return a < b ? a : b;
}

// Old lines first, in their order. Then the table rows: with sound and picture, picture
// only, sound only, each best first. When they do not all fit, the worst picture-only
// rows go first (a file without sound is the least useful), then the worst sound-only
// rows, then the worst full ones.
static int32_t CollectRows(const FormatScan *scan, AvailableFormat *out, StreamKinds *told)
{
    int used = scan->oldCount;
    memcpy(out, scan->oldRows, (size_t)used * sizeof *out);
    int room = MAX_AVAILABLE_FORMATS - used;
    int kept[GROUP_COUNT];
    kept[GROUP_FULL] = Smaller(scan->groups[GROUP_FULL].total, room);
    room -= kept[GROUP_FULL];
    kept[GROUP_SOUND_ONLY] = Smaller(scan->groups[GROUP_SOUND_ONLY].total, room);
    room -= kept[GROUP_SOUND_ONLY];
    kept[GROUP_PICTURE_ONLY] = Smaller(scan->groups[GROUP_PICTURE_ONLY].total, room);
    const RowGroup order[GROUP_COUNT] = {GROUP_FULL, GROUP_PICTURE_ONLY, GROUP_SOUND_ONLY};
    for (int g = 0; g < GROUP_COUNT; g++) {
        const GroupRing *ring = &scan->groups[order[g]];
        for (int k = 0; k < kept[order[g]]; k++) {
            if (told) {
                told->codes[used] = ring->rows[(ring->total - 1 - k) % MAX_AVAILABLE_FORMATS].code;
                told->kinds[used] = order[g] == GROUP_PICTURE_ONLY ? STREAM_PICTURE_ONLY
                                    : order[g] == GROUP_SOUND_ONLY ? STREAM_SOUND_ONLY
                                                                   : STREAM_FULL;
            }
            out[used++] = ring->rows[(ring->total - 1 - k) % MAX_AVAILABLE_FORMATS];
        }
    }
    return used;
}

void ParseFormatText(const char *text, size_t length, AvailableFormat *list, int32_t *count, StreamKinds *told)
{
    FormatScan scan;
    memset(&scan, 0, sizeof scan);
    const char *p = text;
    const char *end = text ? text + length : text;
    while (p < end) {
        const char *newline = (const char *)memchr(p, '\n', (size_t)(end - p));
        const char *lineEnd = newline ? newline : end;
        // A CR LF line end is read as the old text-mode reader saw it on Windows: one LF.
        const char *contentEnd = lineEnd > p && lineEnd[-1] == '\r' ? lineEnd - 1 : lineEnd;
        ScanLine(&scan, Span{p, contentEnd}, newline != nullptr);
        p = newline ? newline + 1 : end;
    }
    AvailableFormat rows[MAX_AVAILABLE_FORMATS];
    if (told) {
        memset(told, 0, sizeof *told);
        for (int i = 0; i < scan.oldCount; i++)
            told->codes[i] = scan.oldRows[i].code;  // the old lines tell no kind
    }
    *count = CollectRows(&scan, rows, told);
    if (told)
        told->count = *count;
    memcpy(list, rows, (size_t)*count * sizeof *list);
}

static const char *SkipNumber(const char *text, int32_t *value)
{
    char *end = nullptr;
    long long number = strtoll(text, &end, 10);
    if (end == text || number < INT32_MIN || number > INT32_MAX)
        return nullptr;
    *value = (int32_t)number;
    return end;
}

// "[HEIGHTxWIDTH]"; anything else (the tool printed "[???]" for some codes) gives 0 by 0.
static void ParseBracketSize(const char *text, AvailableFormat *record)
{
    record->height = 0;
    record->width = 0;
    int32_t height, width;
    if (*text != '[')
        return;
    const char *p = SkipNumber(text + 1, &height);
    if (!p || *p != 'x')
        return;
    p = SkipNumber(p + 1, &width);
    if (!p || *p != ']')
        return;
    record->height = height;
    record->width = width;
}

bool ParseFormatLine(const char *line, AvailableFormat *record)
{
    int32_t code;
    const char *p = SkipNumber(line, &code);
    if (!p || strncmp(p, "\t:\t", 3) != 0)
        return false;
    p += 3;
    // Extensions longer than the record holds are cut; the format stays choosable.
    size_t length = 0;
    while (p[length] && p[length] != ' ' && (p[length] < '\t' || p[length] > '\r'))
        length++;
    if (length == 0)
        return false;
    size_t kept = length < EXTENSION_SIZE - 1 ? length : EXTENSION_SIZE - 1;
    record->code = code;
    memset(record->extension, 0, sizeof record->extension);
    memcpy(record->extension, p, kept);
    p += length;
    while (*p == ' ' || *p == '\t')
        p++;
    ParseBracketSize(p, record);
    return true;
}
