// Progress texts of youtube-dl (2014 onwards) and yt-dlp, built as their downloaders'
// report_progress builds them: Python's "%.1f" and "%.2f" on the same doubles.
#include "titles.h"

#include <stdio.h>
#include <string.h>

#include "table.h"
#include "textout.h"

static double bytesPerSecond(const StandinPage *page)
{
    unsigned delay = page->delayMs > 0 ? page->delayMs : 1;
    return (double)(page->step * 1000ULL) / (double)delay;
}

// youtube-dl's format_seconds: MM:SS below an hour, else HH:MM:SS.
static void youtubeDlSeconds(unsigned long long s, TextOut *o)
{
    unsigned long long h = s / 3600, m = s / 60 % 60;
    if (h > 99)
        outText(o, "--:--:--");
    else if (h == 0)
        outFormat(o, "%02llu:%02llu", m, s % 60);
    else
        outFormat(o, "%02llu:%02llu:%02llu", h, m, s % 60);
}

// yt-dlp's format_seconds: always HH:MM:SS. As an ETA a leading "00:" is dropped.
static void ytDlpSeconds(unsigned long long s, int eta, TextOut *o)
{
    unsigned long long h = s / 3600, m = s / 60 % 60;
    if (h > 99)
        outText(o, "--:--:--");
    else if (h == 0 && eta)
        outFormat(o, "%02llu:%02llu", m, s % 60);
    else
        outFormat(o, "%02llu:%02llu:%02llu", h, m, s % 60);
}

int StandinStyledProgress(int style, const StandinPage *page, unsigned long long done,
                          int rateKnown, char *out, size_t outSize)
{
    unsigned long long size = page->size > 0 ? page->size : 1;
    if (done > size)
        done = size;
    char percent[16], total[32], speed[32];
    snprintf(percent, sizeof percent, "%.1f%%", (double)(100ULL * done) / (double)size);
    StandinToolBytes((double)size, total, sizeof total);
    StandinToolBytes(bytesPerSecond(page), speed, sizeof speed);
    unsigned delay = page->delayMs > 0 ? page->delayMs : 1;
    unsigned long long eta = (size - done) * delay / (page->step * 1000ULL);

    TextOut o;
    outBegin(&o, out, outSize);
    if (style == STANDIN_STYLE_YT_DLP) {
        outFormat(&o, "%6s of %10s at ", percent, total);
        if (!rateKnown) {
            outText(&o, " Unknown B/s ETA Unknown");
            return o.ok;
        }
        outFormat(&o, "%10s/s ETA ", speed);
        ytDlpSeconds(eta, 1, &o);
    } else {
        outFormat(&o, "%6s of %s at ", percent, total);
        if (!rateKnown) {
            outText(&o, "Unknown speed ETA Unknown ETA");
            return o.ok;
        }
        char speedPerSecond[40];
        snprintf(speedPerSecond, sizeof speedPerSecond, "%s/s", speed);
        outFormat(&o, "%10s ETA ", speedPerSecond);
        youtubeDlSeconds(eta, &o);
    }
    return o.ok;
}

int StandinStyledFinished(int style, const StandinPage *page, long long elapsedMs, char *out,
                          size_t outSize)
{
    char total[32];
    StandinToolBytes((double)page->size, total, sizeof total);
    TextOut o;
    outBegin(&o, out, outSize);
    int ytDlp = style == STANDIN_STYLE_YT_DLP;
    outFormat(&o, ytDlp ? "100%% of %10s" : "100%% of %s", total);
    if (elapsedMs < 0)
        return o.ok;
    outText(&o, " in ");
    unsigned long long seconds = (unsigned long long)elapsedMs / 1000ULL;
    if (ytDlp)
        ytDlpSeconds(seconds, 0, &o);
    else
        youtubeDlSeconds(seconds, &o);
    if (ytDlp && elapsedMs > 0) {
        char speed[32];
        StandinToolBytes((double)page->size * 1000.0 / (double)elapsedMs, speed, sizeof speed);
        outFormat(&o, " at %s/s", speed);
    }
    return o.ok;
}

int StandinStyledTitle(int style, const char *message, char *out, size_t outSize)
{
    TextOut o;
    outBegin(&o, out, outSize);
    outText(&o, style == STANDIN_STYLE_YT_DLP ? "yt-dlp " : "youtube-dl ");
    outText(&o, message);
    return o.ok;
}

const char *StandinPostTitle(int style, int index)
{
    static const char *const kYtDlp[] = {"yt-dlp MoveFiles started", "yt-dlp MoveFiles finished"};
    if (style != STANDIN_STYLE_YT_DLP || index < 0 || index >= 2)
        return NULL;
    return kYtDlp[index];
}
