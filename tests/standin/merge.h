// yt-dlp's download of a picture-only and a sound-only format that ffmpeg then merges
// into one file: which formats a --format text picks, the names of the parts, the
// temporary and the final file, and ffmpeg's argument list; and what -x has ffmpeg do (the
// tools' FFmpegExtractAudioPP), all free of windows.
// Header only, so the stand-in and its tests share it without a change to the build lists.
#ifndef VIDMORA_STANDIN_MERGE_H
#define VIDMORA_STANDIN_MERGE_H

#include <math.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "page.h"
#include "table.h"

enum {
    STANDIN_MERGE_PATH = 4096 + 256,  // a destination plus the added ".fCODE.EXT" parts
    STANDIN_MERGE_ARGS = 28,          // ffmpeg's arguments, every map of two inputs included
    STANDIN_MERGE_TEXT = 256          // bytes of one alternative of a --format text
};

// What a --format text selects: one format, or two that are merged.
struct StandinMergePick {
    int count;     // 1 or 2
    int codes[2];  // in the order given, which is ffmpeg's input order
};

// A format without facts counts as having both, as a format dict without codecs does.
static inline int StandinHasVideo(int code)
{
    const StandinFormatFacts *f = StandinFindFacts(code);
    return !f || strcmp(f->vcodec, "none") != 0;
}

static inline int StandinHasAudio(int code)
{
    const StandinFormatFacts *f = StandinFindFacts(code);
    return !f || strcmp(f->acodec, "none") != 0;
}

// One selector ("137", "best", "bestaudio", "bestvideo", each optionally with "[ext=EXT]")
// on the page, best first: the code it picks, or 0.
static inline int standinPickOne(const StandinPage *page, const char *term)
{
    char word[STANDIN_MERGE_TEXT];
    snprintf(word, sizeof word, "%s", term);
    const char *ext = NULL;
    char *open = strchr(word, '[');
    if (open) {
        size_t len = strlen(open);
        if (strncmp(open, "[ext=", 5) != 0 || len < 7 || open[len - 1] != ']')
            return 0;  // the only filter the stand-in knows
        open[len - 1] = '\0';
        ext = open + 5;
        *open = '\0';
    }
    int kind;  // 0: any, 1: picture only, 2: sound only, 3: this code
    int wanted = 0;
    if (strcmp(word, "best") == 0) {
        kind = 0;
    } else if (strcmp(word, "bestvideo") == 0) {
        kind = 1;
    } else if (strcmp(word, "bestaudio") == 0) {
        kind = 2;
    } else {
        kind = 3;
        for (const char *p = word; *p; p++) {
            if (*p < '0' || *p > '9' || wanted > STANDIN_MAX_CODE)
                return 0;
            wanted = wanted * 10 + (*p - '0');
        }
    }
    for (int i = 0; i < page->formatCount; i++) {
        int code = page->formats[i];
        int video = StandinHasVideo(code), audio = StandinHasAudio(code);
        if ((kind == 1 && (audio || !video)) || (kind == 2 && (video || !audio)) ||
            (kind == 3 && code != wanted))
            continue;
        if (ext && strcmp(StandinFormatExt(page, code), ext) != 0)
            continue;
        return code;
    }
    return 0;
}

// `a`, merged with `b` unless b is 0. yt-dlp's _merge keeps one format with pictures and one
// with sound, so b goes when it brings a kind a has.
static inline void standinSetPick(StandinMergePick *pick, int a, int b)
{
    int clash = (StandinHasVideo(a) && StandinHasVideo(b)) ||
                (StandinHasAudio(a) && StandinHasAudio(b));
    pick->count = b && !clash ? 2 : 1;
    pick->codes[0] = a;
    pick->codes[1] = pick->count == 2 ? b : 0;
}

// Picks formats as yt-dlp reads a --format text: alternatives split by '/' are tried in
// order and the first whose every part the page offers wins; parts joined by '+' are
// merged. Of two merged formats yt-dlp keeps only one with pictures and one with sound,
// so a second one that repeats a kind is dropped. Returns 0 when no alternative works.
static inline int StandinPickFormats(const StandinPage *page, const char *text,
                                     StandinMergePick *pick)
{
    const char *p = text;
    for (;;) {
        size_t n = strcspn(p, "/");
        char alt[STANDIN_MERGE_TEXT];
        if (n < sizeof alt) {
            memcpy(alt, p, n);
            alt[n] = '\0';
            char *plus = strchr(alt, '+');
            if (plus)
                *plus = '\0';
            int a = standinPickOne(page, alt);
            int b = plus && !strchr(plus + 1, '+') ? standinPickOne(page, plus + 1) : 0;
            if (a && (!plus || b)) {
                standinSetPick(pick, a, b);
                return 1;
            }
        }
        if (p[n] != '/')
            return 0;
        p += n + 1;
    }
}

