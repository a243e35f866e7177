// Window-free logic of the offline stand-in tool; builds natively and with mingw
// so the rules the program follows can be unit tested on the build machine.
#include "page.h"

#include <stdio.h>
#include <string.h>

#include "table.h"
#include "textcode.h"
#include "textout.h"

// ---- percent-decoding -------------------------------------------------------

static int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

int StandinPercentDecode(const char *src, size_t srcLen, char *dst, size_t dstSize)
{
    TextOut o;
    outBegin(&o, dst, dstSize);
    for (size_t i = 0; i < srcLen && o.ok; i++) {
        char c = src[i];
        if (c == '+') {
            outChar(&o, ' ');
        } else if (c == '%' && i + 2 < srcLen && hexValue(src[i + 1]) >= 0 &&
                   hexValue(src[i + 2]) >= 0) {
            int v = hexValue(src[i + 1]) * 16 + hexValue(src[i + 2]);
            if (v != 0)  // a NUL would silently end the string
                outChar(&o, (char)v);
            i += 2;
        } else {
            outChar(&o, c);
        }
    }
    return o.ok;
}

// ---- parsing the page ------------------------------------------------------

// Digits only; saturates at cap. Returns 0 for an empty or non-numeric text.
static int parseNumber(const char *s, unsigned long long cap, unsigned long long *value)
{
    if (*s == '\0')
        return 0;
    unsigned long long v = 0;
    for (; *s; s++) {
        if (*s < '0' || *s > '9')
            return 0;
        if (v <= cap)
            v = v * 10 + (unsigned)(*s - '0');
    }
    *value = v > cap ? cap : v;
    return 1;
}

// Drops a UTF-8 sequence left incomplete at the end by a cut.
static void trimPartialUtf8(char *s)
{
    size_t len = strlen(s);
    size_t i = len;
    while (i > 0 && ((unsigned char)s[i - 1] & 0xC0) == 0x80)
        i--;
    if (i == 0)
        return;
    unsigned char lead = (unsigned char)s[i - 1];
    size_t need;
    if (lead >= 0xF0)
        need = 4;
    else if (lead >= 0xE0)
        need = 3;
    else if (lead >= 0xC0)
        need = 2;
    else
        return;
    if (len - (i - 1) < need)
        s[i - 1] = '\0';
}

static void parseFormats(const char *list, StandinPage *page)
{
    page->formatCount = 0;
    const char *p = list;
    while (*p) {
        size_t n = strcspn(p, ",");
        const char *a = p;
        const char *b = p + n;
        while (a < b && *a == ' ')
            a++;
        while (b > a && b[-1] == ' ')
            b--;
        char token[16];
        unsigned long long code;
        if (b > a && (size_t)(b - a) < sizeof token) {
            memcpy(token, a, (size_t)(b - a));
            token[b - a] = '\0';
            if (parseNumber(token, STANDIN_MAX_CODE + 1ULL, &code) && code >= 1 &&
                code <= STANDIN_MAX_CODE && page->formatCount < STANDIN_MAX_FORMATS)
                page->formats[page->formatCount++] = (int)code;
        }
        p += n;
        if (*p == ',')
            p++;
    }
}

static void keepAlnum(const char *src, char *dst, size_t dstSize)
{
    size_t n = 0;
    for (; *src && n + 1 < dstSize; src++) {
        char c = *src;
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
            dst[n++] = c;
    }
    dst[n] = '\0';
}

// "youtube-dl" or "yt-dlp"; "2013" names the default. Anything else keeps `current`.
static int parseStyle(const char *value, int current)
{
    if (strcmp(value, "2013") == 0)
        return STANDIN_STYLE_2013;
    if (strcmp(value, "youtube-dl") == 0)
        return STANDIN_STYLE_YOUTUBE_DL;
    if (strcmp(value, "yt-dlp") == 0)
        return STANDIN_STYLE_YT_DLP;
    return current;
}

