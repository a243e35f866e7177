// Builds the save dialog's filter block from the offered formats and the catalogue.
#include "formats/filterlist.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <ctype.h>
#endif

// A description is cut to FILTER_ENTRY_SIZE - 1 bytes (the catalogue's field widths, two
// eleven-character sizes and " no sound" allow at most 85) and a pattern to "*." and four
// characters, so 24 entries always fit and none is ever dropped; the block is shrunk after.
enum { FILTER_WORK_SIZE = 4096, FILTER_ENTRY_SIZE = 128, FILTER_PATTERN_SIZE = 8 };
static_assert((MAX_AVAILABLE_FORMATS + LIST_FILTERS) * (FILTER_ENTRY_SIZE + FILTER_PATTERN_SIZE) + 1 <=
                  FILTER_WORK_SIZE,
              "24 of the widest entries and the list's fit the filter block");

static void LowerCopy(char *dest, const char *src, size_t size)
{
    snprintf(dest, size, "%s", src);
#ifdef _WIN32
    CharLowerA(dest);
#else
    for (char *p = dest; *p; p++)
        *p = (char)tolower((unsigned char)*p);
#endif
}

// Appends `text` and its terminator at `*used`; false if it would not fit
// with room left for the final empty string.
static bool AppendString(char *block, size_t *used, const char *text)
{
    size_t length = strlen(text) + 1;
    if (*used + length + 1 > FILTER_WORK_SIZE)
        return false;
    memcpy(block + *used, text, length);
    *used += length;
    return true;
}

// Streams with sound only have no picture size worth showing; streams with a
// picture only are marked so nobody saves a silent file unawares.
static void CatalogueEntry(char *description, char *pattern, const AvailableFormat *record,
                           const FormatInfo *row, bool merge)
{
    char lowered[sizeof row->fileType];
    if (merge && HasPicture(row) && !HasSound(row)) {
        // The save dialog appends this extension, which is the merged file's container.
        const char *extension = MergedExtension(record);
        snprintf(description, FILTER_ENTRY_SIZE, "%s~%s-%s with sound (merged)[%ldx%ld]",
                 strcmp(extension, "mp4") == 0 ? "MP4" : "MKV", row->resolution, row->videoEncoding,
                 (long)record->height, (long)record->width);
        snprintf(pattern, FILTER_PATTERN_SIZE, "*.%s", extension);
        return;
    }
    if (!HasPicture(row))
        snprintf(description, FILTER_ENTRY_SIZE, "%s~%s(%skbit/s) no picture", row->fileType,
                 row->audioEncoding, row->audioBitrate);
    else
        snprintf(description, FILTER_ENTRY_SIZE, "%s~%s-%s(%sMbit/s)[%ldx%ld]%s", row->fileType,
                 row->resolution, row->videoEncoding, row->videoBitrate, (long)record->height,
                 (long)record->width, HasSound(row) ? "" : " no sound");
    LowerCopy(lowered, row->fileType, sizeof lowered);
    snprintf(pattern, FILTER_PATTERN_SIZE, "*.%s", lowered);
}

// A code without a catalogue row: the tool's own pick, or a stream described by its record
// and by what the tool's table told of it.
static void RecordEntry(char *description, char *pattern, const AvailableFormat *record, StreamKind kind,
                        bool merge)
{
    char extension[EXTENSION_SIZE];
    char fileType[EXTENSION_SIZE];
    RecordExtension(extension, record, false);
    RecordExtension(fileType, record, true);
    if (merge && kind == STREAM_PICTURE_ONLY) {
        const char *merged = MergedExtension(record);
        snprintf(description, FILTER_ENTRY_SIZE, "%s~Code %ld with sound (merged)[%ldx%ld]",
                 strcmp(merged, "mp4") == 0 ? "MP4" : "MKV", (long)record->code, (long)record->height,
                 (long)record->width);
        snprintf(pattern, FILTER_PATTERN_SIZE, "*.%s", merged);
        return;
    }
    if (record->code == BEST_FORMAT_CODE)
        snprintf(description, FILTER_ENTRY_SIZE, "%s", BEST_FORMAT_TEXT);
    else if (kind == STREAM_SOUND_ONLY)
        snprintf(description, FILTER_ENTRY_SIZE, "%s~Code %ld no picture", fileType, (long)record->code);
    else
        snprintf(description, FILTER_ENTRY_SIZE, "%s~Code %ld[%ldx%ld]%s", fileType, (long)record->code,
                 (long)record->height, (long)record->width, kind == STREAM_PICTURE_ONLY ? " no sound" : "");
    snprintf(pattern, FILTER_PATTERN_SIZE, "*.%s", extension[0] ? extension : "*");
}

