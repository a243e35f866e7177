// The tool kept per user in %LOCALAPPDATA%\Vidmora: an updated or chosen tool that every run
// copies its working copy from, its stored version, and the files an update leaves.
#pragma once
#include "toolbridge/workfiles.h"

#define KEPT_FOLDER_NAME "Vidmora"
#define KEPT_TOOL_NAME "tool.exe"
#define KEPT_VERSION_NAME "tool-version.txt"
#define KEPT_CANDIDATE_NAME "candidate.exe"
#define KEPT_FFMPEG_NAME "ffmpeg.exe"
#define KEPT_FFMPEG_VERSION_NAME "ffmpeg-version.txt"
#define FFMPEG_CANDIDATE_NAME "ffmpeg-candidate.exe"
#define KEPT_OPTIONS_NAME "tool-options.txt"

enum {
    TOOL_VERSION_LENGTH = 40,  // of the first line `tool --version` prints, at most
    TOOL_VERSION_SIZE = TOOL_VERSION_LENGTH + 1,
    // No download tool comes near this; a bigger file is something else.
    TOOL_SIZE_LIMIT = 256 * 1024 * 1024
};

enum ToolSource { TOOL_BUILT_IN, TOOL_UPDATED, TOOL_CHOSEN };
enum KeptToolState { KEPT_NONE, KEPT_SOUND, KEPT_DAMAGED };

// The folder from LOCALAPPDATA, else from the shell; all kept paths "" where there is none.
void ComputeKeptPaths(WorkPaths *paths);

bool HasKeptFolder(const WorkPaths *paths);

// Whether a file is there, and whether it starts with "MZ" as every Windows program does.
KeptToolState CheckKeptTool(const char *path);

// Copies a tool file whole, the copy a plain writable file; false with *error otherwise.
bool CopyToolFile(const char *from, const char *to, unsigned long *error);

// Creates the kept folder if needed.
bool MakeKeptFolder(const WorkPaths *paths);

// The kept tool's stored version and where it came from; false (version "") when none.
bool ReadKeptVersion(const WorkPaths *paths, char *version, size_t size, ToolSource *source);
bool SaveKeptVersion(const WorkPaths *paths, const char *version, ToolSource source);

// The same for any version file beside a kept program (the tool's, ffmpeg's).
bool ReadKeptVersionFile(const char *path, char *version, size_t size, ToolSource *source);
bool SaveKeptVersionFile(const char *path, const char *version, ToolSource source);

// Removes the kept tool and its stored version: runs use the built-in tool again.
void ForgetKeptTool(const WorkPaths *paths);

// Removes what an update leaves beside the kept tool (tool.exe.new, tool.exe.old) and a
// candidate left by an interrupted choice. They are never used as a tool.
void RemoveKeepingLeftovers(const WorkPaths *paths);

// Whether ffmpeg can merge: a sound kept ffmpeg.exe, or one built into the program (which is
// written to the per-user folder before its first use).
bool FfmpegAvailable(const WorkPaths *paths);

// Whether the build carries its own ffmpeg, and whether the kept copy already matches it.
bool HasBuiltInFfmpeg();
bool KeptFfmpegMatchesBuiltIn(const WorkPaths *paths);

// Writes the next piece of the built-in ffmpeg to its kept copy, from `*written` bytes on;
// true when the copy is whole. False with *failed set when it cannot be written.
bool WriteBuiltInFfmpegPiece(const WorkPaths *paths, unsigned long *written, bool *failed);

// "2018 build" from ffmpeg's first line of -version ("ffmpeg version N-92722-... Copyright
// (c) 2000-2018 ..."), else the word after "ffmpeg version"; "" when it is no ffmpeg's line.
void DescribeFfmpegVersion(const char *line, char *text, size_t size);

// The first line of `text`, as much as `size` holds (a version buffer of TOOL_VERSION_SIZE
// keeps TOOL_VERSION_LENGTH characters), without its line end and surrounding blanks.
void FirstLineOf(const char *text, size_t length, char *line, size_t size);