void StandinParsePage(const char *address, StandinPage *page)
{
    memset(page, 0, sizeof *page);
    page->size = STANDIN_DEFAULT_SIZE;
    page->delayMs = STANDIN_DEFAULT_DELAY;
    page->lines = -1;
    page->exitCode = 1;
    page->entries = STANDIN_DEFAULT_ENTRIES;
    parseFormats(STANDIN_DEFAULT_FORMATS, page);

    int haveTitle = 0;
    int haveStep = 0;
    unsigned long long step = 0;

    const char *q = address ? strchr(address, '?') : NULL;
    if (q) {
        q++;
        const char *end = q + strcspn(q, "#");
        while (q < end) {
            const char *pairEnd = (const char *)memchr(q, '&', (size_t)(end - q));
            if (!pairEnd)
                pairEnd = end;
            const char *eq = (const char *)memchr(q, '=', (size_t)(pairEnd - q));
            const char *valStart = eq ? eq + 1 : pairEnd;
            size_t keyLen = (size_t)((eq ? eq : pairEnd) - q);
            size_t valLen = (size_t)(pairEnd - valStart);

            char key[16];
            char value[1024];
            if (StandinPercentDecode(q, keyLen, key, sizeof key)) {
                int valueFits = StandinPercentDecode(valStart, valLen, value, sizeof value);
                unsigned long long n;
                if (strcmp(key, "v") == 0) {
                    StandinPercentDecode(valStart, valLen, page->videoId, sizeof page->videoId);
                    trimPartialUtf8(page->videoId);
                } else if (strcmp(key, "title") == 0) {
                    StandinPercentDecode(valStart, valLen, page->title, sizeof page->title);
                    trimPartialUtf8(page->title);
                    haveTitle = 1;
                } else if (strcmp(key, "formats") == 0) {
                    parseFormats(value, page);
                } else if (strcmp(key, "size") == 0) {
                    if (valueFits && parseNumber(value, STANDIN_MAX_SIZE, &n))
                        page->size = n > 0 ? n : 1;
                } else if (strcmp(key, "step") == 0) {
                    if (valueFits && parseNumber(value, STANDIN_MAX_SIZE, &n)) {
                        step = n;
                        haveStep = 1;
                    }
                } else if (strcmp(key, "delay") == 0) {
                    if (valueFits && parseNumber(value, STANDIN_MAX_DELAY, &n))
                        page->delayMs = (unsigned)n;
                } else if (strcmp(key, "fail") == 0) {
                    page->failOnly = strcmp(value, "title") == 0     ? STANDIN_FAIL_TITLE
                                     : strcmp(value, "formats") == 0 ? STANDIN_FAIL_FORMATS
                                                                     : STANDIN_FAIL_ANY;
                    page->fail = strcmp(value, "1") == 0 || page->failOnly != STANDIN_FAIL_ANY;
                } else if (strcmp(key, "ext") == 0) {
                    keepAlnum(value, page->ext, sizeof page->ext);
                } else if (strcmp(key, "lines") == 0) {
                    if (valueFits && parseNumber(value, STANDIN_MAX_LINES, &n))
                        page->lines = (int)n;
                } else if (strcmp(key, "style") == 0) {
                    page->style = parseStyle(value, page->style);
                } else if (strcmp(key, "generic") == 0) {
                    page->generic = strcmp(value, "1") == 0;
                } else if (strcmp(key, "box") == 0) {
                    page->box = strcmp(value, "1") == 0;
                } else if (strcmp(key, "onefile") == 0) {
                    page->onefile = strcmp(value, "1") == 0;
                } else if (strcmp(key, "hang") == 0) {
                    page->hang = strcmp(value, "1") == 0;
                } else if (strcmp(key, "botcheck") == 0) {
                    page->botCheck = strcmp(value, "1") == 0;
                } else if (strcmp(key, "probedelay") == 0) {
                    if (valueFits && parseNumber(value, STANDIN_MAX_DELAY, &n))
                        page->probeDelayMs = (unsigned)n;
                } else if (strcmp(key, "flatdelay") == 0) {
                    if (valueFits && parseNumber(value, STANDIN_MAX_DELAY, &n))
                        page->flatDelayMs = (unsigned)n;
                } else if (strcmp(key, "mergefail") == 0) {
                    page->mergeFail = strcmp(value, "1") == 0;
                } else if (strcmp(key, "list") == 0) {
                    StandinPercentDecode(valStart, valLen, page->list, sizeof page->list);
                    trimPartialUtf8(page->list);
                } else if (strcmp(key, "entries") == 0) {
                    if (valueFits && parseNumber(value, STANDIN_MAX_ENTRIES, &n))
                        page->entries = n > 0 ? (int)n : 1;
                } else if (strcmp(key, "exit") == 0) {
                    if (valueFits && parseNumber(value, STANDIN_MAX_EXIT, &n))
                        page->exitCode = (int)n;
                }
            }
            q = pairEnd < end ? pairEnd + 1 : end;
        }
    }

    page->https = address != NULL && strncmp(address, "https:", 6) == 0;
    page->videoGiven = page->videoId[0] != '\0';
    if (page->videoId[0] == '\0')
        snprintf(page->videoId, sizeof page->videoId, "%s", STANDIN_DEFAULT_ID);
    if (!haveTitle)
        snprintf(page->title, sizeof page->title, "Stand-in video %s", page->videoId);
    if (!haveStep)
        step = page->size / 20;
    if (step < 1)
        step = 1;
    if (step > page->size)
        step = page->size;
    page->step = step;
    page->stepGiven = haveStep;
}