// yt-dlp's own choice without --format (YoutubeDL._default_format_spec): where ffmpeg can
// merge, "bestvideo*+bestaudio/best", else "best/bestvideo+bestaudio". bestvideo* is the best
// format with pictures, sound or not; bestvideo one with pictures only, bestaudio one with
// sound only; best the best with both, or on a page that lacks all pictures or all sound its
// best format. The page lists its formats best first. 0 when nothing fits.
static inline int StandinDefaultFormats(const StandinPage *page, int canMerge,
                                        StandinMergePick *pick)
{
    int anyVideo = 0, anyAudio = 0, withVideo = 0, videoOnly = 0, audioOnly = 0, both = 0;
    for (int i = page->formatCount - 1; i >= 0; i--) {  // backwards, so the best is kept
        int code = page->formats[i];
        int video = StandinHasVideo(code), audio = StandinHasAudio(code);
        anyVideo |= video;
        anyAudio |= audio;
        withVideo = video ? code : withVideo;
        videoOnly = video && !audio ? code : videoOnly;
        audioOnly = audio && !video ? code : audioOnly;
        both = video && audio ? code : both;
    }
    int best = both                                                    ? both
               : page->formatCount > 0 && (!anyVideo || !anyAudio) ? page->formats[0]
                                                                   : 0;
    if (canMerge && withVideo && audioOnly)
        standinSetPick(pick, withVideo, audioOnly);
    else if (best)
        standinSetPick(pick, best, 0);
    else if (!canMerge && videoOnly && audioOnly)
        standinSetPick(pick, videoOnly, audioOnly);
    else
        return 0;
    return 1;
}

// "avi", "flv", "mkv", "mov", "mp4" or "webm" (yt-dlp's check only looks at the start).
static inline int StandinMergeFormatValid(const char *value)
{
    static const char *const kExts[] = {"avi", "flv", "mkv", "mov", "mp4", "webm"};
    for (size_t i = 0; i < sizeof kExts / sizeof kExts[0]; i++)
        if (strncmp(value, kExts[i], strlen(kExts[i])) == 0)
            return 1;
    return 0;
}

// A codec as yt-dlp compares them: its first dotted part without zeros ("av01.0.08M.08"
// is "av1"); "" when unknown.
static inline void standinPlainCodec(const char *codec, char *out, size_t outSize)
{
    size_t n = 0;
    for (; codec && *codec && *codec != '.' && n + 1 < outSize; codec++)
        if (*codec != '0')
            out[n++] = (char)(*codec >= 'A' && *codec <= 'Z' ? *codec + 32 : *codec);
    out[n] = '\0';
}

static inline int standinInList(const char *word, const char *const *list)
{
    for (; *list; list++)
        if (word[0] && strcmp(word, *list) == 0)
            return 1;
    return 0;
}

// The extension of the merged file, as yt-dlp's get_compatible_ext chooses it for one
// picture and one sound format: the --merge-output-format value (mergeFormat, NULL when
// not given; one value, not a list), else mp4 or webm when both fit, else mkv.
static inline const char *StandinMergeExt(const StandinPage *page, const StandinMergePick *pick,
                                          const char *mergeFormat)
{
    if (mergeFormat)
        return mergeFormat;  // a single preference wins whatever fits
    static const char *const kMp4Codecs[] = {"av1", "hevc", "avc1", "mp4a", "ac-4",
                                             "h264", "aacl", "ec-3", NULL};
    static const char *const kWebmCodecs[] = {"av1", "vp9", "vp8", "opus", "vrbs",
                                              "vp9x", "vp8x", NULL};
    static const char *const kMp4Exts[] = {"mp3", "mp4", "m4a", "m4p", "m4b", "m4r",
                                           "m4v", "ismv", "isma", "mov", NULL};
    static const char *const kWebmExts[] = {"webm", "weba", NULL};
    int video = StandinHasVideo(pick->codes[0]) ? pick->codes[0] : pick->codes[1];
    int audio = video == pick->codes[0] ? pick->codes[1] : pick->codes[0];
    const StandinFormatFacts *vf = StandinFindFacts(video);
    const StandinFormatFacts *af = StandinFindFacts(audio);
    char vcodec[32], acodec[32];
    standinPlainCodec(vf ? vf->vcodec : NULL, vcodec, sizeof vcodec);
    standinPlainCodec(af ? af->acodec : NULL, acodec, sizeof acodec);
    if (standinInList(vcodec, kMp4Codecs) && standinInList(acodec, kMp4Codecs))
        return "mp4";
    if (standinInList(vcodec, kWebmCodecs) && standinInList(acodec, kWebmCodecs))
        return "webm";
    const char *vext = StandinFormatExt(page, video);
    const char *aext = StandinFormatExt(page, audio);
    if (strcmp(vext, aext) == 0 || (standinInList(vext, kMp4Exts) && standinInList(aext, kMp4Exts)) ||
        (standinInList(vext, kWebmExts) && standinInList(aext, kWebmExts)))
        return vext;
    return "mkv";
}

