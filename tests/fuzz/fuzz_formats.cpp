// Fuzzes the format listing reader with any bytes: the 2013 "22\t:\tmp4\t[720x1280]" lines,
// the "format code" table and the "ID" table with plain or box-drawing bars.
#include <stdint.h>
#include <string.h>

#include "tests/fuzz/require.h"
#include "toolbridge/probereaders.h"

enum { UNTOUCHED = 0xA5 };

static bool IsUntouched(const AvailableFormat *record)
{
    const unsigned char *bytes = (const unsigned char *)record;
    for (size_t i = 0; i < sizeof *record; i++)
        if (bytes[i] != UNTOUCHED)
            return false;
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // One record more than the list holds, to catch a write past its end.
    AvailableFormat list[MAX_AVAILABLE_FORMATS + 1];
    memset(list, UNTOUCHED, sizeof list);
    int32_t count = -7;
    ParseFormatText((const char *)data, size, list, &count);

    Require(count >= 0 && count <= MAX_AVAILABLE_FORMATS, "count within 0..24");
    for (int32_t i = 0; i < count; i++) {
        Require(TerminatedWithin(list[i].extension, EXTENSION_SIZE),
                "extension terminated within its 5 bytes");
        Require(list[i].extension[0] != '\0', "a kept record has an extension");
    }
    for (int i = count; i < MAX_AVAILABLE_FORMATS + 1; i++)
        Require(IsUntouched(&list[i]), "slots past the count keep what they held");
    return 0;
}
