// Starting and ending the download copy of the tool.
#include "toolbridge/download.h"

#include <stdio.h>
#include <string.h>

#include "toolbridge/cmdline.h"
#include "toolbridge/textrules.h"
#include "toolbridge/tooltask.h"
#include "toolbridge/alert.h"
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
    bool started = OpenRunHandles(&handles, outPath, errPath, &startup) &&
                   StartToolRun(&child->run, paths->toolPath, downloadArguments, TRUE,
                                CREATE_NEW_CONSOLE, paths->runFolder, &startup);
    CloseRunHandles(&handles);
    if (!started) {
        Alert("Craete Downloading process failed!", "Alert", ALERT_ERROR);
        return false;
    }
    child->console = NULL;
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

static void PausedOutputPath(const WorkPaths *paths, char *path)
{
    if (!JoinText(path, PATH_SIZE, paths->toolPath, RUN_PAUSED_OUT_SUFFIX))
        path[0] = '\0';
}

void KeepPausedOutput(const WorkPaths *paths)
{
    char outPath[PATH_SIZE], errPath[PATH_SIZE], pausedPath[PATH_SIZE];
    DownloadOutputPaths(paths, outPath, errPath);
    PausedOutputPath(paths, pausedPath);
    // The newest run names every file: the parts done before as "already downloaded".
    if (pausedPath[0])
        MoveFileExA(outPath, pausedPath, MOVEFILE_REPLACE_EXISTING);
}