// Python's os.path.splitext for a Windows path: where the extension's dot is, or the
// length when there is none (dots that lead the base name do not count).
static inline size_t StandinExtStart(const char *path)
{
    size_t len = strlen(path);
    const char *dot = strrchr(path, '.');
    const char *slash = strrchr(path, '\\');
    const char *alt = strrchr(path, '/');
    if (alt && (!slash || alt > slash))
        slash = alt;
    if (!dot || (slash && dot < slash))
        return len;
    for (const char *p = slash ? slash + 1 : path; p < dot; p++)
        if (*p != '.')
            return (size_t)(dot - path);
    return len;
}

// yt-dlp's correct_ext for a merged download whose extension is mergeExt: the file's own
// extension goes when it is mergeExt, then ".ext" follows.
static inline int StandinCorrectExt(const char *path, const char *mergeExt, const char *ext,
                                    char *out, size_t outSize)
{
    size_t at = StandinExtStart(path);
    if (path[at] == '\0' || strcmp(path + at + 1, mergeExt) != 0)
        at = strlen(path);
    int n = snprintf(out, outSize, "%.*s.%s", (int)at, path, ext);
    return n >= 0 && (size_t)n < outSize;
}

// yt-dlp's prepend_extension: "name.ext.real" when the file's own extension is `expected`
// (or expected is NULL), else "path.ext".
static inline int StandinPrependExt(const char *path, const char *ext, const char *expected,
                                    char *out, size_t outSize)
{
    size_t at = StandinExtStart(path);
    int n;
    if (!expected || !expected[0] || (path[at] && strcmp(path + at + 1, expected) == 0))
        n = snprintf(out, outSize, "%.*s.%s%s", (int)at, path, ext, path + at);
    else
        n = snprintf(out, outSize, "%s.%s", path, ext);
    return n >= 0 && (size_t)n < outSize;
}

// ---- -x: the sound of the download as its own file --------------------------------

// yt-dlp's replace_extension: "name.ext" when the file's own extension is `expected` (or
// expected is NULL), else "path.ext".
static inline int StandinReplaceExt(const char *path, const char *ext, const char *expected,
                                    char *out, size_t outSize)
{
    size_t at = StandinExtStart(path);
    if (expected && expected[0] && (!path[at] || strcmp(path + at + 1, expected) != 0))
        at = strlen(path);
    int n = snprintf(out, outSize, "%.*s.%s", (int)at, path, ext);
    return n >= 0 && (size_t)n < outSize;
}

// youtube-dl's new name for the converted file: path.rpartition('.') with the new extension,
// so a path without any dot becomes the extension alone.
static inline int StandinSwapAfterLastDot(const char *path, const char *ext, char *out,
                                          size_t outSize)
{
    const char *dot = strrchr(path, '.');
    int n = snprintf(out, outSize, "%.*s%s", dot ? (int)(dot - path + 1) : 0, path, ext);
    return n >= 0 && (size_t)n < outSize;
}

// One --audio-format value: yt-dlp's ACODECS (postprocessor/ffmpeg.py) with the styles that
// take it.
struct StandinAudioCodec {
    const char *name;
    const char *ext;      // yt-dlp's extension; youtube-dl's is the name (vorbis: ogg)
    const char *encoder;  // NULL: no -acodec
    const char *opt[2];   // the table's own arguments
    int oldest;           // the oldest style that takes it
};