const char *StandinPageError(const StandinPage *page, char *buf, size_t bufSize)
{
    // Today's tools pass on YouTube's own reason; yt-dlp names the extractor and the id.
    if (page->fail && !page->generic && page->style == STANDIN_STYLE_YT_DLP)
        snprintf(buf, bufSize, "[youtube] %s: Video unavailable", page->videoId);
    else if (page->fail && !page->generic && page->style == STANDIN_STYLE_YOUTUBE_DL)
        snprintf(buf, bufSize, "Video unavailable");
    else if (page->fail)
        snprintf(buf, bufSize, "%s: This video is unavailable.", page->videoId);
    else if (page->formatCount == 0 && !page->generic)
        snprintf(buf, bufSize, "%s: no known formats available for video", page->videoId);
    else
        return NULL;
    return buf;
}

const char *StandinPageWarning(const StandinPage *page)
{
    switch (page->style) {
    case STANDIN_STYLE_YT_DLP:
        return page->generic ? "[generic] Falling back on generic information extractor"
                             : "[youtube] Falling back to generic n function search";
    case STANDIN_STYLE_YOUTUBE_DL:
        return page->generic ? "Falling back on generic information extractor."
                             : "[youtube] Unable to decode n-parameter: download likely to be "
                               "throttled";
    default:
        return NULL;
    }
}

int StandinPageHasFormat(const StandinPage *page, int code)
{
    for (int i = 0; i < page->formatCount; i++)
        if (page->formats[i] == code)
            return 1;
    return 0;
}

// ---- lists --------------------------------------------------------------------

// A number of a --playlist-items segment: 0 when there is none, -1 when it is not one.
static int itemNumber(const char *s, size_t len)
{
    char digits[16];
    unsigned long long n;
    if (len == 0)
        return 0;
    if (len >= sizeof digits)
        return -1;
    memcpy(digits, s, len);
    digits[len] = '\0';
    return parseNumber(digits, STANDIN_MAX_ENTRIES + 1ULL, &n) ? (int)n : -1;
}

