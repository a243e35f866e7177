// The tool kept per user in %LOCALAPPDATA%\Vidmora: an updated or chosen tool that every run
// copies its working copy from, its stored version, and the files an update leaves.
#pragma once
#include "toolbridge/workfiles.h"

#define KEPT_FOLDER_NAME "Vidmora"
#define KEPT_TOOL_NAME "tool.exe"
#define KEPT_VERSION_NAME "tool-version.txt"
#define KEPT_CANDIDATE_NAME "candidate.exe"

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

// Removes the kept tool and its stored version: runs use the built-in tool again.
void ForgetKeptTool(const WorkPaths *paths);

// Removes what an update leaves beside the kept tool (tool.exe.new, tool.exe.old) and a
// candidate left by an interrupted choice. They are never used as a tool.
void RemoveKeepingLeftovers(const WorkPaths *paths);

// The first line of `text` as a version: at most TOOL_VERSION_LENGTH characters, without
// its line end and surrounding blanks; "" when there is none. Window-free.
void FirstLineOf(const char *text, size_t length, char *line, size_t size);