static inline const StandinAudioCodec *StandinFindAudioCodec(const char *name)
{
    static const StandinAudioCodec kCodecs[] = {
        {"mp3", "mp3", "libmp3lame", {NULL, NULL}, STANDIN_STYLE_2013},
        {"aac", "m4a", "aac", {"-f", "adts"}, STANDIN_STYLE_2013},
        {"m4a", "m4a", "aac", {"-bsf:a", "aac_adtstoasc"}, STANDIN_STYLE_2013},
        {"opus", "opus", "libopus", {NULL, NULL}, STANDIN_STYLE_2013},
        {"vorbis", "ogg", "libvorbis", {NULL, NULL}, STANDIN_STYLE_2013},
        {"flac", "flac", "flac", {NULL, NULL}, STANDIN_STYLE_YOUTUBE_DL},
        {"alac", "m4a", NULL, {"-acodec", "alac"}, STANDIN_STYLE_YT_DLP},
        {"wav", "wav", NULL, {"-f", "wav"}, STANDIN_STYLE_2013},
    };
    for (size_t i = 0; name && i < sizeof kCodecs / sizeof kCodecs[0]; i++)
        if (strcmp(name, kCodecs[i].name) == 0)
            return &kCodecs[i];
    return NULL;
}

// The --audio-format values a style takes: "best" or a codec of its table (one value; yt-dlp
// would also take "A>B/C" rules).
static inline int StandinAudioFormatValid(int style, const char *value)
{
    const StandinAudioCodec *c = StandinFindAudioCodec(value);
    return strcmp(value, "best") == 0 || (c && c->oldest <= style);
}

// Python's float() of a text: blanks around it, a sign, decimal digits with a point and an
// exponent, or inf, infinity and nan in any case. 0 when it is no number.
static inline int StandinParseFloat(const char *text, double *value)
{
    static const char kBlank[] = " \t\n\r\v\f";
    const char *p = text + strspn(text, kBlank);
    size_t len = strlen(p);
    while (len > 0 && strchr(kBlank, p[len - 1]))
        len--;
    char word[64];
    if (len == 0 || len >= sizeof word)
        return 0;
    memcpy(word, p, len);
    word[len] = '\0';
    const char *q = word + (word[0] == '+' || word[0] == '-');
    static const char *const kWords[] = {"inf", "infinity", "nan"};
    int named = 0;
    for (size_t i = 0; i < 3; i++) {
        size_t k = 0;
        while (q[k] && kWords[i][k] && (q[k] | 0x20) == kWords[i][k])
            k++;
        named |= !q[k] && !kWords[i][k];
    }
    size_t whole = strspn(q, "0123456789");
    size_t part = q[whole] == '.' ? strspn(q + whole + 1, "0123456789") : 0;
    const char *e = q + whole + (q[whole] == '.') + part;
    if (!named && whole + part == 0)
        return 0;
    if (!named && (*e == 'e' || *e == 'E')) {
        const char *d = e + 1 + (e[1] == '+' || e[1] == '-');
        size_t digits = strspn(d, "0123456789");
        e = digits ? d + digits : e;
    }
    if (!named && *e)
        return 0;
    *value = named && (q[0] | 0x20) == 'n' ? NAN : strtod(word, NULL);
    if (named && (q[0] | 0x20) == 'i')
        *value = word[0] == '-' ? -INFINITY : INFINITY;
    return 1;
}

// Python's repr of a float ("0.0", "5.0", "3.3000000000000003", "1e+16", "inf"): the shortest
// digits that read back the same, in fixed notation unless the exponent is below -4 or
// above 15.
static inline void StandinPyFloat(double v, char *out, size_t outSize)
{
    if (v != v || v == INFINITY || v == -INFINITY) {
        snprintf(out, outSize, "%s", v != v ? "nan" : v > 0 ? "inf" : "-inf");
        return;
    }
    char sci[40];
    for (int p = 1; p <= 17; p++) {
        snprintf(sci, sizeof sci, "%.*e", p - 1, v);
        if (strtod(sci, NULL) == v)
            break;
    }
    // sci is "-d.ddde+XX": its digits and exponent.
    char digits[24];
    size_t n = 0;
    const char *c = sci + (sci[0] == '-');
    for (; *c && *c != 'e' && n + 1 < sizeof digits; c++)
        if (*c != '.')
            digits[n++] = *c;
    digits[n] = '\0';
    int exp = atoi(c + 1);
    const char *sign = sci[0] == '-' ? "-" : "";
    static const char kZeros[] = "0000000000000000";
    if (exp < -4 || exp > 15)
        snprintf(out, outSize, "%s%c%s%se%c%02d", sign, digits[0], n > 1 ? "." : "",
                 digits + 1, exp < 0 ? '-' : '+', exp < 0 ? -exp : exp);
    else if (exp < 0)
        snprintf(out, outSize, "%s0.%.*s%s", sign, -exp - 1, kZeros, digits);
    else if ((size_t)exp + 1 < n)
        snprintf(out, outSize, "%s%.*s.%s", sign, exp + 1, digits, digits + exp + 1);
    else
        snprintf(out, outSize, "%s%s%.*s.0", sign, digits, exp + 1 - (int)n, kZeros);
}

