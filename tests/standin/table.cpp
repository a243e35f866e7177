// The --list-formats tables of youtube-dl (2014 onwards) and yt-dlp, rendered the way
// their render_table does: columns padded with blanks, yt-dlp's right-aligned numbers,
// empty columns left out, a dashed rule under yt-dlp's header.
#include "table.h"

#include <stdio.h>
#include <string.h>

#include "textout.h"

static const char V[] = "DASH video";
static const char A[] = "DASH audio";
#define HDR_AV1(level) "av01.0." level "M.10.0.110.09.16.09.0"
#define HDR_VP9 "vp09.02.51.10.01.09.16.09.00"

// Codecs, audio rates, frame rates, notes and containers as in youtube-dl's YouTube
// extractor; sizes as the 2013 table has them (16:9 widths for the DASH heights);
// tbr is a typical bit rate.
static const StandinFormatFacts kFacts[] = {
    {5, "flv", 400, 240, "h263", "mp3", 64, 0, NULL, NULL, 285},
    {6, "flv", 480, 270, "h263", "mp3", 64, 0, NULL, NULL, 400},
    {13, "3gp", 0, 0, "mp4v", "aac", 0, 0, NULL, NULL, 100},
    {17, "3gp", 176, 144, "mp4v", "aac", 24, 0, NULL, NULL, 80},
    {18, "mp4", 640, 360, "h264", "aac", 96, 0, NULL, NULL, 500},
    {22, "mp4", 1280, 720, "h264", "aac", 192, 0, NULL, NULL, 1500},
    {34, "flv", 640, 360, "h264", "aac", 128, 0, NULL, NULL, 600},
    {35, "flv", 854, 480, "h264", "aac", 128, 0, NULL, NULL, 900},
    {36, "3gp", 320, 240, "mp4v", "aac", 0, 0, NULL, NULL, 200},
    {37, "mp4", 1920, 1080, "h264", "aac", 192, 0, NULL, NULL, 3000},
    {38, "mp4", 4096, 3072, "h264", "aac", 192, 0, NULL, NULL, 5000},
    {43, "webm", 640, 360, "vp8", "vorbis", 128, 0, NULL, NULL, 600},
    {44, "webm", 854, 480, "vp8", "vorbis", 128, 0, NULL, NULL, 1000},
    {45, "webm", 1280, 720, "vp8", "vorbis", 192, 0, NULL, NULL, 2000},
    {46, "webm", 1920, 1080, "vp8", "vorbis", 192, 0, NULL, NULL, 3500},
    {82, "mp4", 640, 360, "h264", "aac", 128, 0, "3D", NULL, 500},
    {83, "mp4", 320, 240, "h264", "aac", 128, 0, "3D", NULL, 700},
    {84, "mp4", 1280, 720, "h264", "aac", 192, 0, "3D", NULL, 1500},
    {85, "mp4", 920, 520, "h264", "aac", 192, 0, "3D", NULL, 3000},
    {100, "webm", 640, 360, "vp8", "vorbis", 128, 0, "3D", NULL, 600},
    {101, "webm", 640, 360, "vp8", "vorbis", 192, 0, "3D", NULL, 900},
    {102, "webm", 1280, 720, "vp8", "vorbis", 192, 0, "3D", NULL, 1800},
    {120, "flv", 1280, 720, "h264", "aac", 128, 0, NULL, NULL, 2000},
    {133, "mp4", 426, 240, "h264", "none", 0, 0, V, NULL, 250},
    {134, "mp4", 640, 360, "h264", "none", 0, 0, V, NULL, 400},
    {135, "mp4", 854, 480, "h264", "none", 0, 0, V, NULL, 750},
    {136, "mp4", 1280, 720, "h264", "none", 0, 0, V, NULL, 1500},
    {137, "mp4", 1920, 1080, "h264", "none", 0, 0, V, NULL, 3000},
    {139, "m4a", 0, 0, "none", "aac", 48, 0, A, "m4a_dash", 49},
    {140, "m4a", 0, 0, "none", "aac", 128, 0, A, "m4a_dash", 130},
    {141, "m4a", 0, 0, "none", "aac", 256, 0, A, "m4a_dash", 256},
    {160, "mp4", 256, 144, "h264", "none", 0, 0, V, NULL, 110},
    {171, "webm", 0, 0, "none", "vorbis", 128, 0, A, NULL, 128},
    {242, "webm", 426, 240, "vp9", "none", 0, 0, V, NULL, 220},
    {243, "webm", 640, 360, "vp9", "none", 0, 0, V, NULL, 400},
    {244, "webm", 854, 480, "vp9", "none", 0, 0, V, NULL, 750},
    {245, "webm", 854, 480, "vp9", "none", 0, 0, V, NULL, 900},
    {246, "webm", 854, 480, "vp9", "none", 0, 0, V, NULL, 1000},
    {247, "webm", 1280, 720, "vp9", "none", 0, 0, V, NULL, 1500},
    {248, "webm", 1920, 1080, "vp9", "none", 0, 0, V, NULL, 2700},
    {249, "webm", 0, 0, "none", "opus", 50, 0, A, NULL, 50},
    {250, "webm", 0, 0, "none", "opus", 70, 0, A, NULL, 70},
    {251, "webm", 0, 0, "none", "opus", 160, 0, A, NULL, 135},
    {264, "mp4", 2560, 1440, "h264", "none", 0, 0, V, NULL, 5500},
    {266, "mp4", 3840, 2160, "h264", "none", 0, 0, V, NULL, 12000},
    {271, "webm", 2560, 1440, "vp9", "none", 0, 0, V, NULL, 9000},
    {278, "webm", 256, 144, "vp9", "none", 0, 0, V, "webm", 95},
    {298, "mp4", 1280, 720, "h264", "none", 0, 60, V, NULL, 3000},
    {299, "mp4", 1920, 1080, "h264", "none", 0, 60, V, NULL, 5000},
    {302, "webm", 1280, 720, "vp9", "none", 0, 60, V, NULL, 2500},
    {303, "webm", 1920, 1080, "vp9", "none", 0, 60, V, NULL, 4500},
    {308, "webm", 2560, 1440, "vp9", "none", 0, 60, V, NULL, 13000},
    {313, "webm", 3840, 2160, "vp9", "none", 0, 0, V, NULL, 18000},
    {315, "webm", 3840, 2160, "vp9", "none", 0, 60, V, NULL, 26000},
    {394, "mp4", 256, 144, "av01.0.00M.08", "none", 0, 0, V, NULL, 80},
    {395, "mp4", 426, 240, "av01.0.00M.08", "none", 0, 0, V, NULL, 160},
    {396, "mp4", 640, 360, "av01.0.01M.08", "none", 0, 0, V, NULL, 300},
    {397, "mp4", 854, 480, "av01.0.04M.08", "none", 0, 0, V, NULL, 550},
    {398, "mp4", 1280, 720, "av01.0.05M.08", "none", 0, 0, V, NULL, 1100},
    {399, "mp4", 1920, 1080, "av01.0.08M.08", "none", 0, 0, V, NULL, 2000},
    // yt-dlp's table has 400 and 401; the other codecs are those YouTube names in its stream
    // types (HDR: 10 bits, BT.2020, PQ), which yt-dlp takes as they are.
    {400, "mp4", 2560, 1440, "av01.0.12M.08", "none", 0, 0, V, NULL, 4500},
    {401, "mp4", 3840, 2160, "av01.0.12M.08", "none", 0, 0, V, NULL, 9000},
    {402, "mp4", 7680, 4320, "av01.0.16M.08", "none", 0, 0, V, NULL, 20000},
    {571, "mp4", 7680, 4320, "av01.0.16M.08", "none", 0, 0, V, NULL, 28000},
    {694, "mp4", 256, 144, HDR_AV1("00"), "none", 0, 60, V, NULL, 190},
    {695, "mp4", 426, 240, HDR_AV1("01"), "none", 0, 60, V, NULL, 400},
    {696, "mp4", 640, 360, HDR_AV1("04"), "none", 0, 60, V, NULL, 820},
    {697, "mp4", 854, 480, HDR_AV1("05"), "none", 0, 60, V, NULL, 1560},
    {698, "mp4", 1280, 720, HDR_AV1("08"), "none", 0, 60, V, NULL, 4170},
    {699, "mp4", 1920, 1080, HDR_AV1("09"), "none", 0, 60, V, NULL, 6870},
    {700, "mp4", 2560, 1440, HDR_AV1("12"), "none", 0, 60, V, NULL, 17320},
    {701, "mp4", 3840, 2160, HDR_AV1("13"), "none", 0, 60, V, NULL, 31940},
    {702, "mp4", 7680, 4320, HDR_AV1("17"), "none", 0, 60, V, NULL, 66040},
    {330, "webm", 256, 144, HDR_VP9, "none", 0, 60, V, NULL, 250},
    {331, "webm", 426, 240, HDR_VP9, "none", 0, 60, V, NULL, 500},
    {332, "webm", 640, 360, HDR_VP9, "none", 0, 60, V, NULL, 1060},
    {333, "webm", 854, 480, HDR_VP9, "none", 0, 60, V, NULL, 2000},
    {334, "webm", 1280, 720, HDR_VP9, "none", 0, 60, V, NULL, 4560},
    {335, "webm", 1920, 1080, HDR_VP9, "none", 0, 60, V, NULL, 6950},
    {336, "webm", 2560, 1440, HDR_VP9, "none", 0, 60, V, NULL, 16930},
    {337, "webm", 3840, 2160, HDR_VP9, "none", 0, 60, V, NULL, 30180},
    // Premium 1080p comes by HLS only (not in yt-dlp's table): yt-dlp notes it "Premium".
    {616, "mp4", 1920, 1080, "vp09.00.40.08", "none", 0, 0, "Premium", NULL, 5000},
};

