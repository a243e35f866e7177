// Readers of the two files a probe leaves: the proposed file name and the offered formats.
// The parsers work on bytes in memory; the file readers only load the files and call them.
#pragma once
#include <stddef.h>

#include "formats/catalogue.h"

enum {
    TITLE_STEM_LIMIT = 200,
    // More than any tool prints for one page; a bigger file is read only this far.
    PROBE_FILE_LIMIT = 1024 * 1024
};

// The first line of `text`, without its line end, shortened like a title; a malloc'ed
// string the caller frees, "" for empty text.
char *TitleFromText(const char *text, size_t length);

// The first line of the title file, as a malloc'ed string the caller frees; "" when
// the file is missing or empty.
char *ReadTitleFile(const char *probeOutPath);

// Reads the tool's format listing: the old "22\t:\tmp4\t[720x1280]" lines in their order,
// and the rows of the later tables (under a "format code" or "ID" heading), with sound and
// picture first, then picture only, then sound only, each best first. Fills at most
// MAX_AVAILABLE_FORMATS records of `list` and sets `count`; later slots are left alone.
// With `told`, also what the table said of each row's kind (picture only, sound only).
void ParseFormatText(const char *text, size_t length, AvailableFormat *list, int32_t *count,
                     StreamKinds *told = nullptr);

// Fills `list` (MAX_AVAILABLE_FORMATS records) from the format file and sets `count`;
// false, with both unchanged, when the file cannot be read.
bool ReadFormatFile(const char *probeOutPath, AvailableFormat *list, int32_t *count, StreamKinds *told = nullptr);

// The kinds the last probe's format file tells, quietly: after a restart the offered list is
// the record's, and this is what the record cannot hold. False when there is no file.
bool ReadFormatKinds(const char *probeOutPath, StreamKinds *told);

// The entries of the list that the flat read found: its non-empty lines, 0 without one.
int ReadListEntries(const char *probeOutPath);

// Scans one old-style format line ("22\t:\tmp4\t[720x1280]"); false when it is not one.
bool ParseFormatLine(const char *line, AvailableFormat *record);

// For a page that lists no numeric format but which the tool can still fetch: one record,
// code BEST_FORMAT_CODE, with the extension of `fileName` ("mp4" when it has none).
void OfferBestFormat(AvailableFormat *list, int32_t *count, const char *fileName);
