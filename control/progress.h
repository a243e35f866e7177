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

// Composes the status text from a console title into `progress->status` and returns it.
// Sets `*fillWidth` to the bar width, or to -1 when the title carries no progress
// (then the status is empty and the bar keeps its width).
const char *ComposeProgress(ProgressText *progress, const char *title, int *fillWidth);

#ifdef _WIN32
#include <windows.h>
// The window's text into `progress->windowText`.
const char *ReadWindowText(ProgressText *progress, HWND window);
// Shows the progress of `title` in the main window's fill and returns the status text.
const char *FormatProgress(ProgressText *progress, const char *title, HWND mainWindow);
#endif