// --audio-quality as the tools check it: the text without the k and K around it (Python's
// strip('k').strip('K')) into `stripped`. yt-dlp takes any text whose number (0 if it is
// none) is not negative once cut to a whole one; youtube-dl takes digits only. 0 when
// refused, with *cut the whole number yt-dlp names.
static inline int StandinCheckQuality(int style, const char *given, char *stripped,
                                      size_t size, double *cut)
{
    size_t begin = 0, end = strlen(given);
    for (const char *k = "kK"; *k; k++) {
        while (begin < end && given[begin] == *k)
            begin++;
        while (end > begin && given[end - 1] == *k)
            end--;
    }
    snprintf(stripped, size, "%.*s", (int)(end - begin), given + begin);
    if (!stripped[0])
        return 1;
    if (style != STANDIN_STYLE_YT_DLP)
        return strspn(stripped, "0123456789") == strlen(stripped);
    double v = 0;
    *cut = StandinParseFloat(stripped, &v) && isfinite(v) ? trunc(v) : 0;
    return *cut >= 0;
}

// What ffmpeg is asked to do with the sound (the arguments after -vn) and the new file's
// extension.
struct StandinAudioPlan {
    char ext[16];
    int copy;  // "-acodec copy": the sound is kept as it is
    int count;
    char arg[6][48];
};

static inline void standinPlanArg(StandinAudioPlan *plan, const char *a)
{
    if (a && plan->count < 6)
        snprintf(plan->arg[plan->count++], sizeof plan->arg[0], "%s", a);
}

// The quality arguments for an encoder. yt-dlp's _quality_args: above 10 a bit rate "-b:a
// {q}k", else "-q:a" with the quality mapped onto the encoder's range, both printed as
// Python prints a float. youtube-dl: "-q:a Q" below 10 (not for opus), else "-b:a Qk".
static inline void standinQualityArgs(int style, const char *encoder, const char *ext,
                                      const char *quality, StandinAudioPlan *plan)
{
    char text[48];
    double pq;
    if (style != STANDIN_STYLE_YT_DLP) {
        const char *digits = quality + strspn(quality, "0");
        int below10 = strlen(digits) <= 1 && strcmp(ext, "opus") != 0;
        snprintf(text, sizeof text, below10 ? "%s" : "%sk", quality);
        standinPlanArg(plan, below10 ? "-q:a" : "-b:a");
        standinPlanArg(plan, text);
        return;
    }
    if (!quality[0] || !StandinParseFloat(quality, &pq))
        return;
    if (pq > 10) {
        StandinPyFloat(pq, text, sizeof text - 1);
        strcat(text, "k");
        standinPlanArg(plan, "-b:a");
        standinPlanArg(plan, text);
        return;
    }
    static const struct {
        const char *encoder;
        double worst, best;
    } kLimits[] = {{"libmp3lame", 10, 0}, {"libvorbis", 0, 10}, {"aac", 0.1, 4}};
    for (size_t i = 0; encoder && i < sizeof kLimits / sizeof kLimits[0]; i++) {
        if (strcmp(encoder, kLimits[i].encoder) != 0)
            continue;
        double q = kLimits[i].best + (kLimits[i].worst - kLimits[i].best) * (pq / 10);
        StandinPyFloat(q, text, sizeof text);
        standinPlanArg(plan, "-q:a");
        standinPlanArg(plan, text);
    }
}

