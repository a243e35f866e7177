// The program's working state, saved byte for byte between runs in the temporary directory.
#pragma once
#include "formats/catalogue.h"

enum { ADDRESS_SIZE = 512, DESTINATION_SIZE = 1024, STATE_RECORD_SIZE = 1956 };

#pragma pack(push, 1)
struct StateRecord {
    char address[ADDRESS_SIZE];
    char destination[DESTINATION_SIZE];
    int32_t paused;
    AvailableFormat formats[MAX_AVAILABLE_FORMATS];
    int32_t formatCount;
    int32_t selectedFormat;
};
#pragma pack(pop)

// The file is this block as held in memory; earlier runs' files must keep loading.
static_assert(sizeof(StateRecord) == STATE_RECORD_SIZE, "record file size");
static_assert(offsetof(StateRecord, destination) == 512, "record layout");
static_assert(offsetof(StateRecord, paused) == 1536, "record layout");
static_assert(offsetof(StateRecord, formats) == 1540, "record layout");
static_assert(offsetof(StateRecord, formatCount) == 1948, "record layout");
static_assert(offsetof(StateRecord, selectedFormat) == 1952, "record layout");

// The default list, selection 1; texts and paused untouched.
void SetDefaultFormats(StateRecord *record);

// Takes a record from the first STATE_RECORD_SIZE of `size` bytes. False (and `record`
// unchanged) when there are fewer; a damaged list or unterminated text is mended so
// nothing indexes out of range.
bool ParseStateBytes(const void *bytes, size_t size, StateRecord *record);

// Reads the record file and parses it as above. False when there is none or it is too
// short to be one.
bool ReadStateFile(const char *path, StateRecord *record);

// Writes the whole record to a new file and only then replaces the old one,
// so a failed write never loses the previous record. False if it could not be saved.
bool WriteStateFile(const char *path, const StateRecord *record);

// The chosen record, or null when the selection lies outside the list.
const AvailableFormat *SelectedFormatOf(const StateRecord *record);
