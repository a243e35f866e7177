// yt-dlp's download of a picture-only and a sound-only format that ffmpeg then merges
// into one file: which formats a --format text picks, the names of the parts, the
// temporary and the final file, and ffmpeg's argument list, all free of windows.
// Header only, so the stand-in and its tests share it without a change to the build lists.
#ifndef VIDMORA_STANDIN_MERGE_H
#define VIDMORA_STANDIN_MERGE_H

#include <stddef.h>
#include <stdio.h>
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

#endif
