// Bounded text building shared by the stand-in's window-free files: every write
// respects the buffer and a cut is remembered in `ok`.
#ifndef VIDMORA_STANDIN_TEXTOUT_H
#define VIDMORA_STANDIN_TEXTOUT_H

#include <stdarg.h>
#include <stddef.h>
#include <stdio.h>

struct TextOut {
    char *buf;
    size_t size;
    size_t len;
    int ok;
};

static inline void outBegin(TextOut *o, char *buf, size_t size)
{
    o->buf = buf;
    o->size = size;
    o->len = 0;
    o->ok = (buf != NULL && size > 0);
    if (o->ok)
        buf[0] = '\0';
}

static inline void outChar(TextOut *o, char c)
{
    if (!o->ok)
        return;
    if (o->len + 1 >= o->size) {
        o->ok = 0;
        return;
    }
    o->buf[o->len++] = c;
    o->buf[o->len] = '\0';
}

static inline void outText(TextOut *o, const char *s)
{
    while (*s && o->ok)
        outChar(o, *s++);
}

static inline void outRepeat(TextOut *o, const char *s, size_t times)
{
    for (size_t i = 0; i < times && o->ok; i++)
        outText(o, s);
}

#if defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
static inline void outFormat(TextOut *o, const char *fmt, ...)
{
    char tmp[256];
    va_list ap;
    va_start(ap, fmt);
    int n = vsnprintf(tmp, sizeof tmp, fmt, ap);
    va_end(ap);
    if (n < 0 || (size_t)n >= sizeof tmp) {
        o->ok = 0;
        return;
    }
    outText(o, tmp);
}

#endif
