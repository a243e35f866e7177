// Clean-up of a given address; window-free so it is tested natively.
#include "ui/addresstext.h"

#include <string.h>

static bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool CleanAddress(char *out, size_t size, const char *text)
{
    const char *start = text;
    const char *end = text + strlen(text);
    while (start < end && IsBlank(*start))
        start++;
    while (end > start && IsBlank(end[-1]))
        end--;
    if (end - start >= 2 && *start == '"' && end[-1] == '"') {
        start++;
        end--;
    }
    size_t length = (size_t)(end - start);
    if (length + 1 > size) {
        if (size > 0)
            out[0] = '\0';
        return false;
    }
    memcpy(out, start, length);
    out[length] = '\0';
    return true;
}
