// Turns the tool's console title into the status text and the progress fill width.
#pragma once
#include <stddef.h>

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
    int fillWidth;  // the bar's width last shown, at 96 DPI (0..PROGRESS_BAR_WIDTH)
};

// Reads a progress title of youtube-dl (2013's "youtube-dl - 45.3% of ...", later
// "youtube-dl   4.3% of ...") or yt-dlp ("yt-dlp   4.3% of    2.86MiB ... (frag 3/10)").
// On success composes `SP:speed|>DL:percent Of size<|ET:eta` into `progress->status`,
// returns it and sets `*fillWidth` to the bar width (0..PROGRESS_BAR_WIDTH).
// A title it cannot read (no tool name, no leading percentage) gives NULL and -1:
// `progress->status` is left as it was, so the shown status and bar can stay.
const char *ComposeProgress(ProgressText *progress, const char *title, int *fillWidth);

// A download whose output tells its stages. A merge: the tool shows 0 to 100% once for
// each part, then ffmpeg merges them. An MP3: the sound, then ffmpeg converts it. A list:
// each entry in turn, each of its own shape. The output lines tell which stage runs.
enum StageShape { STAGES_MERGE, STAGES_MP3, STAGES_PLAIN };

struct MergeProgress {
    StageShape shape;  // of each entry; set by the starter
    int partsBegun;  // "[download] Destination: ..." or "... has already been downloaded" lines
    bool merging;    // "[Merger] Merging formats into ..." seen
    bool single;     // the tool chose one format that has both: "Downloading 1 format(s): 22"
    bool converting;  // "[ExtractAudio] Destination: ..." (yt-dlp), "[ffmpeg] Destination: ..."
    int entry, entries;  // of a list: "[download] Downloading item K of N" (youtube-dl: "video")
    int widest;      // the bar never goes backwards
};

enum { MERGE_PARTS = 2 };

// Reads complete lines of the tool's output; returns how many bytes it used (up to the last
// line end), so the rest is read again with what follows.
size_t ScanMergeOutput(MergeProgress *merge, const char *text, size_t length);

// The bar's width for `percent` of the running stage. A merge's first part fills 0-90% of
// the bar, the second 90-99%, a finished merge 100%; an MP3's sound 0-95%, its conversion
// 95%. A list's entries share the bar. Never narrower than before.
int MergedFillWidth(MergeProgress *merge, double percent);

// ComposeProgress for such a download: the status says which part runs ("...Of 12.00MiB
// (1/2)<|..."), or which entry of a list ("(3/25)"), the bar follows MergedFillWidth.
// NULL and -1 for an unreadable title.
const char *ComposeMergedProgress(ProgressText *progress, MergeProgress *merge, const char *title,
                                  int *fillWidth);

#ifdef _WIN32
#include <windows.h>
// FormatProgress for a merged download.
const char *FormatMergedProgress(ProgressText *progress, MergeProgress *merge, const char *title,
                                 HWND mainWindow);
// The window's text into `progress->windowText`.
const char *ReadWindowText(ProgressText *progress, HWND window);
// Shows the progress of `title` in the main window's fill and returns the status text;
// NULL, with the fill untouched, for a title ComposeProgress cannot read.
const char *FormatProgress(ProgressText *progress, const char *title, HWND mainWindow);
// Shows the fill `width` of PROGRESS_BAR_WIDTH wide, scaled to the frame as it is now.
void ShowProgressFill(ProgressText *progress, HWND mainWindow, int width);
#endif
