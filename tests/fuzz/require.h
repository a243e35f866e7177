// Shared by the fuzz targets: a broken promise aborts, so libFuzzer reports the input.
#pragma once
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define Require(condition, what)                                                         \
    do {                                                                                 \
        if (!(condition)) {                                                              \
            fprintf(stderr, "%s:%d: broken promise: %s\n", __FILE__, __LINE__, what);    \
            abort();                                                                     \
        }                                                                                \
    } while (0)

// True when `field` holds a NUL within its `size` bytes.
static inline bool TerminatedWithin(const char *field, size_t size)
{
    return memchr(field, '\0', size) != nullptr;
}