void ForgetPausedOutput(const WorkPaths *paths)
{
    char pausedPath[PATH_SIZE];
    PausedOutputPath(paths, pausedPath);
    if (pausedPath[0])
        DeleteUntilGone(pausedPath);
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

// The files a run's output names, in the order it named them, and the list entry each
// belongs to (0 before a list's first "Downloading item" line).
struct NamedFile {
    const char *name;
    int entry;
};

static bool IsEntryLine(const char *line, size_t length)
{
    static const char *const STARTS[] = {"[download] Downloading item ", "[download] Downloading video "};
    for (const char *start : STARTS)
        if (length > strlen(start) && memcmp(line, start, strlen(start)) == 0)
            return true;
    return false;
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

// Calls `act` with every file that `outPath` names for `destination` until it returns true;
// true then.
static bool ForEachNamedPart(const char *outPath, const char *destination, size_t folderLength,
                             bool (*act)(const NamedFile *file, void *context), void *context)
{
    // Static: a chunk of output at a time, at Pause and Stop only.
    static char chunk[16384];
    FILE *file = outPath[0] ? fopen(outPath, "rb") : NULL;
    if (!file)
        return false;
    bool done = false;
    int entry = 0;
    size_t kept = 0, got;
    while (!done && ((got = fread(chunk + kept, 1, sizeof chunk - kept, file)) > 0 || kept > 0)) {
        size_t length = kept + got, start = 0;
        for (size_t at = 0; !done && at < length; at++) {
            if (chunk[at] != '\n' && chunk[at] != '\r' && !(got == 0 && at + 1 == length))
                continue;
            size_t end = chunk[at] == '\n' || chunk[at] == '\r' ? at : at + 1;
            char printed[PART_PATH_SIZE], name[PART_PATH_SIZE];
            if (IsEntryLine(chunk + start, end - start))
                entry++;
            if (NamedFileOf(chunk + start, end - start, printed, sizeof printed)) {
                // The download is not asked for UTF-8: it names files in the legacy code page.
                if (!ProcessIsUtf8() || !ConvertText(printed, LegacyCodePage(), CP_UTF8, name, sizeof name))
                    snprintf(name, sizeof name, "%s", printed);
                NamedFile named = {name, entry};
                if (IsDownloadFile(destination, folderLength, name))
                    done = act(&named, context);
            }
            start = at + 1;
        }
        // A line longer than the chunk names nothing of ours: dropped.
        kept = start < length && length - start < sizeof chunk ? length - start : 0;
        memmove(chunk, chunk + start, kept);
        if (got == 0)
            break;
    }
    fclose(file);
    return done;
}

// Both outputs of the download, the paused run's first.
static bool ForEachNamedFile(const WorkPaths *paths, const char *destination,
                             bool (*act)(const NamedFile *file, void *context), void *context)
{
    const char *slash = LastBackslash(destination, TextCodePage());
    char outPath[PATH_SIZE], errPath[PATH_SIZE], pausedPath[PATH_SIZE];
    DownloadOutputPaths(paths, outPath, errPath);
    PausedOutputPath(paths, pausedPath);
    size_t folderLength = slash ? (size_t)(slash + 1 - destination) : 0;
    return slash && (ForEachNamedPart(pausedPath, destination, folderLength, act, context) ||
                     ForEachNamedPart(outPath, destination, folderLength, act, context));
}

static bool RemovePart(const NamedFile *file, void *)
{
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
    if (!IsFile(file->name))
        return false;
    snprintf((char *)context, PART_PATH_SIZE, "%s", file->name);
    return true;
}

bool FindDownloadedOriginal(const WorkPaths *paths, const char *destination, char *original)
{
    return ForEachNamedFile(paths, destination, TakeExistingFile, original);
}

// The MP3 an original that is still there was being converted to: the conversion did not end.
static bool RemoveItsMp3(const NamedFile *file, void *)
{
    char mp3[PART_PATH_SIZE];
    snprintf(mp3, sizeof mp3, "%s", file->name);
    if (IsFile(file->name) && ReplaceExtension(mp3, sizeof mp3, "mp3"))
        DeleteUntilGone(mp3);
    return false;
}

void DropHalfConverted(const WorkPaths *paths, const char *destination)
{
    ForEachNamedFile(paths, destination, RemoveItsMp3, NULL);
}

static bool FindLastEntry(const NamedFile *file, void *context)
{
    int *last = (int *)context;
    *last = file->entry > *last ? file->entry : *last;
    return false;
}

static bool RemoveEntryPieces(const NamedFile *file, void *context)
{
    if (file->entry == *(int *)context)
        RemoveWithItsPieces(file->name, false);
    return false;
}

void RemoveListEntryPieces(const WorkPaths *paths, const char *folder)
{
    char outPath[PATH_SIZE], errPath[PATH_SIZE], pausedPath[PATH_SIZE];
    DownloadOutputPaths(paths, outPath, errPath);
    PausedOutputPath(paths, pausedPath);
    size_t folderLength = strlen(folder);
    // The running entry is the last one the newest output named; a continued run that named
    // none yet runs the paused one's.
    const char *outputs[] = {outPath, pausedPath};
    for (const char *path : outputs) {
        int last = 0;
        ForEachNamedPart(path, folder, folderLength, FindLastEntry, &last);
        if (last == 0)
            continue;
        ForEachNamedPart(path, folder, folderLength, RemoveEntryPieces, &last);
        return;
    }
}

void RemoveDownloadFiles(const WorkPaths *paths, const char *destination)
{
    const char *slash = LastBackslash(destination, TextCodePage());
    if (!slash)
        return;
    size_t folderLength = (size_t)(slash + 1 - destination);
    RemoveWithItsPieces(destination, false);
    // yt-dlp merges into STEM.temp.EXT, EXT the destination's own.
    char temp[PART_PATH_SIZE];
    const char *extension = ExtensionOf(slash + 1);
    size_t stemEnd = extension ? (size_t)(extension - destination) : strlen(destination);
    if (extension && stemEnd + strlen(".temp") + strlen(extension) < sizeof temp) {
        snprintf(temp, sizeof temp, "%.*s.temp%s", (int)stemEnd, destination, extension);
        DeleteUntilGone(temp);
    }
    char outPath[PATH_SIZE], errPath[PATH_SIZE], pausedPath[PATH_SIZE];
    DownloadOutputPaths(paths, outPath, errPath);
    PausedOutputPath(paths, pausedPath);
    ForEachNamedPart(outPath, destination, folderLength, RemovePart, NULL);
    ForEachNamedPart(pausedPath, destination, folderLength, RemovePart, NULL);
}