static bool AppendEntry(char *block, size_t *used, const AvailableFormat *record,
                        const FormatInfo *catalogue, int catalogueCount, bool merge, const StreamKinds *told)
{
    char description[FILTER_ENTRY_SIZE];
    char pattern[FILTER_PATTERN_SIZE];
    const FormatInfo *row = FindFormat(record->code, catalogue, catalogueCount);
    if (IsMp3Record(record)) {
        char source[32];
        DescribeMp3Source(source, sizeof source, record, catalogue, catalogueCount);
        snprintf(description, sizeof description, "MP3~sound only (converted from %s)", source);
        snprintf(pattern, sizeof pattern, "*." MP3_EXTENSION);
    } else if (row)
        CatalogueEntry(description, pattern, record, row, merge);
    else
        RecordEntry(description, pattern, record, KindOfRecord(record, catalogue, catalogueCount, told), merge);
    size_t before = *used;
    if (AppendString(block, used, description) && AppendString(block, used, pattern))
        return true;
    *used = before;
    return false;
}

char *BuildFilterList(const AvailableFormat *available, int availableCount,
                      const FormatInfo *catalogue, int catalogueCount, FilterEntries *entries,
                      bool merge, const StreamKinds *told, const ListOffer *list)
{
    char *block = (char *)calloc(FILTER_WORK_SIZE, 1);
    if (!block)
        return nullptr;
    if (entries)
        entries->count = 0;
    size_t used = 0;
    if (availableCount > MAX_AVAILABLE_FORMATS)
        availableCount = MAX_AVAILABLE_FORMATS;
    for (int i = 0; i < availableCount; i++) {
        if (AppendEntry(block, &used, &available[i], catalogue, catalogueCount, merge, told) && entries)
            entries->recordOf[entries->count++] = i + 1;
    }
    for (int kind = LIST_FILTER_BEST; list && list->entries > 0 && kind >= LIST_FILTER_MP3; kind--) {
        char description[FILTER_ENTRY_SIZE];
        if (kind == LIST_FILTER_BEST)
            snprintf(description, sizeof description, "All %d videos of the list~best picture with sound",
                     list->entries);
        else
            snprintf(description, sizeof description, "All %d videos~sound only as MP3", list->entries);
        if ((kind == LIST_FILTER_BEST || list->mp3) && AppendString(block, &used, description) &&
            AppendString(block, &used, kind == LIST_FILTER_BEST ? "*.*" : "*." MP3_EXTENSION) && entries)
            entries->recordOf[entries->count++] = kind;
    }
    block[used++] = '\0';
    char *shrunk = (char *)realloc(block, used);
    return shrunk ? shrunk : block;
}

size_t FilterListSize(const char *block)
{
    size_t size = 0;
    while (block[size] != '\0')
        size += strlen(block + size) + 1;
    return size + 1;
}

int RecordOfFilter(const FilterEntries *entries, int filterPosition)
{
    if (filterPosition < 1 || filterPosition > entries->count)
        return 0;
    return entries->recordOf[filterPosition - 1];
}

int FilterOfRecord(const FilterEntries *entries, int record)
{
    for (int i = 0; i < entries->count; i++)
        if (entries->recordOf[i] == record)
            return i + 1;
    return 1;
}
