// Turns the tool's console title into the status text and the progress fill width.
#pragma once

enum {
    WINDOW_TEXT_SIZE = 100,
    STATUS_TEXT_SIZE = 100,
    PROGRESS_BAR_WIDTH = 290,
    PROGRESS_BAR_HEIGHT = 25
};

// Buffers reused on every tick, so reading progress allocates nothing.
struct ProgressText {
    char windowText[WINDOW_TEXT_SIZE];
    char status[STATUS_TEXT_SIZE];
    char percent[11];
    char size[16];
    char speed[16];
    char eta[13];
};

// Reads a progress title of youtube-dl (2013's "youtube-dl - 45.3% of ...", later
// "youtube-dl   4.3% of ...") or yt-dlp ("yt-dlp   4.3% of    2.86MiB ... (frag 3/10)").
// On success composes `SP:speed|>DL:percent Of size<|ET:eta` into `progress->status`,
// returns it and sets `*fillWidth` to the bar width (0..PROGRESS_BAR_WIDTH).
// A title it cannot read (no tool name, no leading percentage) gives NULL and -1:
// `progress->status` is left as it was, so the shown status and bar can stay.
const char *ComposeProgress(ProgressText *progress, const char *title, int *fillWidth);

#ifdef _WIN32
#include <windows.h>
// The window's text into `progress->windowText`.
const char *ReadWindowText(ProgressText *progress, HWND window);
// Shows the progress of `title` in the main window's fill and returns the status text;
// NULL, with the fill untouched, for a title ComposeProgress cannot read.
const char *FormatProgress(ProgressText *progress, const char *title, HWND mainWindow);
#endif
