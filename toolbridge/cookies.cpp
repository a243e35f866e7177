// Checking a cookies file as yt-dlp loads it.
#include "toolbridge/cookies.h"

#include <stdio.h>
#include <string.h>

#include "toolbridge/textrules.h"

// MozillaCookieJar's magic_re, "#( Netscape)? HTTP Cookie File", searched for in the first line.
static bool HasHeader(const char *line, size_t length)
{
    static const char *const HEADERS[] = {"# Netscape HTTP Cookie File", "# HTTP Cookie File"};
    for (const char *header : HEADERS) {
        size_t count = strlen(header);
        for (size_t at = 0; at + count <= length; at++)
            if (memcmp(line + at, header, count) == 0)
                return true;
    }
    return false;
}

// yt-dlp's `[0-9]+(?:\.[0-9]+)?`, or nothing (a session cookie).
static bool IsExpiry(const char *field, size_t length)
{
    size_t at = 0, digits = 0;
    while (at < length && field[at] >= '0' && field[at] <= '9')
        at++, digits++;
    if (length == 0)
        return true;
    if (digits == 0)
        return false;
    if (at < length && field[at] == '.') {
        size_t fraction = ++at;
        while (at < length && field[at] >= '0' && field[at] <= '9')
            at++;
        if (at == fraction)
            return false;
    }
    return at == length;
}

static bool IsBlank(const char *line, size_t length)
{
    for (size_t i = 0; i < length; i++)
        if (line[i] != ' ' && line[i] != '\t' && line[i] != '\r' && line[i] != '\n' && line[i] != '\v' &&
            line[i] != '\f')
            return false;
    return true;
}

CookieCheck CheckCookieText(const char *text, size_t length)
{
    CookieCheck check = {COOKIES_FINE, 0, 0, 0, 0};
    if (length > COOKIE_FILE_LIMIT) {
        check.verdict = COOKIES_TOO_BIG;
        return check;
    }
    if (length >= 3 && memcmp(text, "\xEF\xBB\xBF", 3) == 0)
        check.start = 3;
    const char *at = text + check.start, *end = text + length;
    if (at == end || IsBlank(at, (size_t)(end - at))) {
        check.verdict = COOKIES_EMPTY;
        return check;
    }
    if (!IsValidUtf8(at, (size_t)(end - at)) || memchr(at, '\0', (size_t)(end - at))) {
        check.verdict = COOKIES_NOT_UTF8;
        return check;
    }
    const char *first = at;
    while (first < end && (*first == ' ' || *first == '\t' || *first == '\r' || *first == '\n'))
        first++;
    if (first < end && (*first == '[' || *first == '{' || *first == '"')) {
        check.verdict = COOKIES_JSON;
        return check;
    }
    for (int number = 1; at < end; number++) {
        const char *stop = (const char *)memchr(at, '\n', (size_t)(end - at));
        size_t width = (size_t)((stop ? stop : end) - at);
        const char *line = at;
        at = stop ? stop + 1 : end;
        if (width > 0 && line[width - 1] == '\r')
            width--;
        if (number == 1) {
            if (!HasHeader(line, width)) {
                check.verdict = COOKIES_NO_HEADER;
                return check;
            }
            continue;
        }
        static const char HTTPONLY[] = "#HttpOnly_";
        if (width >= sizeof HTTPONLY - 1 && memcmp(line, HTTPONLY, sizeof HTTPONLY - 1) == 0) {
            line += sizeof HTTPONLY - 1;
            width -= sizeof HTTPONLY - 1;
        }
        if ((width > 0 && line[0] == '#') || IsBlank(line, width))
            continue;
        // Seven fields: domain, subdomains, path, https only, expiry, name, value.
        size_t fields = 1, expiryStart = 0, expiryEnd = 0;
        for (size_t i = 0; i < width; i++) {
            if (line[i] != '\t')
                continue;
            fields++;
            if (fields == 5)
                expiryStart = i + 1;
            if (fields == 6)
                expiryEnd = i;
        }
        check.line = number;
        if (fields != 7) {
            check.verdict = COOKIES_BAD_FIELDS;
            check.fields = (int)fields;
            return check;
        }
        if (!IsExpiry(line + expiryStart, expiryEnd - expiryStart)) {
            check.verdict = COOKIES_BAD_EXPIRY;
            return check;
        }
        check.cookies++;
    }
    check.line = 0;
    if (check.cookies == 0)
        check.verdict = COOKIES_NONE;
    return check;
}

void DescribeCookieVerdict(const CookieCheck *check, char *reason, size_t size)
{
    switch (check->verdict) {
    case COOKIES_FINE: snprintf(reason, size, "%d cookies", check->cookies); break;
    case COOKIES_EMPTY: snprintf(reason, size, "it is empty"); break;
    case COOKIES_TOO_BIG: snprintf(reason, size, "it is larger than 10 MB"); break;
    case COOKIES_NOT_UTF8: snprintf(reason, size, "it is not text (UTF-8)"); break;
    case COOKIES_JSON: snprintf(reason, size, "it is JSON; export the cookies as a Netscape cookies.txt file"); break;
    case COOKIES_NO_HEADER:
        snprintf(reason, size, "its first line is not \"# Netscape HTTP Cookie File\"");
        break;
    case COOKIES_BAD_FIELDS:
        snprintf(reason, size, "line %d is not a cookie: it has %d fields, not 7", check->line, check->fields);
        break;
    case COOKIES_BAD_EXPIRY:
        snprintf(reason, size, "line %d is not a cookie: its expiry is not a number", check->line);
        break;
    case COOKIES_NONE: snprintf(reason, size, "it holds no cookie"); break;
    }
}