int StandinListItems(const StandinPage *page, int noPlaylist, const char *items, int *out)
{
    if (page->generic || page->list[0] == '\0' || (page->videoGiven && noPlaylist))
        return -1;
    int count = 0;
    for (const char *p = items ? items : ":";; p++) {
        size_t n = strcspn(p, ",");
        size_t cut = strcspn(p, ":-");
        int first, last;
        if (cut >= n) {
            first = last = itemNumber(p, n);
        } else {
            first = itemNumber(p, cut);
            last = itemNumber(p + cut + 1, n - cut - 1);
            if (first == 0 && p[cut] == '-')
                first = -1;  // "-3" counts from the end in yt-dlp, which the stand-in leaves out
            first = first == 0 ? 1 : first;
            last = last == 0 ? page->entries : last;
        }
        for (int k = first; k >= 1 && last >= 1 && k <= last && k <= page->entries; k++) {
            int seen = 0;
            for (int i = 0; i < count; i++)
                seen |= out[i] == k;
            if (!seen)
                out[count++] = k;  // each entry once, where it first came
        }
        p += n;
        if (*p != ',')
            return count;
    }
}

void StandinListEntry(const StandinPage *page, int index, StandinPage *entry)
{
    *entry = *page;
    snprintf(entry->videoId, sizeof entry->videoId, "%s-%d", page->list, index);
    if (!page->videoGiven || strcmp(entry->videoId, page->videoId) != 0)
        snprintf(entry->title, sizeof entry->title, "Stand-in video %s", entry->videoId);
}

// ---- formats ---------------------------------------------------------------

static const StandinFormatInfo kFormats[] = {
    {5, "flv", 240, 400, 0},     {6, "flv", 270, 480, 0},
    {13, "3gp", 0, 0, 0},        {17, "3gp", 144, 176, 0},
    {18, "mp4", 360, 640, 0},    {22, "mp4", 720, 1280, 0},
    {34, "flv", 360, 640, 0},    {35, "flv", 480, 854, 0},
    {36, "3gp", 240, 320, 0},    {37, "mp4", 1080, 1920, 0},
    {38, "mp4", 3072, 4096, 0},  {43, "webm", 360, 640, 0},
    {44, "webm", 480, 854, 0},   {45, "webm", 720, 1280, 0},
    {46, "webm", 1080, 1920, 0}, {82, "mp4", 360, 640, 1},
    {83, "mp4", 240, 320, 1},    {84, "mp4", 720, 1280, 1},
    {85, "mp4", 520, 920, 1},    {100, "webm", 360, 640, 1},
    {101, "webm", 360, 640, 1},  {102, "webm", 720, 1280, 1},
    {120, "flv", 720, 1280, 0},  {140, "m4a", 0, 0, 0},
};

const StandinFormatInfo *StandinFindFormat(int code)
{
    for (size_t i = 0; i < sizeof kFormats / sizeof kFormats[0]; i++)
        if (kFormats[i].code == code)
            return &kFormats[i];
    return NULL;
}

const char *StandinGenericId(const StandinPage *page)
{
    return page->ext[0] ? page->ext : "mp4";
}

const char *StandinFormatExt(const StandinPage *page, int code)
{
    if (page && page->ext[0])
        return page->ext;
    if (page && page->style != STANDIN_STYLE_2013) {
        const StandinFormatFacts *facts = StandinFindFacts(code);
        if (facts)
            return facts->ext;
    }
    const StandinFormatInfo *f = StandinFindFormat(code);
    return f ? f->ext : "mp4";
}

int StandinFormatLine(const StandinPage *page, int code, char *out, size_t outSize)
{
    TextOut o;
    outBegin(&o, out, outSize);
    const StandinFormatInfo *f = StandinFindFormat(code);
    outFormat(&o, "%d\t:\t", code);
    outText(&o, StandinFormatExt(page, code));
    if (f && f->height > 0)
        outFormat(&o, "\t[%dx%d]", f->height, f->width);
    else
        outText(&o, "\t[???]");
    if (f && f->is3d)
        outText(&o, " (3D)");
    return o.ok;
}

// ---- file names ------------------------------------------------------------

