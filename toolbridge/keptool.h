// The programs kept per user in %LOCALAPPDATA%\Vidmora: the download tool (updated or chosen),
// ffmpeg and a JavaScript runtime (chosen, or written from the build's own copy). One table
// says, for each kind, its files, how it is asked its version and what answer it must give.
#pragma once
#include "toolbridge/cmdline.h"
#include "toolbridge/versions.h"
#include "toolbridge/workfiles.h"

#define KEPT_FOLDER_NAME "Vidmora"
#define KEPT_OPTIONS_NAME "tool-options.txt"

enum {
    TOOL_VERSION_LENGTH = 40,  // of the first line `tool --version` prints, at most
    TOOL_VERSION_SIZE = TOOL_VERSION_LENGTH + 1,
    // No download tool comes near this; a bigger file is something else.
    TOOL_SIZE_LIMIT = 256 * 1024 * 1024
};

enum ToolSource { TOOL_BUILT_IN, TOOL_UPDATED, TOOL_CHOSEN };
enum KeptToolState { KEPT_NONE, KEPT_SOUND, KEPT_DAMAGED };

struct KindInfo {
    const char *fileName;         // in the per-user folder
    const char *versionFileName;  // its version and where it came from
    const char *candidateName;    // a chosen file while it is checked
    const char *versionArgument;
    int resource;                 // the build's own copy; 0 where a build carries none
    const char *statusName;       // "ffmpeg" in "ffmpeg: 2018 build (chosen)"
    const char *refusal;          // "This file is not ffmpeg: "
    const wchar_t *checkingStatus;
    const wchar_t *preparingStatus;  // while the build's own copy is written
    // From the first line of the version answer, the version to show; false, with the reason,
    // when it is no program of this kind.
    bool (*judge)(const char *line, char *version, size_t size, char *reason, size_t reasonSize);
};

const KindInfo *KindOf(KeptKind kind);

// The folder from LOCALAPPDATA, else from the shell; all kept paths "" where there is none.
void ComputeKeptPaths(WorkPaths *paths);

bool HasKeptFolder(const WorkPaths *paths);

// Whether a file is there, and whether it starts with "MZ" as every Windows program does.
KeptToolState CheckKeptTool(const char *path);

// Whether the kept file of `kind` is there and sound.
bool KeptInUse(const WorkPaths *paths, KeptKind kind);

// Copies a tool file whole, the copy a plain writable file; false with *error otherwise.
bool CopyToolFile(const char *from, const char *to, unsigned long *error);

// Creates the kept folder if needed.
bool MakeKeptFolder(const WorkPaths *paths);

// The stored version of a kept program and where it came from; false (version "") when none.
bool ReadKeptVersion(const WorkPaths *paths, KeptKind kind, char *version, size_t size, ToolSource *source);
bool SaveKeptVersion(const WorkPaths *paths, KeptKind kind, const char *version, ToolSource source);

// Removes the kept program of `kind` and its stored version.
void ForgetKept(const WorkPaths *paths, KeptKind kind);
// The same, and the build's own copy of `kind` is not written again: the person wants none,
// until a program of that kind is chosen (KEPT.none marks it, e.g. js-runtime.exe.none).
void RefuseKept(const WorkPaths *paths, KeptKind kind);

// Removes what an update leaves beside the kept tool (tool.exe.new, tool.exe.old) and the
// candidates left by an interrupted choice. They are never run.
void RemoveKeepingLeftovers(const WorkPaths *paths);

// Whether a program of `kind` is at hand: a sound kept one, or one built into the program
// (written to the per-user folder before the first run that names it).
bool KeptAvailable(const WorkPaths *paths, KeptKind kind);

// Whether the build's own copy of `kind` must be written (again) before a run names it: it
// is carried, nothing was chosen instead, and the kept copy's size or first bytes differ.
bool BuiltInNeedsWriting(const WorkPaths *paths, KeptKind kind);

// Writes the next piece of the build's own copy from `*written` bytes on; true when the copy
// is whole (its version file then says "built in"). False with *failed set when it cannot be
// written.
bool WriteBuiltInPiece(const WorkPaths *paths, KeptKind kind, unsigned long *written, bool *failed);

// What a run of a tool that refuses `refused` is told: the kept ffmpeg's path (which may hold
// none) and the kept runtime, written into `runtime`.
void DescribeSurroundings(const WorkPaths *paths, ToolOptions refused, RunSurroundings *surroundings, char *runtime,
                          size_t size);

// The kept runtime as yt-dlp's --js-runtimes takes it, "node:C:\...\js-runtime.exe"; false when
// none is kept.
bool RuntimeArgument(const WorkPaths *paths, char *argument, size_t size);
