// The tool's own words on a failure: the line of its error output that says why.
#pragma once
#include <stddef.h>

enum {
    TOOL_WORDS_LIMIT = 300,              // bytes of the line shown, at most
    TOOL_WORDS_SIZE = TOOL_WORDS_LIMIT + 1,
    TOOL_WORDS_READ_LIMIT = 64 * 1024    // the end of a longer file is what says why
};

// The last line of `text` that starts with "ERROR:", failing that its last non-empty line,
// without its line end, cut to TOOL_WORDS_LIMIT bytes without splitting a UTF-8 sequence.
// "" (and false) when the text holds no such line.
bool PickToolWords(const char *text, size_t length, char *words, size_t size);

// The same, from the last TOOL_WORDS_READ_LIMIT bytes of the file at `path`.
bool ReadToolWords(const char *path, char *words, size_t size);

// How many lines of `text` start with "ERROR:" (a list's failed entries, one each), with the
// first of them in `first` as PickToolWords cuts it.
int CountErrorLines(const char *text, size_t length, char *first, size_t size);

// The same, from the last TOOL_WORDS_READ_LIMIT bytes of the file at `path`.
int ReadErrorLines(const char *path, char *first, size_t size);

// Whether any line of the file at `path` starts with "ERROR:".
bool FileHasErrorLine(const char *path);

// What a yt-dlp run's errors say of its JavaScript runtime: YouTube's pages need one since
// 2025.11.12, and without one some formats are missing.
enum RuntimeTrouble {
    RUNTIME_FINE,
    RUNTIME_MISSING,  // "No supported JavaScript runtime could be found"
    RUNTIME_FAILED    // one ran, but "n challenge solving failed" or "Signature solving failed"
};

RuntimeTrouble FindRuntimeTrouble(const char *text, size_t length);

// One line of what to do, for a run that failed with words the program knows; null where
// nothing is known (the tool's words then stand alone). `signedIn`: the runs were given
// cookies. `lackedRuntime`: the probe's errors said no JavaScript runtime could be found, so
// formats missing or a page not read are the runtime's doing before the site's.
const char *FindAdvice(const char *text, size_t length, bool signedIn, bool lackedRuntime);

// The same, from the last TOOL_WORDS_READ_LIMIT bytes of the file at `path`.
const char *ReadAdvice(const char *path, bool signedIn, bool lackedRuntime);

// The same, from the last TOOL_WORDS_READ_LIMIT bytes of the file at `path`.
RuntimeTrouble ReadRuntimeTrouble(const char *path);

// Whether the tool said it skipped the file named `fileName` (no folder), as both tools do
// with one that is there: "[download] FOLDER\NAME has already been downloaded". The parts of
// a merge that is continued are other names, so they do not count.
bool SaysAlreadyDownloaded(const char *text, size_t length, const char *fileName);

// The same, from the last TOOL_WORDS_READ_LIMIT bytes of the file at `path`.
bool FileSaysAlreadyDownloaded(const char *path, const char *fileName);

// How a line of a download's output names a file.
enum NamedKind {
    NAMED_WRITTEN,  // "[download] Destination: NAME": the run writes it
    NAMED_FOUND,    // "[download] NAME has already been downloaded": it was there, whole
    NAMED_MERGED    // "[Merger] Merging formats into "NAME"": the parts are merged into it
};

// The files a download named on its standard output, a line at a time. Gives NAME of `line`
// (`length` bytes, no line end) in `name`, and how it was named in `kind` (may be null);
// false when the line names none or NAME does not fit.
bool NamedFileOf(const char *line, size_t length, char *name, size_t size, NamedKind *kind = nullptr);

// What a whole list's output says of its entries: how many the list has ("Downloading item K
// of N", youtube-dl's "video K of N"; 0 when the list was never read), and how many finished,
// whole or found done ("[download] 100% of", "has already been downloaded", "has already
// been recorded in the archive"). An entry that failed starts all the same, so only finished
// ones count.
struct ListTally {
    int entries;
    int finished;
};
void TallyListOutput(const char *text, size_t length, ListTally *tally);

// The same, from the whole file at `path` (nothing when it cannot be read).
void TallyListFile(const char *path, ListTally *tally);

// The file a download ended with, as its output names it: the last `[Merger] Merging formats
// into "NAME"`, else the first file it named (see NamedFileOf). For a run that chose its own
// format, whose name only the tool knows. False when the output names none.
bool FinalFileOf(const char *text, size_t length, char *name, size_t size);

// The same, from the last TOOL_WORDS_READ_LIMIT bytes of the file at `path`.
bool ReadFinalFile(const char *path, char *name, size_t size);