// Codes not sent over plain HTTPS: yt-dlp's PROTO column (its shortened protocol name).
static const struct {
    int code;
    const char *proto;
} kProtocols[] = {
    {616, "m3u8"},  // m3u8_native
};

static const char *protocolOf(int code)
{
    for (size_t i = 0; i < sizeof kProtocols / sizeof kProtocols[0]; i++)
        if (kProtocols[i].code == code)
            return kProtocols[i].proto;
    return "https";
}

const StandinFormatFacts *StandinFindFacts(int code)
{
    for (size_t i = 0; i < sizeof kFacts / sizeof kFacts[0]; i++)
        if (kFacts[i].code == code)
            return &kFacts[i];
    return NULL;
}

int StandinToolBytes(double bytes, char *out, size_t outSize)
{
    static const char *const kUnits[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    int exponent = 0;
    double scale = 1.0;
    while (exponent < 4 && bytes >= scale * 1024.0) {
        scale *= 1024.0;
        exponent++;
    }
    int n = snprintf(out, outSize, "%.2f%s", bytes / scale, kUnits[exponent]);
    return n >= 0 && (size_t)n < outSize;
}

// ---- rows ----------------------------------------------------------------------------

// What one printed row shows, before it becomes cells.
struct Row {
    char id[24];
    const char *ext;
    int width, height;
    const char *vcodec, *acodec;  // NULL: the tool knows none
    int abr, fps, tbr;
    const char *note, *container, *proto;
    int hasFilesize;
};

static int rowCount(const StandinPage *page)
{
    if (page->generic)
        return 1;
    return page->lines >= 0 ? page->lines : page->formatCount;
}

int StandinTableRowCode(const StandinPage *page, int row)
{
    int count = rowCount(page);
    if (page->formatCount == 0 || row < 0 || row >= count)
        return 0;
    return page->formats[(count - 1 - row) % page->formatCount];
}

// Data row `index` of the table (the storyboard counts as row 0 when shown).
static void describeRow(const StandinTable *t, int index, Row *r)
{
    const StandinPage *page = t->page;
    memset(r, 0, sizeof *r);
    if (t->storyboard && index == 0) {
        snprintf(r->id, sizeof r->id, "sb0");
        r->ext = "mhtml";
        r->width = 320;
        r->height = 180;
        r->vcodec = r->acodec = "none";
        r->fps = 1;
        r->note = "storyboard";
        r->proto = "mhtml";
        return;
    }
    if (page->generic) {
        // A direct link: the id is the type the server names, nothing else is known.
        snprintf(r->id, sizeof r->id, "%s", StandinGenericId(page));
        r->ext = StandinGenericId(page);
        r->proto = page->https ? "https" : "http";
        return;
    }
    int code = StandinTableRowCode(page, index - t->storyboard);
    snprintf(r->id, sizeof r->id, "%d", code);
    const StandinFormatFacts *f = StandinFindFacts(code);
    r->ext = StandinFormatExt(page, code);
    r->proto = protocolOf(code);
    r->hasFilesize = 1;
    if (!f)
        return;
    r->width = f->width;
    r->height = f->height;
    r->vcodec = f->vcodec;
    r->acodec = f->acodec;
    r->abr = f->abr;
    r->fps = f->fps;
    r->tbr = f->tbr;
    r->note = f->note;
    r->container = f->container;
}

static int isNone(const char *codec)
{
    return codec && strcmp(codec, "none") == 0;
}

static void resolution(const Row *r, int style, TextOut *o)
{
    int audioOnly = style == STANDIN_STYLE_YT_DLP ? isNone(r->vcodec) && !isNone(r->acodec)
                                                  : isNone(r->vcodec);
    if (audioOnly)
        outText(o, "audio only");
    else if (r->width && r->height)
        outFormat(o, "%dx%d", r->width, r->height);
    else if (r->height)
        outFormat(o, "%dp", r->height);
    else if (r->width)
        outFormat(o, style == STANDIN_STYLE_YT_DLP ? "%dx?" : "?x%d", r->width);
    else
        outText(o, "unknown");
}

// yt-dlp's VCODEC / ACODEC cell.
static void simplifiedCodec(const Row *r, int video, TextOut *o)
{
    const char *codec = video ? r->vcodec : r->acodec;
    if (!codec || !*codec) {
        outText(o, "unknown");
    } else if (!isNone(codec)) {
        // yt-dlp shows a codec's first four dotted parts ("av01.0.00M.10" of an HDR one).
        for (int dots = 0; *codec && !(*codec == '.' && ++dots == 4); codec++)
            outChar(o, *codec);
    } else if (video && isNone(r->acodec)) {
        outText(o, "images");
    } else if (!video && isNone(r->vcodec)) {
        // nothing
    } else {
        outText(o, video ? "audio only" : "video only");
    }
}

// youtube-dl's note column (its _format_note).
static void youtubeDlNote(const StandinTable *t, const Row *r, TextOut *o)
{
    if (r->note)
        outFormat(o, "%s ", r->note);
    if (r->tbr)
        outFormat(o, "%4dk ", r->tbr);
    if (r->container)
        outFormat(o, "%s%s container", o->len ? ", " : "", r->container);
    if (r->vcodec && !isNone(r->vcodec))
        outFormat(o, "%s%s", o->len ? ", " : "", r->vcodec);
    if (r->fps)
        outFormat(o, "%s%dfps", o->len ? ", " : "", r->fps);
    if (r->acodec) {
        outText(o, o->len ? ", " : "");
        if (isNone(r->acodec))
            outText(o, "video only");
        else
            outFormat(o, "%-5s", r->acodec);
    } else if (r->abr) {
        outText(o, o->len ? ", audio" : "audio");
    }
    if (r->abr)
        outFormat(o, "@%3dk", r->abr);
    if (r->hasFilesize) {
        char size[32];
        StandinToolBytes((double)t->page->size, size, sizeof size);
        outFormat(o, "%s%s", o->len ? ", " : "", size);
    }
}

// ---- cells and lines -------------------------------------------------------------------

enum { YOUTUBE_DL_COLUMNS = 4 };
typedef char Cells[STANDIN_TABLE_COLUMNS][STANDIN_TABLE_CELL];

static const char *delimiter(const StandinTable *t)
{
    return t->page->box ? "\xe2\x94\x82" : "|";  // U+2502 on a terminal that can show it
}

static int columnCount(const StandinTable *t)
{
    return t->style == STANDIN_STYLE_YT_DLP ? (int)STANDIN_TABLE_COLUMNS : (int)YOUTUBE_DL_COLUMNS;
}

static int dataRows(const StandinTable *t)
{
    return t->storyboard + t->formatRows;
}

// The cells of data row `index`, or of the header for -1. A TAB marks where a
// right-aligned cell is padded, as in yt-dlp's table code.
static void rowCells(const StandinTable *t, int index, Cells cells)
{
    static const char *const kYtDlpHeader[STANDIN_TABLE_COLUMNS] = {
        "ID", "EXT", "RESOLUTION", "\tFPS", NULL, "\tFILESIZE", "\tTBR", "PROTO", NULL,
        "VCODEC", "ACODEC", "\tABR", "MORE INFO"};
    static const char *const kYoutubeDlHeader[YOUTUBE_DL_COLUMNS] = {
        "format code", "extension", "resolution", "note"};
    int ytDlp = t->style == STANDIN_STYLE_YT_DLP;
    TextOut o[STANDIN_TABLE_COLUMNS];
    for (int c = 0; c < STANDIN_TABLE_COLUMNS; c++)
        outBegin(&o[c], cells[c], STANDIN_TABLE_CELL);
    if (index < 0) {
        for (int c = 0; c < columnCount(t); c++) {
            const char *h = ytDlp ? kYtDlpHeader[c] : kYoutubeDlHeader[c];
            outText(&o[c], h ? h : delimiter(t));
        }
        return;
    }
    Row r;
    describeRow(t, index, &r);
    outText(&o[0], r.id);
    outText(&o[1], r.ext);
    resolution(&r, t->style, &o[2]);
    if (!ytDlp) {
        youtubeDlNote(t, &r, &o[3]);
        if (index == dataRows(t) - 1 && t->formatRows > 1)
            outText(&o[3], o[3].len ? " (best)" : "(best)");
        return;
    }
    if (r.fps)
        outFormat(&o[3], "\t%d", r.fps);
    outText(&o[4], delimiter(t));
    if (r.hasFilesize) {
        char size[32];
        StandinToolBytes((double)t->page->size, size, sizeof size);
        outFormat(&o[5], " \t%s", size);
    }
    if (r.tbr)
        outFormat(&o[6], "\t%dk", r.tbr);
    outText(&o[7], r.proto);
    outText(&o[8], delimiter(t));
    simplifiedCodec(&r, 1, &o[9]);
    simplifiedCodec(&r, 0, &o[10]);
    if (r.abr)
        outFormat(&o[11], "\t%dk", r.abr);
    if (r.note)
        outText(&o[12], r.note);
    if (r.container && strcmp(r.container, r.ext) != 0)
        outFormat(&o[12], "%s%s", o[12].len ? ", " : "", r.container);
}

// Characters shown: UTF-8 lead bytes, TABs not counted.
static int textWidth(const char *s)
{
    int n = 0;
    for (; *s; s++)
        if (*s != '\t' && ((unsigned char)*s & 0xC0) != 0x80)
            n++;
    return n;
}

int StandinTableBegin(const StandinPage *page, StandinTable *table)
{
    memset(table, 0, sizeof *table);
    table->page = page;
    table->style = page->style;
    if (page->style != STANDIN_STYLE_YOUTUBE_DL && page->style != STANDIN_STYLE_YT_DLP)
        return 0;
    int ytDlp = page->style == STANDIN_STYLE_YT_DLP;
    table->storyboard = ytDlp && !page->generic;
    table->formatRows = rowCount(page);
    table->lineCount = 1 + ytDlp + dataRows(table);

    static Cells cells;  // one row at a time; too large for a small stack
    int dataWidth[STANDIN_TABLE_COLUMNS] = {0};
    for (int i = 0; i < dataRows(table); i++) {
        rowCells(table, i, cells);
        for (int c = 0; c < columnCount(table); c++) {
            int w = textWidth(cells[c]);
            if (w > dataWidth[c])
                dataWidth[c] = w;
        }
    }
    rowCells(table, -1, cells);
    for (int c = 0; c < columnCount(table); c++) {
        // yt-dlp leaves out a column no row fills (a table without rows keeps all).
        table->shown[c] = !ytDlp || dataRows(table) == 0 || dataWidth[c] > 0;
        int w = textWidth(cells[c]);
        table->width[c] = w > dataWidth[c] ? w : dataWidth[c];
    }
    return 1;
}

// yt-dlp: each shown cell padded to its column plus one blank, TAB padding
// right-aligning, trailing blanks removed.
static void ytDlpLine(const StandinTable *t, Cells cells, TextOut *o)
{
    for (int c = 0; c < STANDIN_TABLE_COLUMNS; c++) {
        if (!t->shown[c])
            continue;
        size_t pad = (size_t)(t->width[c] - textWidth(cells[c]));
        const char *tab = strchr(cells[c], '\t');
        for (const char *p = cells[c]; *p; p++) {
            if (p == tab)
                outRepeat(o, " ", pad);
            else
                outChar(o, *p);
        }
        outRepeat(o, " ", tab ? 1 : pad + 1);
    }
    while (o->ok && o->len > 0 && o->buf[o->len - 1] == ' ')
        o->buf[--o->len] = '\0';
}

static void ytDlpRule(const StandinTable *t, TextOut *o)
{
    const char *dash = t->page->box ? "\xe2\x94\x80" : "-";  // U+2500 on a terminal
    int last = -1;
    for (int c = 0; c < STANDIN_TABLE_COLUMNS; c++)
        if (t->shown[c])
            last = c;
    for (int c = 0; c <= last; c++)
        if (t->shown[c])
            outRepeat(o, dash, (size_t)t->width[c] + (c == last ? 0 : 1));
}

// youtube-dl: the first three columns padded to their width plus one and joined by a
// blank; the note follows the third unpadded, with no joining blank.
static void youtubeDlLine(const StandinTable *t, Cells cells, TextOut *o)
{
    for (int c = 0; c < YOUTUBE_DL_COLUMNS - 1; c++) {
        outText(o, cells[c]);
        outRepeat(o, " ", (size_t)(t->width[c] + 1 - textWidth(cells[c])));
        if (c < YOUTUBE_DL_COLUMNS - 2)
            outChar(o, ' ');
    }
    outText(o, cells[YOUTUBE_DL_COLUMNS - 1]);
}

int StandinTableLine(const StandinTable *table, int index, char *out, size_t outSize)
{
    TextOut o;
    outBegin(&o, out, outSize);
    if (index < 0 || index >= table->lineCount)
        return 0;
    int ytDlp = table->style == STANDIN_STYLE_YT_DLP;
    if (ytDlp && index == 1) {
        ytDlpRule(table, &o);
        return o.ok;
    }
    static Cells cells;
    rowCells(table, index == 0 ? -1 : index - 1 - ytDlp, cells);
    if (ytDlp)
        ytDlpLine(table, cells, &o);
    else
        youtubeDlLine(table, cells, &o);
    return o.ok;
}
