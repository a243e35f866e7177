// Loading, mending and saving of the state record file.
#include "control/staterecord.h"

#include <stdio.h>
#include <string.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include "toolbridge/paths.h"

void SetDefaultFormats(StateRecord *record)
{
    memset(record->formats, 0, sizeof record->formats);
    memcpy(record->formats, defaultFormats, sizeof defaultFormats);
    record->formatCount = DEFAULT_FORMAT_COUNT;
    record->selectedFormat = 1;
}

static void MendRecord(StateRecord *record)
{
    record->address[ADDRESS_SIZE - 1] = '\0';
    record->destination[DESTINATION_SIZE - 1] = '\0';
    if (record->formatCount < 0 || record->formatCount > MAX_AVAILABLE_FORMATS) {
        SetDefaultFormats(record);
        return;
    }
    for (int i = 0; i < MAX_AVAILABLE_FORMATS; i++)
        record->formats[i].extension[EXTENSION_SIZE - 1] = '\0';
    if (record->selectedFormat < 1 || record->selectedFormat > record->formatCount)
        record->selectedFormat = 1;
}

bool ParseStateBytes(const void *bytes, size_t size, StateRecord *record)
{
    if (size < sizeof *record)
        return false;
    StateRecord loaded;
    memcpy(&loaded, bytes, sizeof loaded);
    MendRecord(&loaded);
    *record = loaded;
    return true;
}

bool ReadStateFile(const char *path, StateRecord *record)
{
    FILE *file = fopen(path, "rb");
    if (!file)
        return false;
    unsigned char bytes[STATE_RECORD_SIZE];
    size_t got = fread(bytes, 1, sizeof bytes, file);
    fclose(file);
    return ParseStateBytes(bytes, got, record);
}

static bool ReplaceFile(const char *from, const char *to)
{
#ifdef _WIN32
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    return rename(from, to) == 0;
#endif
}

bool WriteStateFile(const char *path, const StateRecord *record)
{
    char newPath[PATH_SIZE];
    if (!JoinText(newPath, sizeof newPath, path, ".new"))
        return false;
    FILE *file = fopen(newPath, "wb");
    if (!file)
        return false;
    bool written = fwrite(record, 1, sizeof *record, file) == sizeof *record;
    written = fflush(file) == 0 && written;
    written = fclose(file) == 0 && written;
    if (written && ReplaceFile(newPath, path))
        return true;
    remove(newPath);
    return false;
}

const AvailableFormat *SelectedFormatOf(const StateRecord *record)
{
    if (record->formatCount < 1 || record->formatCount > MAX_AVAILABLE_FORMATS ||
        record->selectedFormat < 1 || record->selectedFormat > record->formatCount)
        return nullptr;
    return &record->formats[record->selectedFormat - 1];
}
