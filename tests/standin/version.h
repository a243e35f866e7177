// The version a stand-in exe reports and the rules of its self-update, free of windows.
// The version text lives in the exe file itself, right after a marker, so a test can copy
// the exe and give the copy another version by rewriting those bytes.
// Header only, so the stand-in, its tests and the end-to-end driver can all use it
// without a change to the build's source lists.
#ifndef VIDMORA_STANDIN_VERSION_H
#define VIDMORA_STANDIN_VERSION_H

#include <stddef.h>
#include <string.h>

enum {
    STANDIN_VERSION_MARKER_LEN = 16,  // the marker's bytes, "STANDIN-VERSION:"
    STANDIN_VERSION_ROOM = 32         // bytes after it: the text and at least one NUL
};

// The marker in two halves. Only the exe's version block joins them, so the code that
// looks for the marker does not put a second copy of it into the exe.
#define STANDIN_VERSION_MARKER_HEAD "STANDIN-"
#define STANDIN_VERSION_MARKER_TAIL "VERSION:"

#define STANDIN_DEFAULT_VERSION "2026.06.09"   // what a freshly built stand-in reports
#define STANDIN_LATEST_VERSION "2099.12.31"    // what -U updates to by default

static inline bool standinIsMarkerAt(const unsigned char *p)
{
    return memcmp(p, STANDIN_VERSION_MARKER_HEAD, 8) == 0 &&
           memcmp(p + 8, STANDIN_VERSION_MARKER_TAIL, 8) == 0;
}

// Offset of the version text (just past the marker) in image, or -1 when the marker is
// missing, occurs twice (which copy would count?) or lacks the full room behind it.
static inline long StandinFindVersion(const unsigned char *image, size_t size)
{
    long found = -1;
    for (size_t i = 0; i + STANDIN_VERSION_MARKER_LEN <= size; i++) {
        if (image[i] != 'S' || !standinIsMarkerAt(image + i))
            continue;
        if (found >= 0)
            return -1;
        found = (long)(i + STANDIN_VERSION_MARKER_LEN);
    }
    if (found < 0 || size - (size_t)found < STANDIN_VERSION_ROOM)
        return -1;
    return found;
}

// Writes version after the marker, NUL-padded to the whole room. False, with image left
// as it was, when StandinFindVersion finds no place or the text and a NUL do not fit.
static inline bool StandinSetVersion(unsigned char *image, size_t size, const char *version)
{
    long at = StandinFindVersion(image, size);
    size_t len = strlen(version);
    if (at < 0 || len >= STANDIN_VERSION_ROOM)
        return false;
    memset(image + at, 0, STANDIN_VERSION_ROOM);
    memcpy(image + at, version, len);
    return true;
}

// A release number as yt-dlp's updater accepts it: digit groups joined by single dots,
// e.g. "2023.03.04", and short enough to fit the room.
static inline bool StandinIsVersionNumber(const char *s)
{
    size_t len = strlen(s);
    if (len == 0 || len >= STANDIN_VERSION_ROOM)
        return false;
    for (size_t i = 0; i < len; i++) {
        if (s[i] >= '0' && s[i] <= '9')
            continue;
        // A dot needs a digit on both sides.
        if (s[i] != '.' || i == 0 || i + 1 == len || s[i + 1] == '.')
            return false;
    }
    return true;
}

// Compares the digit groups of two release numbers as numbers (any length); a number
// that is a longer copy of the other ("1.2.0" against "1.2") is the larger one.
static inline int standinCompareNumbers(const char *a, const char *b)
{
    while (*a && *b) {
        while (*a == '0' && a[1] >= '0' && a[1] <= '9')
            a++;
        while (*b == '0' && b[1] >= '0' && b[1] <= '9')
            b++;
        size_t la = strcspn(a, ".");
        size_t lb = strcspn(b, ".");
        if (la != lb)
            return la < lb ? -1 : 1;
        int c = memcmp(a, b, la);
        if (c != 0)
            return c < 0 ? -1 : 1;
        a += la;
        b += lb;
        if (*a == '.')
            a++;
        if (*b == '.')
            b++;
    }
    return *a ? 1 : (*b ? -1 : 0);
}

// yt-dlp's rule for "up to date": both release numbers and current not older than latest,
// else the two texts equal.
static inline bool StandinIsUpToDate(const char *current, const char *latest)
{
    if (StandinIsVersionNumber(current) && StandinIsVersionNumber(latest))
        return standinCompareNumbers(current, latest) >= 0;
    return strcmp(current, latest) == 0;
}

#endif
