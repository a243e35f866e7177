// The format tables of youtube-dl (2014 onwards) and yt-dlp as the stand-in prints
// them for --list-formats, with the per-code facts they are built from.
#ifndef VIDMORA_STANDIN_TABLE_H
#define VIDMORA_STANDIN_TABLE_H

#include <stddef.h>

#include "page.h"

// One code as today's tools describe it. Zero or NULL means the tool has no value.
struct StandinFormatFacts {
    int code;
    const char *ext;
    int width;
    int height;
    const char *vcodec;     // "none" for audio only
    const char *acodec;     // "none" for video only
    int abr;                // kbit/s
    int fps;
    const char *note;       // "DASH video", "DASH audio", "3D"
    const char *container;  // "m4a_dash", "webm"
    int tbr;                // kbit/s
};

// Facts of a known code, or NULL.
const StandinFormatFacts *StandinFindFacts(int code);

enum {
    STANDIN_TABLE_COLUMNS = 13,  // yt-dlp's columns that a stand-in row can fill
    STANDIN_TABLE_CELL = 128     // bytes of one cell
};

// A table ready to print line by line: the page, which rows it has and how wide
// each column is.
struct StandinTable {
    const StandinPage *page;
    int style;          // STANDIN_STYLE_YOUTUBE_DL or STANDIN_STYLE_YT_DLP
    int storyboard;     // yt-dlp lists its storyboard "sb0" first
    int formatRows;     // rows of page formats (the generic page has one)
    int lineCount;      // header, yt-dlp's rule, rows
    int width[STANDIN_TABLE_COLUMNS];  // in characters
    int shown[STANDIN_TABLE_COLUMNS];
};

// Measures the table of `page` (style taken from the page; the 2013 style has none).
// Returns 0 for the 2013 style.
int StandinTableBegin(const StandinPage *page, StandinTable *table);

// Line `index` (0 .. lineCount-1) without line end; 1 if it fitted.
int StandinTableLine(const StandinTable *table, int index, char *out, size_t outSize);

// The code of data row `row` (0 = first printed): the page's formats, repeated to
// `lines` when asked, printed worst first, i.e. in reverse.
int StandinTableRowCode(const StandinPage *page, int row);

// youtube-dl's and yt-dlp's format_bytes: "%.2f" with B, KiB, MiB, GiB.
int StandinToolBytes(double bytes, char *out, size_t outSize);

#endif
