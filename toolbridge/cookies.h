// A cookies file a person chooses to sign in with, checked as yt-dlp reads it
// (YoutubeDLCookieJar.load): refused for all that yt-dlp would refuse or skip, since yt-dlp
// echoes a skipped line, cookie value and all, into its warnings. Window-free, so tested natively.
#pragma once
#include <stddef.h>

enum {
    COOKIE_FILE_LIMIT = 10 * 1024 * 1024,  // bytes, at most
    COOKIE_REASON_SIZE = 160
};

// Why a file cannot be used; COOKIES_FINE when it can.
enum CookieVerdict {
    COOKIES_FINE,
    COOKIES_EMPTY,
    COOKIES_TOO_BIG,
    COOKIES_NOT_UTF8,
    COOKIES_JSON,          // a browser extension's JSON export, not the Netscape format
    COOKIES_NO_HEADER,     // the first line is not "# Netscape HTTP Cookie File" (or "# HTTP Cookie File")
    COOKIES_BAD_FIELDS,    // a line that is no comment has not seven tab-separated fields
    COOKIES_BAD_EXPIRY,    // its fifth field is not a number
    COOKIES_NONE           // no cookie at all
};

struct CookieCheck {
    CookieVerdict verdict;
    int cookies;    // how many cookie lines the file holds
    int line;       // the line a bad-line verdict is about, from 1
    int fields;     // how many fields that line has
    size_t start;   // where the text begins: after a UTF-8 byte-order mark, which yt-dlp refuses
};

// Checks the file's `length` bytes (a file longer than COOKIE_FILE_LIMIT is given with its
// real length and need not be read whole).
CookieCheck CheckCookieText(const char *text, size_t length);

// Why, in words that never quote the file (it holds a login): "it is empty", "line 3 is not a
// cookie: it has 2 fields, not 7"...
void DescribeCookieVerdict(const CookieCheck *check, char *reason, size_t size);
