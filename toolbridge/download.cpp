// Starting and ending the download copy of the tool.
#include "toolbridge/download.h"

#include <stdio.h>
#include <string.h>

#include "toolbridge/cmdline.h"
#include "toolbridge/textrules.h"
#include "toolbridge/tooltask.h"
#include "toolbridge/alert.h"
#include "toolbridge/signin.h"
#include "toolbridge/textconv.h"
#include "toolbridge/toolwords.h"

void DownloadOutputPaths(const WorkPaths *paths, char *outPath, char *errPath)
{
    JoinText(outPath, PATH_SIZE, paths->toolPath, RUN_OUT_SUFFIX);
    JoinText(errPath, PATH_SIZE, paths->toolPath, RUN_ERR_SUFFIX);
}

void RemoveDownloadCopy(const WorkPaths *paths)
{
    char outPath[PATH_SIZE], errPath[PATH_SIZE];
    DownloadOutputPaths(paths, outPath, errPath);
    DeleteUntilGone(paths->toolPath);
    DeleteUntilGone(outPath);
    DeleteUntilGone(errPath);
}

// Whether the tool, which inherits this environment, would find `name` in it.
static bool IsEnvironmentName(const char *name)
{
    char value[2];
    SetLastError(ERROR_SUCCESS);
    return GetEnvironmentVariableA(name, value, sizeof value) > 0 ||
           GetLastError() != ERROR_ENVVAR_NOT_FOUND;
}

// Static: the tick path never allocates, and the stack stays small.
static char downloadArguments[COMMAND_LINE_SIZE];

bool StartDownload(ChildProcess *child, const WorkPaths *paths, const char *destination,
                   int32_t code, const char *address, const RunSurroundings *surroundings,
                   const DownloadShape *shape)
{
    // A quote or a control character would let the text split into further options.
    if (!IsPassableArgument(destination) || !IsPassableArgument(address)) {
        Alert("The destination or the address holds a double quote or a control character.\n"
              "It cannot be passed to the download tool safely, so nothing was started.",
              "Alert", ALERT_WARNING);
        return false;
    }
    char name[ENVIRONMENT_NAME_SIZE];
    if (FindExpandedName(destination, IsEnvironmentName, name, sizeof name)) {
        char message[ENVIRONMENT_NAME_SIZE + 300];
        snprintf(message, sizeof message,
                 "The destination holds \"$%s\", which the download tool would replace with the "
                 "value of the environment variable %s, and it would save elsewhere.\n"
                 "Choose a file name in which no '$' stands before that name.",
                 name, name);
        Alert(message, "Alert", ALERT_WARNING);
        return false;
    }
    if (!BuildDownloadArguments(downloadArguments, sizeof downloadArguments, destination, code,
                                address, surroundings, shape) ||
        !JoinText(child->partPath, sizeof child->partPath, destination, PART_SUFFIX)) {
        Alert("The destination and the address are too long to pass to the download tool.",
              "Alert", ALERT_WARNING);
        return false;
    }
    if (!ExtractTool(paths, paths->toolPath))
        return false;

    // Its output and errors go to files, so a failure can be told in the tool's words;
    // the console still gets its title, which is where the progress is read.
    char outPath[PATH_SIZE], errPath[PATH_SIZE];
    DownloadOutputPaths(paths, outPath, errPath);
    RunHandles handles;
    STARTUPINFOA startup;
    // A console of its own: under Wine a console inherited from whoever started us
    // would leave the tool without a console window to read progress from.
    char temp[PATH_SIZE];
    RunTempFolder(paths, "download", temp);
    bool started = OpenRunHandles(&handles, outPath, errPath, &startup) &&
                   StartToolRun(&child->run, paths->toolPath, downloadArguments, TRUE,
                                CREATE_NEW_CONSOLE, paths->runFolder, &startup, temp);
    CloseRunHandles(&handles);
    if (!started) {
        Alert("Craete Downloading process failed!", "Alert", ALERT_ERROR);
        return false;
    }
    child->console = NULL;
    child->askedUtf8 = surroundings->utf8 && !(surroundings->refused & OptionBit(OPTION_ENCODING));
    DWORD exitCode;
    if (!GetExitCodeProcess(child->run.process, &exitCode))
        Alert("Oop! This process failed to get exit code.", "Alert", ALERT_ERROR);
    return true;
}

