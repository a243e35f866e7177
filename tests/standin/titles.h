// Progress texts of youtube-dl (2014 onwards) and yt-dlp: the console titles and the
// "[download]" lines a stand-in download shows in those styles.
#ifndef VIDMORA_STANDIN_TITLES_H
#define VIDMORA_STANDIN_TITLES_H

#include <stddef.h>

#include "page.h"

// The progress message after `done` bytes, without the tool's name, e.g. yt-dlp's
// "  4.3% of    2.86MiB at 1002.97KiB/s ETA 00:02" or youtube-dl's
// "  4.3% of 2.86MiB at 1018.88KiB/s ETA 00:02". Speed and ETA come from step and
// delay; with `rateKnown` 0 they are the tools' words for a rate not measured yet
// (their first report comes before a millisecond has passed).
int StandinStyledProgress(int style, const StandinPage *page, unsigned long long done,
                          int rateKnown, char *out, size_t outSize);

// The message when the file is complete: "100% of SIZE", then " in TIME" unless
// `elapsedMs` is negative (the file was already there), then for yt-dlp " at SPEED"
// when time has passed.
int StandinStyledFinished(int style, const StandinPage *page, long long elapsedMs,
                          char *out, size_t outSize);

// The console title for a message: the tool's name, a blank, the message.
int StandinStyledTitle(int style, const char *message, char *out, size_t outSize);

// The titles yt-dlp's post-processor sets after a download, in order; NULL after the
// last (youtube-dl sets none).
const char *StandinPostTitle(int style, int index);

#endif