int StandinSanitizeTitle(const char *title, char *out, size_t outSize)
{
    TextOut o;
    outBegin(&o, out, outSize);
    for (const unsigned char *p = (const unsigned char *)title; *p && o.ok; p++) {
        unsigned char c = *p;
        if (c == '?' || c < 0x20 || c == 0x7F)
            continue;
        if (c == '"')
            outChar(&o, '\'');
        else if (c == ':')
            outText(&o, " -");
        else if (strchr("\\/|*<>", c))
            outChar(&o, '_');
        else
            outChar(&o, (char)c);
    }
    if (o.ok && o.len == 0)
        outChar(&o, '_');
    return o.ok;
}

unsigned StandinFullWidth(char c)
{
    if (c == '/')
        return 0x29F8;  // BIG SOLIDUS
    if (c == '\\')
        return 0x29F9;  // BIG REVERSE SOLIDUS
    if (c && strchr("\"*:<>?|", c))
        return (unsigned)(unsigned char)c + 0xFEE0;  // the FULLWIDTH form of the ASCII sign
    return 0;
}

// How yt-dlp's sanitize_filename sees byte i of s before its strip rules.
enum { YT_DROP, YT_LINE, YT_EDGE, YT_OTHER };

static int isDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

static int ytKind(const unsigned char *s, size_t i)
{
    unsigned char c = s[i];
    if (c == '\n')
        return YT_LINE;  // marked, becomes a blank
    if (c < 0x20 || c == 0x7F)
        return YT_DROP;
    // A ':' inside a time ("10:30") becomes '_', which the strip rules treat like '-'.
    if (c == ':' && i > 0 && isDigit(s[i - 1]) && isDigit(s[i + 1]))
        return YT_EDGE;
    if (c == ' ' || c == '_' || c == '-')
        return YT_EDGE;
    return YT_OTHER;
}

int StandinSanitizeYtDlp(const char *title, char *out, size_t outSize)
{
    const unsigned char *s = (const unsigned char *)title;
    size_t len = strlen(title);
    // A marked line end first or last goes with the blanks, '_' and '-' around it.
    size_t begin = 0;
    while (begin < len && ytKind(s, begin) == YT_DROP)
        begin++;
    if (begin < len && ytKind(s, begin) == YT_LINE)
        while (begin < len && ytKind(s, begin) != YT_OTHER)
            begin++;
    size_t end = len;
    while (end > begin && ytKind(s, end - 1) == YT_DROP)
        end--;
    if (end > begin && ytKind(s, end - 1) == YT_LINE)
        while (end > begin && ytKind(s, end - 1) != YT_OTHER)
            end--;

    TextOut o;
    outBegin(&o, out, outSize);
    if (len == 0)
        return o.ok;  // yt-dlp returns an empty text as it is
    int lastWasLine = 0;
    for (size_t i = begin; i < end && o.ok; i++) {
        int kind = ytKind(s, i);
        if (kind == YT_DROP || (kind == YT_LINE && lastWasLine))
            continue;  // repeated line ends count once
        lastWasLine = kind == YT_LINE;
        unsigned wide = StandinFullWidth((char)s[i]);
        char utf8[4];
        size_t n = wide ? StandinPutUtf8(wide, utf8, sizeof utf8) : 0;
        if (kind == YT_LINE)
            outChar(&o, ' ');
        else if (kind == YT_EDGE && s[i] == ':')
            outChar(&o, '_');
        else if (n > 0 && o.len + n < o.size) {
            memcpy(o.buf + o.len, utf8, n);  // whole, never part of a character
            o.len += n;
            o.buf[o.len] = '\0';
        } else if (n > 0)
            o.ok = 0;
        else
            outChar(&o, (char)s[i]);
    }
    if (o.ok && o.len == 0)
        outChar(&o, '_');
    if (!o.ok && out && outSize > 0)
        trimPartialUtf8(out);
    return o.ok;
}

// ---- progress texts ----------------------------------------------------------

