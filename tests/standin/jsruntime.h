// yt-dlp's JavaScript runtimes (2025.11.12 and later), free of windows: which ones a command
// line enables, which versions a release supports, the arguments each is run with, and the
// challenge the stand-in's pages pose them. Header only, like knows.h.
#ifndef VIDMORA_STANDIN_JSRUNTIME_H
#define VIDMORA_STANDIN_JSRUNTIME_H

#include <stddef.h>
#include <stdio.h>
#include <string.h>

#include "merge.h"
#include "page.h"
#include "version.h"

// The runtimes yt-dlp knows, in its order of priority, highest first.
enum { STANDIN_JS_DENO, STANDIN_JS_NODE, STANDIN_JS_QUICKJS, STANDIN_JS_BUN, STANDIN_JS_KINDS };

static inline const char *StandinJsName(int kind)
{
    static const char *const kNames[] = {"deno", "node", "quickjs", "bun"};
    return kNames[kind];
}

enum { STANDIN_JS_IGNORED = 1024, STANDIN_JS_NAME = 256 };

// The runtimes a run may use: yt-dlp's dict of them, NAME to an optional PATH.
struct StandinJsList {
    int enabled[STANDIN_JS_KINDS];
    const char *path[STANDIN_JS_KINDS];  // NULL or "": NAME.exe is searched for
    int ignoredCount;                    // names it does not support, each once,
    char ignored[STANDIN_JS_IGNORED];    // with ", " between them
};

// The NAME of a --js-runtimes value: up to its first ':', lower-cased as yt-dlp does (ASCII).
static inline size_t standinJsValueName(const char *value, char *out)
{
    size_t len = strcspn(value, ":");
    size_t n = 0;
    for (; n < len && n + 1 < STANDIN_JS_NAME; n++)
        out[n] = (char)(value[n] >= 'A' && value[n] <= 'Z' ? value[n] + 32 : value[n]);
    out[n] = '\0';
    return len;
}

// What yt-dlp makes of its --js-runtimes values: deno unless --no-js-runtimes cleared it
// (values holds those after the last clear), then each NAME[:PATH]; a name given again
// keeps its last PATH. Names it does not support are dropped and listed in `ignored`.
static inline void StandinJsResolve(int cleared, const char *const *values, int count,
                                    StandinJsList *list)
{
    memset(list, 0, sizeof *list);
    list->enabled[STANDIN_JS_DENO] = !cleared;
    size_t used = 0;
    for (int i = 0; i < count; i++) {
        char name[STANDIN_JS_NAME];
        char earlier[STANDIN_JS_NAME];
        size_t len = standinJsValueName(values[i], name);
        int kind = 0;
        while (kind < STANDIN_JS_KINDS && strcmp(name, StandinJsName(kind)) != 0)
            kind++;
        if (kind < STANDIN_JS_KINDS) {
            list->enabled[kind] = 1;
            list->path[kind] = values[i][len] == ':' ? values[i] + len + 1 : NULL;
            continue;
        }
        int repeated = 0;
        for (int j = 0; j < i && !repeated; j++) {
            standinJsValueName(values[j], earlier);
            repeated = strcmp(name, earlier) == 0;
        }
        if (repeated)
            continue;
        int w = used < sizeof list->ignored
                    ? snprintf(list->ignored + used, sizeof list->ignored - used, "%s%s",
                               list->ignoredCount ? ", " : "", name)
                    : 0;
        used += w > 0 ? (size_t)w : 0;
        list->ignoredCount++;
    }
}

// yt-dlp's runtime_version_tuple: the dot-separated groups, one that is not a number
// counting as 0. Returns how many groups there are (at most cap are kept).
static inline int standinVersionTuple(const char *text, long long *parts, int cap)
{
    int count = 0;
    for (const char *p = text;; p++) {
        size_t len = strcspn(p, ".");
        long long value = len > 0 ? 0 : -1;
        for (size_t i = 0; i < len && value >= 0; i++)
            value = p[i] < '0' || p[i] > '9' ? -1
                    : value > 100000000000LL ? value  // no larger release exists
                                             : value * 10 + (p[i] - '0');
        if (count < cap)
            parts[count] = value < 0 ? 0 : value;
        count++;
        p += len;
        if (*p != '.')
            return count;
    }
}

// Python's comparison of two version tuples: group by group, a shorter one that is the
// start of the other being the smaller ("22" < "22.0.0").
static inline int StandinCompareVersions(const char *a, const char *b)
{
    long long pa[8], pb[8];
    int na = standinVersionTuple(a, pa, 8), nb = standinVersionTuple(b, pb, 8);
    na = na < 8 ? na : 8;
    nb = nb < 8 ? nb : 8;
    for (int i = 0; i < na && i < nb; i++)
        if (pa[i] != pb[i])
            return pa[i] < pb[i] ? -1 : 1;
    return na == nb ? 0 : na < nb ? -1 : 1;
}

// The version in a runtime's --version output, read as yt-dlp's detect_exe_version does:
// at the very start, node's "v" or deno's "deno " and then the word that follows;
// "unknown" without one.
static inline void StandinJsVersion(int kind, const char *output, char *out, size_t outSize)
{
    static const char kSpace[] = " \t\n\r\v\f\x1c\x1d\x1e\x1f";
    const char *lead = kind == STANDIN_JS_NODE ? "v" : "deno ";
    size_t skip = strlen(lead);
    size_t len = kind <= STANDIN_JS_NODE && strncmp(output, lead, skip) == 0
                     ? strcspn(output + skip, kSpace)
                     : 0;
    if (len == 0)
        snprintf(out, outSize, "unknown");
    else
        snprintf(out, outSize, "%.*s", (int)len, output + skip);
}