void ReleaseDownload(ChildProcess *child)
{
    ReleaseToolRun(&child->run);
    child->console = NULL;
}

void EndDownload(ChildProcess *child)
{
    EndToolRun(&child->run);
    ReleaseDownload(child);
}

bool DownloadOver(const ChildProcess *child)
{
    return ToolRunOver(&child->run);
}

// The console's own window, as the console names it to a process attached to it. A one-file
// tool's starter has a hidden top-level window of its own, so "the first window of the
// tool's process" could be that one instead, and its title holds no progress.
static HWND ConsoleWindowOf(DWORD processId)
{
    FreeConsole();
    if (!AttachConsole(processId))
        return NULL;
    HWND console = GetConsoleWindow();
    FreeConsole();
    return console;
}

HWND FindToolConsole(ChildProcess *child)
{
    if (child->console && IsWindow(child->console))
        return child->console;
    child->console = child->run.processId ? ConsoleWindowOf(child->run.processId) : NULL;
    return child->console;
}

size_t ReadDownloadOutput(const WorkPaths *paths, unsigned long offset, char *buffer, size_t size)
{
    char outPath[PATH_SIZE], errPath[PATH_SIZE];
    DownloadOutputPaths(paths, outPath, errPath);
    HANDLE file = CreateFileA(outPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    DWORD got = 0;
    LARGE_INTEGER at;
    at.QuadPart = offset;
    if (!SetFilePointerEx(file, at, NULL, FILE_BEGIN) || !ReadFile(file, buffer, (DWORD)size, &got, NULL))
        got = 0;
    CloseHandle(file);
    return got;
}

// A download's outputs, oldest first: a paused run's of an earlier version (legacy code page),
// every earlier run's names (process text), and the running or last run's.
enum { OUTPUT_OLD_PAUSED, OUTPUT_KEPT, OUTPUT_RUN, OUTPUT_COUNT };

static void OutputPaths(const WorkPaths *paths, char outputs[OUTPUT_COUNT][PATH_SIZE])
{
    char errPath[PATH_SIZE];
    DownloadOutputPaths(paths, outputs[OUTPUT_RUN], errPath);
    if (!JoinText(outputs[OUTPUT_OLD_PAUSED], PATH_SIZE, paths->toolPath, RUN_PAUSED_OUT_SUFFIX))
        outputs[OUTPUT_OLD_PAUSED][0] = '\0';
    if (!JoinText(outputs[OUTPUT_KEPT], PATH_SIZE, paths->toolPath, RUN_KEPT_OUT_SUFFIX))
        outputs[OUTPUT_KEPT][0] = '\0';
}

// Calls `act` with each line of the file at `path` (no line end; progress lines end in '\r')
// until it returns true; true then. A line longer than the chunk names nothing: passed over.
static bool ForEachLine(const char *path, bool (*act)(const char *line, size_t length, void *context), void *context)
{
    // Static: a chunk at a time, at Pause, Stop and the end only.
    static char chunk[16384];
    FILE *file = path[0] ? fopen(path, "rb") : NULL;
    if (!file)
        return false;
    bool done = false;
    size_t kept = 0, got;
    while (!done && ((got = fread(chunk + kept, 1, sizeof chunk - kept, file)) > 0 || kept > 0)) {
        size_t length = kept + got, start = 0;
        for (size_t at = 0; !done && at < length; at++) {
            bool end = chunk[at] == '\n' || chunk[at] == '\r';
            if (!end && !(got == 0 && at + 1 == length))
                continue;
            done = act(chunk + start, (end ? at : at + 1) - start, context);
            start = at + 1;
        }
        kept = start < length && length - start < sizeof chunk ? length - start : 0;
        memmove(chunk, chunk + start, kept);
        if (got == 0)
            break;
    }
    fclose(file);
    return done;
}

static bool IsEntryLine(const char *line, size_t length)
{
    static const char *const STARTS[] = {"[download] Downloading item ", "[download] Downloading video "};
    for (const char *start : STARTS)
        if (length > strlen(start) && memcmp(line, start, strlen(start)) == 0)
            return true;
    return false;
}

// Keeps the names a run's output gives, in process text, after those of the earlier runs.
struct KeepingNames {
    HANDLE kept;
    bool askedUtf8;
};

static bool KeepNamedLine(const char *line, size_t length, void *context)
{
    KeepingNames *keeping = (KeepingNames *)context;
    char printed[PART_PATH_SIZE], shown[PART_PATH_SIZE], kept[PART_PATH_SIZE + 64];
    NamedKind kind;
    int written = 0;
    if (IsEntryLine(line, length)) {
        written = snprintf(kept, sizeof kept, "[download] Downloading item 0 of 0\n");
    } else if (NamedFileOf(line, length, printed, sizeof printed, &kind)) {
        ToolTextToProcess(printed, keeping->askedUtf8, shown, sizeof shown);
        written = kind == NAMED_WRITTEN  ? snprintf(kept, sizeof kept, "[download] Destination: %s\n", shown)
                  : kind == NAMED_FOUND ? snprintf(kept, sizeof kept, "[download] %s has already been downloaded\n", shown)
                                        : snprintf(kept, sizeof kept, "[Merger] Merging formats into \"%s\"\n", shown);
    }
    DWORD count;
    if (written > 0 && (size_t)written < sizeof kept)
        WriteFile(keeping->kept, kept, (DWORD)written, &count, NULL);
    return false;
}

void KeepPausedOutput(const WorkPaths *paths, bool askedUtf8)
{
    char outputs[OUTPUT_COUNT][PATH_SIZE];
    OutputPaths(paths, outputs);
    // Every run's names, not only the newest's: a run paused before it named anything must
    // not make Stop forget the parts of the runs before it.
    KeepingNames keeping = {CreateFileA(outputs[OUTPUT_KEPT], FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, NULL),
                            askedUtf8};
    if (keeping.kept == INVALID_HANDLE_VALUE)
        return;
    ForEachLine(outputs[OUTPUT_RUN], KeepNamedLine, &keeping);
    CloseHandle(keeping.kept);
    DeleteUntilGone(outputs[OUTPUT_RUN]);
}

void ForgetPausedOutput(const WorkPaths *paths)
{
    char outputs[OUTPUT_COUNT][PATH_SIZE];
    OutputPaths(paths, outputs);
    DeleteUntilGone(outputs[OUTPUT_OLD_PAUSED]);
    DeleteUntilGone(outputs[OUTPUT_KEPT]);
}

// `path`, and what the tools write it through: "PATH.part", "PATH.part-FragN", "PATH.ytdl".
static void RemoveWithItsPieces(const char *path, bool itself)
{
    char piece[PART_PATH_SIZE + 16];
    if (itself)
        DeleteUntilGone(path);
    const char *suffixes[] = {PART_SUFFIX, ".ytdl"};
    for (const char *suffix : suffixes)
        if (JoinText(piece, sizeof piece, path, suffix))
            DeleteUntilGone(piece);
    char pattern[PART_PATH_SIZE + 16];
    if (!JoinText(pattern, sizeof pattern, path, ".part-Frag*"))
        return;
    const char *slash = LastBackslash(path, TextCodePage());
    size_t folderLength = slash ? (size_t)(slash + 1 - path) : 0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && folderLength + strlen(found.cFileName) < sizeof piece) {
            memcpy(piece, path, folderLength);
            snprintf(piece + folderLength, sizeof piece - folderLength, "%s", found.cFileName);
            DeleteUntilGone(piece);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

// A file the download's outputs name, in the order they named it: the list entry it belongs to
// (0 before a list's first "Downloading item" line), how this line named it, and whether any
// run of the download wrote it. One only ever found whole was there before the first run,
// or is a finished entry of a list: never the download's to remove.
struct NamedFile {
    const char *name;
    int entry;
    NamedKind kind;
    bool ours;
};

enum { WRITTEN_LIMIT = 256 };

// The walk over all outputs of a download of `destination`.
struct NameWalk {
    const char *destination;
    size_t folderLength;
    bool askedUtf8;  // of the output being read
    int entry;
    // FNV-1a of every name a run wrote; a collision only keeps a file that could have gone.
    unsigned long written[WRITTEN_LIMIT];
    int writtenCount;
    bool collecting;
    bool (*act)(const NamedFile *file, void *context);
    void *context;
};

static unsigned long NameHash(const char *name)
{
    unsigned long hash = 2166136261u;
    for (const unsigned char *p = (const unsigned char *)name; *p; p++)
        hash = ((hash ^ *p) * 16777619u) & 0xFFFFFFFFu;
    return hash;
}

// Whether `name` may be one of the download's files: in the destination's folder and beginning
// like it, not it; for a list (a destination that names only its folder), any file right in it.
static bool IsDownloadFile(const char *destination, size_t folderLength, const char *name)
{
    if (strlen(name) <= folderLength || _strnicmp(name, destination, folderLength) != 0)
        return false;
    if (destination[folderLength] == '\0')
        return !strchr(name + folderLength, '\\') && !strchr(name + folderLength, '/');
    return IsDownloadPart(destination + folderLength, name + folderLength);
}

static bool WalkLine(const char *line, size_t length, void *context)
{
    NameWalk *walk = (NameWalk *)context;
    char printed[PART_PATH_SIZE], name[PART_PATH_SIZE];
    NamedKind kind;
    if (IsEntryLine(line, length))
        walk->entry++;
    if (!NamedFileOf(line, length, printed, sizeof printed, &kind))
        return false;
    ToolTextToProcess(printed, walk->askedUtf8, name, sizeof name);
    // The merge's own file is the destination itself.
    if (!IsDownloadFile(walk->destination, walk->folderLength, name) &&
        !(kind == NAMED_MERGED && _stricmp(name, walk->destination) == 0))
        return false;
    unsigned long hash = NameHash(name);
    if (walk->collecting) {
        if (kind == NAMED_WRITTEN && walk->writtenCount < WRITTEN_LIMIT)
            walk->written[walk->writtenCount++] = hash;
        return false;
    }
    bool ours = kind == NAMED_WRITTEN;
    for (int i = 0; !ours && i < walk->writtenCount; i++)
        ours = walk->written[i] == hash;
    NamedFile named = {name, walk->entry, kind, ours};
    return walk->act(&named, walk->context);
}

// Calls `act` with every file the download's outputs name for `destination`, oldest first, until
// it returns true; true then. `askedUtf8`: the running or last run was asked for UTF-8.
static bool ForEachNamedFile(const WorkPaths *paths, const char *destination, bool askedUtf8,
                             bool (*act)(const NamedFile *file, void *context), void *context)
{
    const char *slash = LastBackslash(destination, TextCodePage());
    if (!slash)
        return false;
    char outputs[OUTPUT_COUNT][PATH_SIZE];
    OutputPaths(paths, outputs);
    // Static: large, and used at Pause, Stop and the end only.
    static NameWalk walk;
    memset(&walk, 0, sizeof walk);
    walk.destination = destination;
    walk.folderLength = (size_t)(slash + 1 - destination);
    walk.act = act;
    walk.context = context;
    const bool utf8[OUTPUT_COUNT] = {false, true, askedUtf8};
    for (int pass = 0; pass < 2; pass++) {
        walk.collecting = pass == 0;
        walk.entry = 0;
        for (int output = 0; output < OUTPUT_COUNT; output++) {
            walk.askedUtf8 = utf8[output];
            if (ForEachLine(outputs[output], WalkLine, &walk))
                return true;
        }
    }
    return false;
}

static bool RemoveOurs(const NamedFile *file, void *)
{
    if (file->ours && file->kind != NAMED_MERGED)
        RemoveWithItsPieces(file->name, true);
    return false;
}

static bool IsFile(const char *name)
{
    DWORD attributes = GetFileAttributesA(name);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

static bool TakeExistingFile(const NamedFile *file, void *context)
{
    if (file->kind == NAMED_MERGED || !IsFile(file->name))
        return false;
    snprintf((char *)context, PART_PATH_SIZE, "%s", file->name);
    return true;
}

bool FindDownloadedOriginal(const WorkPaths *paths, const char *destination, bool askedUtf8, char *original)
{
    return ForEachNamedFile(paths, destination, askedUtf8, TakeExistingFile, original);
}

// The MP3 an original of ours that is still there was being converted to: the conversion did
// not end, or failed.
static bool RemoveItsMp3(const NamedFile *file, void *)
{
    char mp3[PART_PATH_SIZE];
    snprintf(mp3, sizeof mp3, "%s", file->name);
    if (file->ours && file->kind != NAMED_MERGED && IsFile(file->name) &&
        ReplaceExtension(mp3, sizeof mp3, "mp3"))
        DeleteUntilGone(mp3);
    return false;
}

void DropHalfConverted(const WorkPaths *paths, const char *destination, bool askedUtf8)
{
    ForEachNamedFile(paths, destination, askedUtf8, RemoveItsMp3, NULL);
}

static bool FindLastEntry(const NamedFile *file, void *context)
{
    int *last = (int *)context;
    *last = file->entry > *last ? file->entry : *last;
    return false;
}

struct RunningEntry {
    int entry;
    bool toMp3;
};

// The running entry's own files: what they are written through, its merge's finished parts,
// and the merge's temporary file; never an entry's file that is whole, but for a list as MP3
// the sound the MP3 is made of, which the tool removes once the MP3 is whole.
static bool RemoveEntryFiles(const NamedFile *file, void *context)
{
    const RunningEntry *running = (const RunningEntry *)context;
    if (file->entry != running->entry || !file->ours)
        return false;
    const char *slash = LastBackslash(file->name, TextCodePage());
    const char *name = slash ? slash + 1 : file->name;
    if (file->kind == NAMED_MERGED) {
        char temp[PART_PATH_SIZE];
        const char *extension = ExtensionOf(name);
        size_t stemEnd = extension ? (size_t)(extension - file->name) : strlen(file->name);
        if (extension && stemEnd + strlen(".temp") + strlen(extension) < sizeof temp) {
            snprintf(temp, sizeof temp, "%.*s.temp%s", (int)stemEnd, file->name, extension);
            DeleteUntilGone(temp);
        }
        return false;
    }
    const char *extension = ExtensionOf(name);
    bool original = running->toMp3 && !(extension && _stricmp(extension + 1, "mp3") == 0);
    RemoveWithItsPieces(file->name, IsFormatPart(name) || original);
    return false;
}

void RemoveListEntryPieces(const WorkPaths *paths, const char *folder, bool askedUtf8, bool toMp3)
{
    // The running entry is the last one the outputs named: a continued run that named none
    // yet runs the paused one's.
    RunningEntry running = {0, toMp3};
    ForEachNamedFile(paths, folder, askedUtf8, FindLastEntry, &running.entry);
    if (running.entry > 0)
        ForEachNamedFile(paths, folder, askedUtf8, RemoveEntryFiles, &running);
}

static bool SawMerge(const NamedFile *file, void *)
{
    return file->kind == NAMED_MERGED;
}

void RemoveDownloadFiles(const WorkPaths *paths, const char *destination, bool askedUtf8)
{
    const char *slash = LastBackslash(destination, TextCodePage());
    if (!slash)
        return;
    RemoveWithItsPieces(destination, false);
    // yt-dlp merges into STEM.temp.EXT, EXT the destination's own: only where a run merged.
    char temp[PART_PATH_SIZE];
    const char *extension = ExtensionOf(slash + 1);
    size_t stemEnd = extension ? (size_t)(extension - destination) : strlen(destination);
    if (extension && stemEnd + strlen(".temp") + strlen(extension) < sizeof temp &&
        ForEachNamedFile(paths, destination, askedUtf8, SawMerge, NULL)) {
        snprintf(temp, sizeof temp, "%.*s.temp%s", (int)stemEnd, destination, extension);
        DeleteUntilGone(temp);
    }
    ForEachNamedFile(paths, destination, askedUtf8, RemoveOurs, NULL);
}

int FindFilesTheRunMayTake(const char *destination, bool stemTemplate, char *names, size_t size)
{
    const char *slash = LastBackslash(destination, TextCodePage());
    size_t folderLength = slash ? (size_t)(slash + 1 - destination) : 0;
    char pattern[PART_PATH_SIZE];
    if (!slash || folderLength + 2 > sizeof pattern)
        return 0;
    memcpy(pattern, destination, folderLength);
    memcpy(pattern + folderLength, "*", 2);
    int count = 0;
    size_t used = 0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !RunMayTake(slash + 1, found.cFileName, stemTemplate))
            continue;
        count++;
        size_t length = strlen(found.cFileName) + 1;
        if (used + length < size) {
            memcpy(names + used, found.cFileName, length);
            used += length;
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    if (size > used)
        names[used] = '\0';
    return count;
}
