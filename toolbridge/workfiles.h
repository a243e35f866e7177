// The tool resource and the fixed working files: the tool copies in a run folder of the
// program's own, the state record and the probe's output in the temporary directory.
#pragma once
#include "toolbridge/paths.h"
#include "toolbridge/tooloptions.h"

#define TOOL_FILE_NAME "5890DA2.~tmp.exe"
#define PROBE_TOOL_FILE_NAME "5890DA2.~tester.exe"
#define STATE_FILE_NAME "5890DA2.~record.bak"
#define TITLE_OUT_SUFFIX "-title-out"
#define FORMAT_OUT_SUFFIX "-format-out"
#define TITLE_ERR_SUFFIX "-title-err"
#define FORMAT_ERR_SUFFIX "-format-err"
#define LIST_CHOICE_SUFFIX "-list-choice"
#define LIST_OUT_SUFFIX "-list-out"
#define LIST_ERR_SUFFIX "-list-err"
// A tool never seen before that refused an option: its --help, for all it lacks at once.
#define HELP_OUT_SUFFIX "-help-out"
#define HELP_ERR_SUFFIX "-help-err"
// The download's own output and errors, beside its tool copy.
#define RUN_OUT_SUFFIX "-out"
#define RUN_ERR_SUFFIX "-err"
// What every run of a paused or interrupted download named, kept for its files until it ends:
// a line a file, as the tool prints it, in the program's own text. Versions before it kept the
// last run's whole output as "-paused-out", in the legacy code page; that is still read.
#define RUN_KEPT_OUT_SUFFIX "-kept-out"
#define RUN_PAUSED_OUT_SUFFIX "-paused-out"
// The copy of the built-in tool that only tells its version, and the output of the runs
// that look after the kept tool (version checks, the update).
#define VERSION_TOOL_FILE_NAME "5890DA2.~version.exe"
#define KEEPING_OUT_FILE_NAME "5890DA2.~keeping-out"
#define KEEPING_ERR_FILE_NAME "5890DA2.~keeping-err"
#define PART_SUFFIX ".part"

// The programs kept per user, one row each of the table in keptool.h.
enum KeptKind { KIND_TOOL, KIND_FFMPEG, KIND_RUNTIME, KIND_COUNT };

struct KeptFiles {
    char path[PATH_SIZE];
    char versionPath[PATH_SIZE];
    char candidatePath[PATH_SIZE];
};

struct WorkPaths {
    char modulePath[PATH_SIZE];
    // Every tool run's folder and current directory, %LOCALAPPDATA%\Vidmora\run\<hash of
    // TEMP>: what lies beside a tool or in its current directory (a configuration file, a
    // plugin, an ffmpeg or a JavaScript runtime) is read or run by it, and only Vidmora
    // writes here. "" where there is no per-user folder, and then no tool runs.
    char runFolder[PATH_SIZE];
    char toolPath[PATH_SIZE];
    char probeToolPath[PATH_SIZE];
    // The probe's output files are this path followed by their suffixes (temporary directory).
    char probeOutPath[PATH_SIZE];
    char stateFilePath[PATH_SIZE];
    char versionToolPath[PATH_SIZE];
    char keepingOutPath[PATH_SIZE];
    char keepingErrPath[PATH_SIZE];
    // The per-user folder that keeps an updated or chosen tool, ffmpeg and a JavaScript
    // runtime; "" where there is none.
    char keptFolder[PATH_SIZE];
    KeptFiles kept[KIND_COUNT];
    // Which options each tool file refuses.
    char keptOptionsPath[PATH_SIZE];
};

// Fills every path from the module file name and the temporary directory.
void ComputeWorkPaths(WorkPaths *paths);

#ifdef _WIN32
#include <windows.h>
// Creates (or truncates) a working file. A file that a tool run just used may still be
// held, or be pending deletion, for a moment after its process has ended (under Wine its
// console host can outlive it), so this retries briefly instead of failing at once.
HANDLE CreateWorkFile(const char *path, DWORD access, DWORD share, SECURITY_ATTRIBUTES *security);
#endif

#define SAMPLE_FILE_NAME "Vidmora sample.mp4"

// The first destination, for a start without a record: the sample name in the program's
// folder where the program may write there, else in the person's Downloads folder (a program
// under Program Files may not). False when neither can be had.
bool DefaultDestination(const WorkPaths *paths, char *destination, size_t size);

// Moves the file at `path` to the Recycle Bin; false, with the system's error in *error, when
// it could not be.
bool RecycleFile(const char *path, unsigned long *error);

// Makes `path` a full path, read from the program's current directory; true when it changed.
bool MakeAbsolute(char *path, size_t size);

// Makes the run folder if needed; false, with the reason shown, when there is none: then no
// tool may run.
bool MakeRunFolder(const WorkPaths *paths);

// Which tool file runs now, as text: the built-in one by its size and bytes, a kept one by
// its size and time. Its refused options are remembered under it.
void ToolIdentityOf(const WorkPaths *paths, char *identity, size_t size);

// The options the tool file `identity` is known to refuse; none when it was never seen, which
// `known` (may be null) tells.
ToolOptions RefusedOptionsOf(const WorkPaths *paths, const char *identity, bool *known = nullptr);
// Reads a tool's --help output at `helpPath` and remembers for `identity` every option it does
// not list, with `refused`; gives what is known now (`refused` alone where the file says nothing:
// the tool's refusals will tell instead).
ToolOptions LearnFromHelp(const WorkPaths *paths, const char *identity, const char *helpPath, ToolOptions refused);
// Remembers, for every later session too, that `identity` refuses `refused`.
void RememberRefused(const WorkPaths *paths, const char *identity, ToolOptions refused);

// Which whole list is chosen, kept beside the record (whose layout is fixed): a negative
// filter record (LIST_FILTER_BEST, LIST_FILTER_MP3), 0 for none. Writing 0 removes the note.
int ReadListChoice(const WorkPaths *paths);
bool WriteListChoice(const WorkPaths *paths, int choice);

// Where a list download records its finished entries (PATH_SIZE bytes); false when there is
// no run folder.
bool ListArchivePath(const WorkPaths *paths, char *path);

// Writes the tool to `path`, replacing any file there, and checks the copy is whole: the
// kept tool where there is a sound one, else the built-in resource. False, with the reason
// shown, when it is not whole: such a copy is never to be run.
bool ExtractTool(const WorkPaths *paths, const char *path);

// Writes the built-in tool to `path`; false (and *error set) when the copy is not whole.
bool WriteBuiltInTool(const char *path, unsigned long *error);

// Tells why a tool copy could not be made, in the system's words for `error`.
void ReportCopyFailure(unsigned long error);

// Removes the file at `path`, retrying while it can still be opened, for at most
// `timeoutMs` (a file held open by a process that is ending cannot be deleted at once).
void DeleteUntilGone(const char *path, unsigned timeoutMs = 3000);
