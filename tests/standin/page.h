// Window-free logic of the offline stand-in download tool: the page an address
// describes, its formats, file name rules, progress texts and file bytes.
#ifndef VIDMORA_STANDIN_PAGE_H
#define VIDMORA_STANDIN_PAGE_H

#include <stddef.h>

enum {
    STANDIN_MAX_ID = 64,        // bytes of the video id
    STANDIN_MAX_TITLE = 1000,   // bytes of the title
    STANDIN_MAX_EXT = 64,       // bytes of an extension override
    STANDIN_MAX_FORMATS = 64,   // codes a page offers (every code of the table fits)
    STANDIN_MAX_CODE = 99999,   // largest format code accepted
    STANDIN_MAX_LINES = 1000,   // format lines "lines=" may ask for
    STANDIN_MAX_DELAY = 60000,  // ms between steps, and the probes' extra wait
    STANDIN_MAX_EXIT = 255,     // largest exit code "exit=" may ask for
    STANDIN_MAX_LIST = 48,      // bytes of a list id (its entries' ids still fit STANDIN_MAX_ID)
    STANDIN_MAX_ENTRIES = 50,   // videos a list may have
    STANDIN_DEFAULT_ENTRIES = 6
};

// Which tool's output a page imitates.
enum StandinStyle {
    STANDIN_STYLE_2013 = 0,        // the 2013 tool: TAB-separated list, "youtube-dl - " titles
    STANDIN_STYLE_YOUTUBE_DL = 1,  // youtube-dl 2014 onwards (2021.12.17 and later)
    STANDIN_STYLE_YT_DLP = 2       // yt-dlp
};

#define STANDIN_MAX_SIZE 1073741824ULL  // 1 GiB

#define STANDIN_DEFAULT_ID "standin"
#define STANDIN_DEFAULT_FORMATS "22,18,43,5,17"
#define STANDIN_DEFAULT_SIZE 262144ULL
#define STANDIN_DEFAULT_DELAY 100u

// Functions that build text into a caller's buffer always terminate it and
// return 1 if the whole text fitted, 0 if it had to be cut.

struct StandinPage {
    char videoId[STANDIN_MAX_ID + 1];
    char title[STANDIN_MAX_TITLE + 1];
    int formats[STANDIN_MAX_FORMATS];
    int formatCount;
    unsigned long long size;     // 1 .. STANDIN_MAX_SIZE
    unsigned long long step;     // 1 .. size
    int stepGiven;               // step= was given (merged parts then use it as it is)
    unsigned delayMs;            // 0 .. STANDIN_MAX_DELAY
    int fail;                    // fail=1 given, or fail=title / fail=formats
    int failOnly;                // STANDIN_FAIL_*: the one kind of run that fails
    char ext[STANDIN_MAX_EXT + 1];  // override for every format; empty = none
    int lines;                   // format lines to list; -1 = one per format
    int style;                   // StandinStyle
    int generic;                 // generic=1: one format with a non-numeric id (a direct link)
    int https;                   // the address starts with "https:" (a direct link's protocol)
    int box;                     // box=1: yt-dlp's table as drawn on a UTF-8 terminal
    int onefile;                 // onefile=1: the run re-runs itself as a child
    int hang;                    // hang=1: probe runs never answer
    int botCheck;                // botcheck=1: YouTube's bot check, passed only with cookies
    unsigned probeDelayMs;       // probe runs wait this long before answering
    unsigned flatDelayMs;        // a list's flat read waits this long more
    int exitCode;                // exit code of a failing page (exit=, default 1)
    int mergeFail;               // mergefail=1: ffmpeg is asked for a merge it cannot do
    int videoGiven;              // v= named the video (not the default id)
    char list[STANDIN_MAX_LIST + 1];  // list=: the list the video is part of; empty = none
    int entries;                 // videos of the list (entries=)
};

// fail=title and fail=formats: only that probe run fails, the other answers as usual.
enum { STANDIN_FAIL_ANY, STANDIN_FAIL_TITLE, STANDIN_FAIL_FORMATS };

struct StandinFormatInfo {
    int code;
    const char *ext;
    int height;   // 0 when the size is unknown ("???")
    int width;
    int is3d;
};

// Decodes %XX escapes and '+' of src[0..srcLen) into dst (always terminated).
// Malformed escapes stay literal; decoded NUL bytes are dropped.
int StandinPercentDecode(const char *src, size_t srcLen, char *dst, size_t dstSize);

// Fills page from the query of address (after the first '?', up to any '#').
void StandinParsePage(const char *address, StandinPage *page);

// The videos a run takes from the page, as both tools read an address: -1 for the page's own
// video alone (no list, or a video named and --no-playlist given); else the list's entries
// that `items` (--playlist-items: N, A-B, A:B, A: or :B, comma separated; NULL keeps all)
// selects, in its order and each once, as 1-based indexes into out[STANDIN_MAX_ENTRIES], and
// their count.
int StandinListItems(const StandinPage *page, int noPlaylist, const char *items, int *out);