// num/den bytes as KiB or MiB with two decimals, rounded half up in integers so
// every C runtime prints the same digits.
static void outScaled(TextOut *o, unsigned long long num, unsigned long long den)
{
    const unsigned long long kib = 1024ULL;
    const unsigned long long mib = 1048576ULL;
    unsigned long long unit = num < mib * den ? kib : mib;
    unsigned long long hundredths = (num * 200ULL + den * unit) / (2ULL * den * unit);
    outFormat(o, "%llu.%02llu%s", hundredths / 100ULL, hundredths % 100ULL,
              unit == kib ? "KiB" : "MiB");
}

static unsigned effectiveDelay(unsigned delayMs)
{
    return delayMs > 0 ? delayMs : 1;
}

int StandinSizeText(unsigned long long bytes, char *out, size_t outSize)
{
    TextOut o;
    outBegin(&o, out, outSize);
    outScaled(&o, bytes, 1);
    return o.ok;
}

int StandinSpeedText(unsigned long long step, unsigned delayMs, char *out, size_t outSize)
{
    TextOut o;
    outBegin(&o, out, outSize);
    outScaled(&o, step * 1000ULL, effectiveDelay(delayMs));
    outText(&o, "/s");
    return o.ok;
}

int StandinProgressText(unsigned long long done, const StandinPage *page, int padPercent,
                        char *out, size_t outSize)
{
    unsigned long long size = page->size > 0 ? page->size : 1;
    unsigned long long step = page->step > 0 ? page->step : 1;
    if (done > size)
        done = size;
    unsigned long long tenths = done * 1000ULL / size;
    unsigned long long eta = (size - done) * effectiveDelay(page->delayMs) / (step * 1000ULL);

    char percent[32];
    char total[32];
    char speed[40];
    snprintf(percent, sizeof percent, "%llu.%llu", tenths / 10ULL, tenths % 10ULL);
    StandinSizeText(size, total, sizeof total);
    StandinSpeedText(step, page->delayMs, speed, sizeof speed);

    TextOut o;
    outBegin(&o, out, outSize);
    outFormat(&o, padPercent ? "%5s%%" : "%s%%", percent);
    outFormat(&o, " of %s at %s ETA %02llu:%02llu", total, speed, eta / 60ULL, eta % 60ULL);
    return o.ok;
}

// The progress text behind a fixed prefix.
static int PrefixedProgress(const char *prefix, int padPercent, unsigned long long done,
                            const StandinPage *page, char *out, size_t outSize)
{
    char progress[128];
    StandinProgressText(done, page, padPercent, progress, sizeof progress);
    TextOut o;
    outBegin(&o, out, outSize);
    outText(&o, prefix);
    outText(&o, progress);
    return o.ok;
}

int StandinConsoleTitle(unsigned long long done, const StandinPage *page, char *out,
                        size_t outSize)
{
    return PrefixedProgress("youtube-dl - ", 0, done, page, out, outSize);
}

int StandinProgressLine(unsigned long long done, const StandinPage *page, char *out,
                        size_t outSize)
{
    return PrefixedProgress("[download] ", 1, done, page, out, outSize);
}

// ---- file bytes --------------------------------------------------------------

unsigned StandinHash(const char *s)
{
    unsigned h = 2166136261u;
    for (const unsigned char *p = (const unsigned char *)s; *p; p++) {
        h ^= *p;
        h *= 16777619u;
    }
    return h;
}

unsigned char StandinByteFromHash(unsigned h, unsigned long long offset)
{
    return (unsigned char)((h + offset * 7ULL + (offset >> 9)) & 0xFFu);
}

unsigned char StandinByte(const char *videoId, unsigned long long offset)
{
    return StandinByteFromHash(StandinHash(videoId), offset);
}

void StandinFillBytes(unsigned h, unsigned long long offset, unsigned char *buf, size_t count)
{
    for (size_t i = 0; i < count; i++)
        buf[i] = StandinByteFromHash(h, offset + i);
}
