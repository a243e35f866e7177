// The download run: the tool started hidden on the destination, the format code and the address.
#pragma once
#include <windows.h>
#include <stdint.h>

#include "toolbridge/cmdline.h"
#include "toolbridge/toolrun.h"
#include "toolbridge/workfiles.h"

// A destination of up to 1023 characters (the record's field) and the ".part" suffix.
enum { PART_PATH_SIZE = 1024 + 8 };

struct ChildProcess {
    ToolRun run;
    // Once found, the console window is kept, so a tick walks no window list.
    HWND console;
    char partPath[PART_PATH_SIZE];
    // Asked for UTF-8: what it prints is UTF-8, else the legacy code page.
    bool askedUtf8;
};

// Writes the tool, starts it in the run folder and fills `child`. False (and a message
// shown) when nothing started. `shape` as BuildDownloadArguments takes it.
bool StartDownload(ChildProcess *child, const WorkPaths *paths, const char *destination,
                   int32_t code, const char *address, const RunSurroundings *surroundings,
                   const DownloadShape *shape = nullptr);

// Reads what the tool printed since `*offset` into `buffer` (at most `size` bytes) and returns
// how many bytes it got; the caller moves `*offset` on by what it used.
size_t ReadDownloadOutput(const WorkPaths *paths, unsigned long offset, char *buffer, size_t size);

// What the functions below read: every file the download's runs named on their output, the
// running or last run's (`askedUtf8`: asked for UTF-8) and those kept of the runs before.
// A file only ever named as found whole ("has already been downloaded") was there before the
// download's first run, or is a list's finished entry: none of them removes it.

// Removes what a stopped download of `destination` leaves beside it: its .part, and every
// file its runs wrote (a merge's parts and what they are written through: ".part",
// ".part-FragN", ".ytdl") with the merge's temporary file. Nothing else in the folder.
void RemoveDownloadFiles(const WorkPaths *paths, const char *destination, bool askedUtf8);

// A conversion to MP3 writes `destination` from the original the tool downloaded, which
// it removes once the MP3 is whole. Finds that original (PART_PATH_SIZE bytes) among the
// files the download's output names: false when none of them is there.
bool FindDownloadedOriginal(const WorkPaths *paths, const char *destination, bool askedUtf8, char *original);
// Removes a half-written MP3: one named after an original of the download that is still
// there (for one video `destination`, for a list its folder). The tool would otherwise take
// it for done.
void DropHalfConverted(const WorkPaths *paths, const char *destination, bool askedUtf8);

// Removes the running entry's own files of a list download into `folder` (ending in '\\'):
// what they are written through (".part", ".ytdl", ".part-FragN"), its merge's finished parts
// and temporary file, and for a list as MP3 (`toMp3`) the sound its MP3 was to be made of.
// The finished entries and their files stay.
void RemoveListEntryPieces(const WorkPaths *paths, const char *folder, bool askedUtf8, bool toMp3);

// The files in `destination`'s folder that a fresh download of it would take as its own, done
// already (RunMayTake; `stemTemplate` where the tool names the file): their names without the
// folder, one after another each with its NUL, in `names` (`size` bytes). How many there are;
// those that do not fit are counted but not named.
int FindFilesTheRunMayTake(const char *destination, bool stemTemplate, char *names, size_t size);

// The names a paused or interrupted run's output gives are kept beside the run folder's copy,
// after those of the runs before it; forgotten when the download ends one way or another.
void KeepPausedOutput(const WorkPaths *paths, bool askedUtf8);
void ForgetPausedOutput(const WorkPaths *paths);

// The download's output and error files, beside its tool copy.
void DownloadOutputPaths(const WorkPaths *paths, char *outPath, char *errPath);

// Removes the download's tool copy with its output and error files.
void RemoveDownloadCopy(const WorkPaths *paths);

// Ends the running tool and everything it started, and releases its handles;
// the ".part" file stays.
void EndDownload(ChildProcess *child);

// Releases the handles of a tool that has ended by itself.
void ReleaseDownload(ChildProcess *child);

// True once nothing of the tool is left running.
bool DownloadOver(const ChildProcess *child);

// The tool's console window, or null while it is not there (yet).
HWND FindToolConsole(ChildProcess *child);
