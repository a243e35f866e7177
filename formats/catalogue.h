// The fixed format knowledge: the catalogue of known format codes, the record
// of one offered format (stored on disk inside the state record) and the default list.
#pragma once
#include <stddef.h>
#include <stdint.h>

enum {
    FORMAT_CATALOGUE_SIZE = 23,
    MAX_AVAILABLE_FORMATS = 24,
    DEFAULT_FORMAT_COUNT = 11,
    FORMAT_TEXT_SIZE = 200,
    EXTENSION_SIZE = 5
};

struct FormatInfo {
    int32_t code;
    char fileType[5];
    char resolution[10];
    char videoEncoding[20];
    char videoProfile[10];
    char videoBitrate[10];
    char audioEncoding[10];
    char audioBitrate[5];
};

// Packed: the record file holds 24 of these back to back, 17 bytes each.
#pragma pack(push, 1)
struct AvailableFormat {
    int32_t code;
    char extension[EXTENSION_SIZE];
    int32_t height;
    int32_t width;
};
#pragma pack(pop)

static_assert(sizeof(AvailableFormat) == 17, "AvailableFormat is stored on disk");
static_assert(offsetof(AvailableFormat, extension) == 4, "layout");
static_assert(offsetof(AvailableFormat, height) == 9, "layout");
static_assert(offsetof(AvailableFormat, width) == 13, "layout");

extern const AvailableFormat defaultFormats[DEFAULT_FORMAT_COUNT];

void BuildCatalogue(FormatInfo *catalogue, int *count);

// Writes the description of `code` into `text` (FORMAT_TEXT_SIZE bytes); empty for an unknown code.
void DescribeFormat(char *text, int32_t code, const FormatInfo *catalogue, int count);