// Entry `index` (1-based) of the page's list: the page itself with the id LIST-INDEX and that
// id's default title, except that the entry whose id is the page's own video keeps its title.
void StandinListEntry(const StandinPage *page, int index, StandinPage *entry);

// The ERROR text (without "ERROR: ") for a failing page, or NULL if it works.
const char *StandinPageError(const StandinPage *page, char *buf, size_t bufSize);

// The WARNING text (without "WARNING: ") today's tools print before an ERROR line, or NULL
// in the 2013 style, which printed none.
const char *StandinPageWarning(const StandinPage *page);

// 1 if the page offers code.
int StandinPageHasFormat(const StandinPage *page, int code);

// Table entry for a known code, or NULL.
const StandinFormatInfo *StandinFindFormat(int code);

// Extension the page gives code: the override, the table's, or "mp4".
const char *StandinFormatExt(const StandinPage *page, int code);

// One "--list-formats" line without line end, e.g. "22\t:\tmp4\t[720x1280]".
int StandinFormatLine(const StandinPage *page, int code, char *out, size_t outSize);

// Title as a file name: '?' and control bytes removed, '"' -> '\'',
// ':' -> " -", any of \ / | * < > -> '_'; an empty result becomes "_".
int StandinSanitizeTitle(const char *title, char *out, size_t outSize);

// The look-alike yt-dlp writes for a character Windows forbids in file names: the
// FULLWIDTH form (U+FF02 ...) of each of " * : < > ? |, U+29F8 for '/' and U+29F9 for
// '\'; 0 for any other character.
unsigned StandinFullWidth(char c);

// A field as yt-dlp puts it into a file name (its sanitize_filename, not restricted, the
// rules it uses for every field by default): a ':' between digits (a time) becomes '_',
// other forbidden characters their StandinFullWidth look-alike, a line end a blank
// (several in a row count once) and other control bytes go; a line end at the start or
// the end goes with the blanks, '_' and '-' next to it. Other bytes, UTF-8 included, are
// kept; an empty result becomes "_", but an empty title stays empty. A cut never leaves
// part of a UTF-8 character.
int StandinSanitizeYtDlp(const char *title, char *out, size_t outSize);

// Results of StandinExpandStyledTemplate besides 1 (fitted) and 0 (cut).
enum {
    STANDIN_TEMPLATE_LONE_PERCENT = -1,  // a '%' that starts no field
    STANDIN_TEMPLATE_OPEN_FIELD = -2,    // "%(" without a closing ')'
    STANDIN_TEMPLATE_NOT_IMITATED = -3   // %(playlist_index) outside the 2013 style
};

// Replaces %(title)s, %(ext)s, %(id)s and %% in tmpl as the style's tool does; title is
// used as given. Other %(name)s fields stay as written in the 2013 style and become "NA"
// in the others, except %(playlist_index), which only a whole list's download names: it is
// not imitated. A lone '%' is an error except in the yt-dlp style, which keeps it.
// On an error *errorAt (if given) is the byte index of the offending '%'.
int StandinExpandStyledTemplate(const char *tmpl, int style, const char *title,
                                const char *ext, const char *videoId, char *out,
                                size_t outSize, size_t *errorAt);

// The 2013 style of StandinExpandStyledTemplate.
int StandinExpandTemplate(const char *tmpl, const char *title, const char *ext,
                          const char *videoId, char *out, size_t outSize);

// The format id a generic page offers (its extension): "mp4" unless ext= says otherwise.
const char *StandinGenericId(const StandinPage *page);

// "512.00KiB" below 1 MiB, else "12.34MiB"; two decimals, rounded half up.
int StandinSizeText(unsigned long long bytes, char *out, size_t outSize);

// Speed of step bytes every delayMs ms (0 counts as 1 ms), e.g. "1.02MiB/s".
int StandinSpeedText(unsigned long long step, unsigned delayMs, char *out, size_t outSize);

// Progress "45.3% of 12.34MiB at 1.02MiB/s ETA 00:07". Percent is done/size
// cut (not rounded) to tenths; ETA is (size-done)/speed cut to whole seconds.
// padPercent right-aligns the number in five columns, as on the tool's stdout.
int StandinProgressText(unsigned long long done, const StandinPage *page, int padPercent,
                        char *out, size_t outSize);

// "youtube-dl - " + progress text: the console title while downloading.
int StandinConsoleTitle(unsigned long long done, const StandinPage *page,
                        char *out, size_t outSize);

// "[download] " + padded progress text: the stdout progress line.
int StandinProgressLine(unsigned long long done, const StandinPage *page,
                        char *out, size_t outSize);

// FNV-1a, 32 bits.
unsigned StandinHash(const char *s);

// Byte at offset of the file of a page whose id hashes to h.
unsigned char StandinByteFromHash(unsigned h, unsigned long long offset);

// Same, from the id.
unsigned char StandinByte(const char *videoId, unsigned long long offset);

// Fills buf with count bytes of the page's file starting at offset.
void StandinFillBytes(unsigned h, unsigned long long offset, unsigned char *buf, size_t count);

#endif
