// Text as the imitated tools write it. The stand-in works in UTF-8; what it prints is
// either UTF-8 (--encoding utf-8) or the process's ANSI code page, where every character
// the code page cannot hold is left out, as Python's encode(..., 'ignore') does.
// Header only, so the stand-in and its tests share it without a change to the build lists.
#ifndef VIDMORA_STANDIN_TEXTCODE_H
#define VIDMORA_STANDIN_TEXTCODE_H

#include <stddef.h>
#include <string.h>

enum {
    STANDIN_REPLACEMENT = 0xFFFD,  // what a byte that starts no UTF-8 character reads as
    STANDIN_CHAR_MAX = 8           // bytes one encoded character may take
};

// The code point at s (NUL-terminated); *used gets its byte count (0 at the NUL). A byte
// that starts no well-formed sequence (a stray continuation, an overlong form, a
// surrogate, beyond U+10FFFF, cut short) reads as U+FFFD and takes one byte.
static inline unsigned StandinNextCodePoint(const char *s, size_t *used)
{
    const unsigned char *p = (const unsigned char *)s;
    unsigned lead = p[0];
    *used = lead ? 1 : 0;
    if (lead < 0x80)
        return lead;
    size_t len;
    unsigned cp;
    unsigned lo = 0x80;  // the range of the second byte, narrowed for some leads
    unsigned hi = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        len = 2;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        len = 3;
        cp = lead & 0x0F;
        lo = lead == 0xE0 ? 0xA0 : 0x80;  // no overlong forms
        hi = lead == 0xED ? 0x9F : 0xBF;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        len = 4;
        cp = lead & 0x07;
        lo = lead == 0xF0 ? 0x90 : 0x80;
        hi = lead == 0xF4 ? 0x8F : 0xBF;  // nothing past U+10FFFF
    } else {
        return STANDIN_REPLACEMENT;
    }
    for (size_t i = 1; i < len; i++) {
        unsigned b = p[i];  // a NUL fails the test, so no byte past it is read
        if (b < lo || b > hi)
            return STANDIN_REPLACEMENT;
        cp = (cp << 6) | (b & 0x3F);
        lo = 0x80;
        hi = 0xBF;
    }
    *used = len;
    return cp;
}

// Writes cp as UTF-8; returns its byte count, 0 when outSize is too small.
static inline size_t StandinPutUtf8(unsigned cp, char *out, size_t outSize)
{
    unsigned char b[4];
    size_t n;
    if (cp < 0x80) {
        b[0] = (unsigned char)cp;
        n = 1;
    } else if (cp < 0x800) {
        b[0] = (unsigned char)(0xC0 | (cp >> 6));
        b[1] = (unsigned char)(0x80 | (cp & 0x3F));
        n = 2;
    } else if (cp < 0x10000) {
        b[0] = (unsigned char)(0xE0 | (cp >> 12));
        b[1] = (unsigned char)(0x80 | ((cp >> 6) & 0x3F));
        b[2] = (unsigned char)(0x80 | (cp & 0x3F));
        n = 3;
    } else {
        b[0] = (unsigned char)(0xF0 | (cp >> 18));
        b[1] = (unsigned char)(0x80 | ((cp >> 12) & 0x3F));
        b[2] = (unsigned char)(0x80 | ((cp >> 6) & 0x3F));
        b[3] = (unsigned char)(0x80 | (cp & 0x3F));
        n = 4;
    }
    if (n > outSize)
        return 0;
    memcpy(out, b, n);
    return n;
}

// Encodes one code point into out (STANDIN_CHAR_MAX bytes); returns its byte count, or 0
// when the target encoding cannot hold the character.
typedef size_t (*StandinCharEncoder)(unsigned cp, char *out, size_t outSize, void *context);

// The encoder for UTF-8, which holds every character.
static inline size_t StandinUtf8Char(unsigned cp, char *out, size_t outSize, void *)
{
    return StandinPutUtf8(cp, out, outSize);
}

// Encodes the UTF-8 text character by character with `encode`, leaving out each one it
// cannot hold: no replacement mark, the next character follows directly. out is always
// terminated and never ends in part of a character; *outLen gets the bytes written.
// Returns 1 when the whole text fitted.
static inline int StandinEncodeText(const char *utf8, StandinCharEncoder encode, void *context,
                                    char *out, size_t outSize, size_t *outLen)
{
    size_t len = 0;
    int fitted = outSize > 0;
    size_t used;
    for (const char *p = utf8; fitted && *p; p += used) {
        unsigned cp = StandinNextCodePoint(p, &used);
        char one[STANDIN_CHAR_MAX];
        size_t n = encode(cp, one, sizeof one, context);
        if (len + n >= outSize) {
            fitted = 0;
            break;
        }
        memcpy(out + len, one, n);
        len += n;
    }
    if (outSize > 0)
        out[len] = '\0';
    *outLen = len;
    return fitted;
}

// Only where the includer has <windows.h>: its TextOut macro would clash with textout.h.
#if defined(_WIN32) && defined(_WINDOWS_)
// The encoder for a Windows code page (context: a UINT). WC_NO_BEST_FIT_CHARS keeps
// Windows from writing a look-alike ('e' for 'é'); a character the code page lacks comes
// back as its default character and is then left out. Not for UTF-8 itself, whose
// conversion cannot report a default character.
static inline size_t StandinCodePageChar(unsigned cp, char *out, size_t outSize, void *context)
{
    UINT codePage = *(const UINT *)context;
    WCHAR units[2];
    int count = 1;
    if (cp >= 0x10000) {
        units[0] = (WCHAR)(0xD800 + ((cp - 0x10000) >> 10));
        units[1] = (WCHAR)(0xDC00 + ((cp - 0x10000) & 0x3FF));
        count = 2;
    } else {
        units[0] = (WCHAR)cp;
    }
    BOOL usedDefault = FALSE;
    int n = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, units, count, out, (int)outSize,
                                NULL, &usedDefault);
    return n > 0 && !usedDefault ? (size_t)n : 0;
}
#endif

#endif