// True when a stand-in of this release supports that version of a runtime. yt-dlp asks
// node 20 and deno 2.0 from 2025.11.12, node 22 and deno 2.3 from 2026.06.09 (and a
// version text that is no release number knows what the newest does). quickjs and bun
// the stand-in never runs.
static inline bool StandinJsSupported(const char *release, int kind, const char *version)
{
    int newer =
        !StandinIsVersionNumber(release) || standinCompareNumbers(release, "2026.06.09") >= 0;
    static const char *const kLeast[2][2] = {{"2.0.0", "20.0.0"}, {"2.3.0", "22.0.0"}};
    return kind <= STANDIN_JS_NODE && StandinCompareVersions(version, kLeast[newer][kind]) >= 0;
}

// The arguments yt-dlp runs a runtime with to solve a challenge, after the program (node.py
// and deno.py; the permission flag of node became stable in 23.5.0). Returns the count.
static inline int StandinJsChallengeArgs(int kind, const char *version, const char *const **args)
{
    static const char *const kDeno[] = {"run", "--ext=js", "--no-code-cache", "--no-prompt",
                                        "--no-remote", "--no-lock", "--node-modules-dir=none",
                                        "--no-config", "--no-npm", "--cached-only", "-"};
    static const char *const kNode[] = {"--permission", "-"};
    static const char *const kOldNode[] = {"--experimental-permission",
                                           "--no-warnings=ExperimentalWarning", "-"};
    if (kind == STANDIN_JS_DENO) {
        *args = kDeno;
        return (int)(sizeof kDeno / sizeof kDeno[0]);
    }
    int stable = StandinCompareVersions(version, "23.5.0") >= 0;
    *args = stable ? kNode : kOldNode;
    return stable ? 2 : 3;
}

// The page's n challenge is the text "n-ID"; its answer starts at 7 and takes each byte b
// in turn as (h * 31 + b) mod 1000000007, every step below 2^53, so that JavaScript's
// numbers give exactly what C does.
static inline unsigned long long StandinChallengeAnswer(const char *videoId)
{
    unsigned long long h = 7;
    for (const char *p = "n-"; *p; p++)
        h = (h * 31 + (unsigned char)*p) % 1000000007ULL;
    for (const char *p = videoId; *p; p++)
        h = (h * 31 + (unsigned char)*p) % 1000000007ULL;
    return h;
}

// The one line of JSON the script prints: the challenge's bytes in hex and the answer.
static inline int StandinChallengeReply(const char *videoId, char *out, size_t outSize)
{
    int n = snprintf(out, outSize, "{\"n\":\"6e2d");
    for (const char *p = videoId; *p && n > 0 && (size_t)n < outSize; p++)
        n += snprintf(out + n, outSize - (size_t)n, "%02x", (unsigned char)*p);
    if (n > 0 && (size_t)n < outSize)
        n += snprintf(out + n, outSize - (size_t)n, "\",\"answer\":\"%llu\"}",
                      StandinChallengeAnswer(videoId));
    return n > 0 && (size_t)n < outSize;
}

// The script written to the runtime's standard input: plain JavaScript that reads nothing
// and touches no file or network, so node's permission model lets it run.
static inline int StandinChallengeScript(const char *videoId, char *out, size_t outSize)
{
    int n = snprintf(out, outSize, "const c = [110, 45");
    for (const char *p = videoId; *p && n > 0 && (size_t)n < outSize; p++)
        n += snprintf(out + n, outSize - (size_t)n, ", %u", (unsigned char)*p);
    if (n > 0 && (size_t)n < outSize)
        n += snprintf(out + n, outSize - (size_t)n,
                      "];\nlet h = 7;\nfor (const b of c) h = (h * 31 + b) %% 1000000007;\n"
                      "console.log(JSON.stringify({n: c.map(b => b.toString(16).padStart(2, "
                      "\"0\")).join(\"\"), answer: String(h)}));\n");
    return n > 0 && (size_t)n < outSize;
}

// True when a runtime's standard output is the reply, blanks and line ends around it aside.
static inline bool StandinChallengeSolved(const char *videoId, const char *output)
{
    char reply[3 * STANDIN_MAX_ID + 64];
    static const char kSpace[] = " \t\n\r";
    size_t start = strspn(output, kSpace);
    size_t end = strlen(output);
    while (end > start && strchr(kSpace, output[end - 1]))
        end--;
    return StandinChallengeReply(videoId, reply, sizeof reply) && end - start == strlen(reply) &&
           memcmp(output + start, reply, end - start) == 0;
}

// A page whose challenge went unsolved offers only its formats with both picture and
// sound, as yt-dlp's clients that need no JavaScript do.
static inline void StandinKeepMuxedFormats(StandinPage *page)
{
    int n = 0;
    for (int i = 0; i < page->formatCount; i++)
        if (StandinHasVideo(page->formats[i]) && StandinHasAudio(page->formats[i]))
            page->formats[n++] = page->formats[i];
    page->formatCount = n;
}

#endif
