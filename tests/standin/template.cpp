// The -o output template of the stand-in: fields, "%%" and lone '%' signs as the
// imitated tool treats them (youtube-dl applies Python's % operator to the template).
#include <stdio.h>
#include <string.h>

#include "page.h"
#include "textout.h"

// Value of a known field name of `len` bytes, or NULL.
static const char *fieldValue(const char *name, size_t len, const char *title, const char *ext,
                              const char *videoId)
{
    if (len == 5 && strncmp(name, "title", 5) == 0)
        return title;
    if (len == 3 && strncmp(name, "ext", 3) == 0)
        return ext;
    if (len == 2 && strncmp(name, "id", 2) == 0)
        return videoId;
    return NULL;
}

int StandinExpandStyledTemplate(const char *tmpl, int style, const char *title,
                                const char *ext, const char *videoId, char *out,
                                size_t outSize, size_t *errorAt)
{
    TextOut o;
    outBegin(&o, out, outSize);
    const char *p = tmpl;
    while (*p && o.ok) {
        if (p[0] != '%') {
            outChar(&o, *p++);
            continue;
        }
        if (p[1] == '%') {
            outChar(&o, '%');
            p += 2;
            continue;
        }
        if (p[1] != '(') {
            if (style != STANDIN_STYLE_YT_DLP) {
                // Python's % operator stops here; nothing is written.
                if (errorAt)
                    *errorAt = (size_t)(p - tmpl);
                return STANDIN_TEMPLATE_LONE_PERCENT;
            }
            outChar(&o, *p++);  // yt-dlp keeps a '%' that starts no field
            continue;
        }
        const char *name = p + 2;
        const char *close = strchr(name, ')');
        if (!close) {
            if (errorAt)
                *errorAt = (size_t)(p - tmpl);
            return STANDIN_TEMPLATE_OPEN_FIELD;
        }
        size_t nameLen = (size_t)(close - name);
        const char *value = fieldValue(name, nameLen, title, ext, videoId);
        if (style != STANDIN_STYLE_2013 && nameLen == 14 &&
            strncmp(name, "playlist_index", 14) == 0) {
            // Named only by a whole list's download, which the real yt-dlp is tested on.
            if (errorAt)
                *errorAt = (size_t)(p - tmpl);
            return STANDIN_TEMPLATE_NOT_IMITATED;
        }
        if (close[1] == 's' && value) {
            outText(&o, value);
            p = close + 2;
        } else if (style == STANDIN_STYLE_2013) {
            outText(&o, "%(");  // the 2013 stand-in left other fields as written
            p += 2;
        } else {
            outText(&o, "NA");  // the tools' placeholder for a field they lack
            p = close[1] ? close + 2 : close + 1;
        }
    }
    return o.ok;
}

int StandinExpandTemplate(const char *tmpl, const char *title, const char *ext,
                          const char *videoId, char *out, size_t outSize)
{
    return StandinExpandStyledTemplate(tmpl, STANDIN_STYLE_2013, title, ext, videoId, out,
                                       outSize, NULL);
}