// The conversion of a file whose sound ffmpeg names `filecodec` to --audio-format `target`,
// as FFmpegExtractAudioPP.run decides it (yt-dlp: the ACODECS table, its _quality_args
// replacing the table's own arguments when the sound is converted; youtube-dl: its own
// branches). `quality` is --audio-quality as StandinCheckQuality left it.
static inline void StandinPlanAudio(int style, const char *target, const char *filecodec,
                                    const char *quality, StandinAudioPlan *plan)
{
    static const char *const kKept[] = {"aac", "flac", "mp3", "vorbis", "opus", NULL};
    memset(plan, 0, sizeof *plan);
    int ytdlp = style == STANDIN_STYLE_YT_DLP;
    int best = strcmp(target, "best") == 0;
    int same = strcmp(target, filecodec) == 0;
    const StandinAudioCodec *row;
    const char *ext;
    if (strcmp(filecodec, "aac") == 0 && (best || strcmp(target, "m4a") == 0)) {
        row = StandinFindAudioCodec("m4a");  // lossless, in another container
        plan->copy = 1;
        ext = row->ext;
    } else if ((best || same) && (ytdlp ? StandinFindAudioCodec(filecodec) != NULL
                                        : standinInList(filecodec, kKept))) {
        row = StandinFindAudioCodec(filecodec);  // lossless if possible
        plan->copy = 1;
        ext = ytdlp ? row->ext : strcmp(filecodec, "vorbis") == 0 ? "ogg" : filecodec;
    } else {
        row = StandinFindAudioCodec(best || same ? "mp3" : target);  // else mp3
        ext = ytdlp || best || same ? row->ext : strcmp(target, "vorbis") == 0 ? "ogg" : target;
    }
    snprintf(plan->ext, sizeof plan->ext, "%s", ext);
    const char *acodec = plan->copy ? "copy" : row->encoder;
    standinPlanArg(plan, acodec ? "-acodec" : NULL);
    standinPlanArg(plan, acodec);
    if (!plan->copy)
        standinQualityArgs(style, row->encoder, ext, quality, plan);
    // yt-dlp keeps the table's arguments only for a copy; youtube-dl adds them after the
    // quality, and for a copy of aac it writes ADTS.
    if (plan->copy ? ytdlp || row == StandinFindAudioCodec("m4a") : !ytdlp && !best && !same) {
        standinPlanArg(plan, row->opt[0]);
        standinPlanArg(plan, row->opt[1]);
    } else if (!ytdlp && plan->copy && strcmp(filecodec, "aac") == 0) {
        standinPlanArg(plan, "-f");
        standinPlanArg(plan, "adts");
    }
}

// Every file of a merged download.
struct StandinMergeNames {
    char final[STANDIN_MERGE_PATH];    // what the merge leaves
    char temp[STANDIN_MERGE_PATH];     // what ffmpeg writes, renamed to final
    char part[2][STANDIN_MERGE_PATH];  // the downloaded formats, each first as its ".part"
};

// The names yt-dlp gives for the -o destination `dest`: the final file is dest with its
// extension corrected to mergeExt, each part that name with the part's own extension and
// ".fCODE" before it, the temporary file the final one with ".temp" before its extension.
// 0 when a name does not fit.
static inline int StandinMergeFileNames(const StandinPage *page, const StandinMergePick *pick,
                                        const char *dest, const char *mergeExt,
                                        StandinMergeNames *names)
{
    char base[STANDIN_MERGE_PATH];
    char code[16];
    int ok = StandinCorrectExt(dest, mergeExt, mergeExt, names->final, sizeof names->final) &&
             StandinPrependExt(names->final, "temp", NULL, names->temp, sizeof names->temp);
    for (int i = 0; i < 2 && ok; i++) {
        const char *ext = StandinFormatExt(page, pick->codes[i]);
        snprintf(code, sizeof code, "f%d", pick->codes[i]);
        ok = StandinCorrectExt(names->final, mergeExt, ext, base, sizeof base) &&
             StandinPrependExt(base, code, ext, names->part[i], sizeof names->part[i]);
    }
    return ok;
}

// The program yt-dlp runs as ffmpeg for --ffmpeg-location: the location itself when it
// names a file, else "ffmpeg" in that folder, joined as Python's ntpath.join does
// (Windows then finds ffmpeg.exe).
static inline int StandinFfmpegProgram(const char *location, int isFolder, char *out,
                                       size_t outSize)
{
    size_t len = strlen(location);
    int joined = len > 0 && strchr("\\/:", location[len - 1]) != NULL;
    int n = isFolder ? snprintf(out, outSize, "%s%sffmpeg", location, joined ? "" : "\\")
                     : snprintf(out, outSize, "%s", location);
    return n >= 0 && (size_t)n < outSize;
}

// An argument list with its texts in one buffer.
struct StandinArgList {
    int count;
    const char *arg[STANDIN_MERGE_ARGS];
    char text[5 * STANDIN_MERGE_PATH + 256];
    size_t used;
    int ok;
};

