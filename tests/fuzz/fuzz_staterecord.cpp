// Fuzzes the state record parser with any bytes, then does with the record what the
// window does next: describes the chosen format and builds the save dialog's filters.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "control/staterecord.h"
#include "formats/filterlist.h"
#include "tests/fuzz/require.h"

static FormatInfo catalogue[FORMAT_CATALOGUE_SIZE];
static int catalogueCount;

static bool SameBytes(const void *a, const void *b, size_t size)
{
    return memcmp(a, b, size) == 0;
}

// Mending changes only what it must: the last byte of each text, and the list when its
// count lies outside 0..24 or the selection when it lies outside the list.
static void CheckMended(const StateRecord *raw, const StateRecord *record)
{
    Require(SameBytes(raw->address, record->address, ADDRESS_SIZE - 1), "address kept");
    Require(SameBytes(raw->destination, record->destination, DESTINATION_SIZE - 1),
            "destination kept");
    Require(raw->paused == record->paused, "paused kept");
    if (raw->formatCount < 0 || raw->formatCount > MAX_AVAILABLE_FORMATS) {
        Require(record->formatCount == DEFAULT_FORMAT_COUNT && record->selectedFormat == 1 &&
                    SameBytes(record->formats, defaultFormats, sizeof defaultFormats),
                "a damaged count gives the default list");
        return;
    }
    Require(record->formatCount == raw->formatCount, "count kept");
    for (int i = 0; i < MAX_AVAILABLE_FORMATS; i++)
        Require(record->formats[i].code == raw->formats[i].code &&
                    SameBytes(record->formats[i].extension, raw->formats[i].extension,
                              EXTENSION_SIZE - 1) &&
                    record->formats[i].height == raw->formats[i].height &&
                    record->formats[i].width == raw->formats[i].width,
                "records kept");
    bool inList = raw->selectedFormat >= 1 && raw->selectedFormat <= raw->formatCount;
    Require(record->selectedFormat == (inList ? raw->selectedFormat : 1), "selection kept or 1");
}

static void CheckUse(const StateRecord *record)
{
    const AvailableFormat *chosen = SelectedFormatOf(record);
    Require((chosen != nullptr) == (record->formatCount > 0), "a chosen record when the list has one");
    if (chosen) {
        char text[FORMAT_TEXT_SIZE];
        DescribeOffered(text, chosen, catalogue, catalogueCount);
        Require(TerminatedWithin(text, sizeof text), "description terminated");
    }
    FilterEntries entries;
    char *filters = BuildFilterList(record->formats, record->formatCount, catalogue,
                                    catalogueCount, &entries);
    Require(filters != nullptr, "a filter block");
    Require(entries.count == record->formatCount, "one filter per record");
    for (int i = 0; i < entries.count; i++)
        Require(entries.recordOf[i] == i + 1, "each filter names its record");
    // A description and a pattern per entry, then the empty string that ends the block.
    int strings = 0;
    for (const char *p = filters; *p; p += strlen(p) + 1)
        strings++;
    Require(strings == 2 * entries.count, "the block holds every entry whole");
    free(filters);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (catalogueCount == 0)
        BuildCatalogue(catalogue, &catalogueCount);
    StateRecord record, before;
    memset(&record, 0x5A, sizeof record);
    before = record;
    bool parsed = ParseStateBytes(data, size, &record);
    if (size < STATE_RECORD_SIZE) {
        Require(!parsed, "fewer than 1956 bytes are no record");
        Require(SameBytes(&record, &before, sizeof record), "a refused record changes nothing");
        return 0;
    }
    Require(parsed, "1956 bytes or more are a record");

    Require(record.formatCount >= 0 && record.formatCount <= MAX_AVAILABLE_FORMATS,
            "count within 0..24");
    Require(record.selectedFormat >= 1 &&
                (record.formatCount == 0 || record.selectedFormat <= record.formatCount),
            "selection within 1..count");
    Require(TerminatedWithin(record.address, sizeof record.address), "address terminated");
    Require(TerminatedWithin(record.destination, sizeof record.destination),
            "destination terminated");
    for (const AvailableFormat &format : record.formats)
        Require(TerminatedWithin(format.extension, EXTENSION_SIZE), "extension terminated");

    StateRecord raw;
    memcpy(&raw, data, sizeof raw);
    CheckMended(&raw, &record);
    CheckUse(&record);
    return 0;
}
