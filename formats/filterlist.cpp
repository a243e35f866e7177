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

// Big enough for 24 entries of the widest fields (about 85 bytes each), so no entry
// is ever dropped; the block is shrunk to what it uses.
enum { FILTER_WORK_SIZE = 4096, FILTER_ENTRY_SIZE = 128 };

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

static bool AppendEntry(char *block, size_t *used, const AvailableFormat *record,
                        const FormatInfo *row)
{
    char description[FILTER_ENTRY_SIZE];
    char lowered[sizeof row->fileType];
    char pattern[sizeof lowered + 2];
    snprintf(description, sizeof description, "%s~%s-%s(%sMbit/s)[%ldx%ld]", row->fileType,
             row->resolution, row->videoEncoding, row->videoBitrate, (long)record->height,
             (long)record->width);
    LowerCopy(lowered, row->fileType, sizeof lowered);
    snprintf(pattern, sizeof pattern, "*.%s", lowered);
    size_t before = *used;
    if (AppendString(block, used, description) && AppendString(block, used, pattern))
        return true;
    *used = before;
    return false;
}

char *BuildFilterList(const AvailableFormat *available, int availableCount,
                      const FormatInfo *catalogue, int catalogueCount, FilterEntries *entries)
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
        for (int j = 0; j < catalogueCount; j++) {
            if (catalogue[j].code != available[i].code)
                continue;
            if (AppendEntry(block, &used, &available[i], &catalogue[j]) && entries &&
                entries->count < MAX_AVAILABLE_FORMATS)
                entries->recordOf[entries->count++] = i + 1;
        }
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