static inline void standinAddArg(StandinArgList *list, const char *prefix, const char *value)
{
    size_t room = sizeof list->text - list->used;
    int n = snprintf(list->text + list->used, room, "%s%s", prefix, value);
    if (!list->ok || list->count >= STANDIN_MERGE_ARGS || n < 0 || (size_t)n >= room) {
        list->ok = 0;
        return;
    }
    list->arg[list->count++] = list->text + list->used;
    list->used += (size_t)n + 1;
}

// Every ffmpeg run of yt-dlp's starts so (real_run_ffmpeg).
static inline void standinStartFfmpeg(StandinArgList *list, const char *program)
{
    static const char *const kStart[] = {"-y", "-loglevel", "repeat+info"};
    list->count = 0;
    list->used = 0;
    list->ok = 1;
    standinAddArg(list, "", program);
    for (size_t i = 0; i < sizeof kStart / sizeof kStart[0]; i++)
        standinAddArg(list, "", kStart[i]);
}

// yt-dlp's ffmpeg command for the merge (FFmpegMergerPP and real_run_ffmpeg): every input
// after "-i" with "file:" before it, "-c copy", for each input "-map N:a:0" when it has
// sound and "-map N:v:0" when it has pictures, "-movflags +faststart" for the output
// whatever its type, then the output. `fail` adds a map of a subtitle stream, which no
// part has, so that ffmpeg stops with an error as a broken merge does.
static inline int StandinMergeArgs(const char *program, const StandinMergeNames *names,
                                   const StandinMergePick *pick, int fail, StandinArgList *list)
{
    char map[16];
    standinStartFfmpeg(list, program);
    for (int i = 0; i < 2; i++) {
        standinAddArg(list, "", "-i");
        standinAddArg(list, "file:", names->part[i]);
    }
    standinAddArg(list, "", "-c");
    standinAddArg(list, "", "copy");
    for (int i = 0; i < 2; i++) {
        if (StandinHasAudio(pick->codes[i])) {
            snprintf(map, sizeof map, "%d:a:0", i);
            standinAddArg(list, "", "-map");
            standinAddArg(list, "", map);
        }
        if (StandinHasVideo(pick->codes[i])) {
            snprintf(map, sizeof map, "%d:v:0", i);
            standinAddArg(list, "", "-map");
            standinAddArg(list, "", map);
        }
    }
    if (fail) {
        standinAddArg(list, "", "-map");
        standinAddArg(list, "", "1:s:0");
    }
    standinAddArg(list, "", "-movflags");
    standinAddArg(list, "", "+faststart");
    standinAddArg(list, "file:", names->temp);
    return list->ok;
}

// One command line from the arguments, quoted as Python's subprocess.list2cmdline does,
// so ffmpeg's C runtime splits it back into the same list.
static inline int StandinQuoteArgs(const StandinArgList *list, char *out, size_t outSize)
{
    size_t n = 0;
    int ok = outSize > 0;
    for (int i = 0; i < list->count && ok; i++) {
        const char *a = list->arg[i];
        int quote = a[0] == '\0' || strpbrk(a, " \t") != NULL;
        char piece[2 * STANDIN_MERGE_PATH + 8];
        size_t m = 0;
        size_t slashes = 0;
        if (i > 0)
            piece[m++] = ' ';
        if (quote)
            piece[m++] = '"';
        for (; *a && m + 2 * slashes + 4 < sizeof piece; a++) {
            if (*a == '\\') {
                slashes++;
                continue;
            }
            // Backslashes before a quote are doubled and the quote escaped.
            size_t copies = *a == '"' ? 2 * slashes + 1 : slashes;
            for (size_t k = 0; k < copies; k++)
                piece[m++] = '\\';
            slashes = 0;
            piece[m++] = *a;
        }
        if (*a) {
            ok = 0;
            break;
        }
        // Trailing backslashes, doubled before the closing quote.
        for (size_t k = 0; k < (quote ? 2 * slashes : slashes) && m + 2 < sizeof piece; k++)
            piece[m++] = '\\';
        if (quote)
            piece[m++] = '"';
        if (n + m >= outSize) {
            ok = 0;
            break;
        }
        memcpy(out + n, piece, m);
        n += m;
    }
    if (outSize > 0)
        out[n] = '\0';
    return ok;
}

// The last line of a program's output as yt-dlp quotes ffmpeg's error (Python's
// text.strip().splitlines()[-1], line breaks as it knows them in ASCII); "" for none.
static inline void StandinLastLine(const char *text, char *out, size_t outSize)
{
    static const char kSpace[] = " \t\n\r\v\f\x1c\x1d\x1e\x1f";
    static const char kBreak[] = "\n\r\v\f\x1c\x1d\x1e";
    size_t begin = strspn(text, kSpace);
    size_t end = strlen(text);
    while (end > begin && strchr(kSpace, text[end - 1]))
        end--;
    size_t start = end;
    while (start > begin && !strchr(kBreak, text[start - 1]))
        start--;
    snprintf(out, outSize, "%.*s", (int)(end - start), text + start);
}

// ffmpeg with one input and one output, as real_run_ffmpeg builds it: "-y -loglevel
// repeat+info -i file:IN", the options, for yt-dlp "-movflags +faststart", then `fail`'s map of
// a subtitle stream the input lacks (where --postprocessor-args would go) and "file:OUT".
// youtube-dl adds no -movflags.
static inline int StandinFfmpegArgs(int style, const char *program, const char *in,
                                    const char *const *opts, int count, int fail,
                                    const char *out, StandinArgList *list)
{
    standinStartFfmpeg(list, program);
    standinAddArg(list, "", "-i");
    standinAddArg(list, "file:", in);
    for (int i = 0; i < count; i++)
        standinAddArg(list, "", opts[i]);
    if (style == STANDIN_STYLE_YT_DLP) {
        standinAddArg(list, "", "-movflags");
        standinAddArg(list, "", "+faststart");
    }
    if (fail) {
        standinAddArg(list, "", "-map");
        standinAddArg(list, "", "0:s:0");
    }
    standinAddArg(list, "file:", out);
    return list->ok;
}

// The sound's codec as get_audio_codec reads it from ffmpeg -i: the first match of
// Stream\s*#\d+:\d+(?:\[0x[0-9a-f]+\])?(?:\([a-z]{3}\))?:\s*Audio:\s*([0-9a-z]+). 0 for none.
static inline int StandinProbedCodec(const char *text, char *out, size_t outSize)
{
    static const char kBlank[] = " \t\n\r\v\f";
    static const char kDigits[] = "0123456789";
    for (const char *s = strstr(text, "Stream"); s; s = strstr(s + 1, "Stream")) {
        const char *p = s + 6;
        p += strspn(p, kBlank);
        size_t d;
        if (*p++ != '#' || !(d = strspn(p, kDigits)) || p[d] != ':')
            continue;
        p += d + 1;
        if (!(d = strspn(p, kDigits)))
            continue;
        p += d;
        size_t hex = strncmp(p, "[0x", 3) == 0 ? strspn(p + 3, "0123456789abcdef") : 0;
        if (hex && p[3 + hex] == ']')
            p += 4 + hex;
        if (*p == '(' && strspn(p + 1, "abcdefghijklmnopqrstuvwxyz") >= 3 && p[4] == ')')
            p += 5;
        if (*p++ != ':')
            continue;
        p += strspn(p, kBlank);
        if (strncmp(p, "Audio:", 6) != 0)
            continue;
        p += 6;
        p += strspn(p, kBlank);
        if (!(d = strspn(p, "0123456789abcdefghijklmnopqrstuvwxyz")))
            continue;
        snprintf(out, outSize, "%.*s", (int)d, p);
        return 1;
    }
    return 0;
}

enum { STANDIN_CUT_MP3 = 10 + 25 + 2 * 417 };

// The start of an MP3 as ffmpeg 4.1 writes one, cut: an ID3v2.4 tag naming the encoder
// (TSSE "Lavf58.20.100") and two silent MPEG-1 layer III frames (128 kbit/s, 44.1 kHz,
// 417 bytes each), so ffmpeg still reads it as mp3. buf needs STANDIN_CUT_MP3 bytes.
static inline size_t StandinCutMp3(unsigned char *buf)
{
    static const unsigned char kTag[] = "ID3\x04\x00\x00\x00\x00\x00\x19"
                                        "TSSE\x00\x00\x00\x0f\x00\x00\x03Lavf58.20.100";
    static const unsigned char kFrame[] = {0xFF, 0xFB, 0x90, 0x64};
    memset(buf, 0, STANDIN_CUT_MP3);
    memcpy(buf, kTag, sizeof kTag);  // with the encoding's closing NUL
    for (size_t i = 0; i < 2; i++)
        memcpy(buf + 35 + 417 * i, kFrame, sizeof kFrame);
    return STANDIN_CUT_MP3;
}

#endif
