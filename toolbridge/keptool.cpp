// Files of the kept tool: its folder, copies that are checked to be whole, its version.
#include "toolbridge/keptool.h"

#include <windows.h>
#include <stdio.h>
#include <string.h>

#include "resources/resource.h"
#include "toolbridge/systemdll.h"
#include "toolbridge/textconv.h"

#define LOCAL_APPDATA_VARIABLE "LOCALAPPDATA"
enum { CSIDL_LOCAL_APPDATA_ID = 0x001c };

// The name yt-dlp knows a built-in runtime by; a build says which one it carries.
#ifndef VIDMORA_JSRUNTIME_NAME
#define VIDMORA_JSRUNTIME_NAME "node"
#endif

static bool JudgeToolVersion(const char *line, char *version, size_t size, char *reason, size_t reasonSize)
{
    snprintf(version, size, "%s", line);
    if (line[0] >= '0' && line[0] <= '9')
        return true;
    snprintf(reason, reasonSize, "its version \"%s\" does not start with a digit", line);
    return false;
}

static bool JudgeFfmpegVersion(const char *line, char *version, size_t size, char *reason, size_t reasonSize)
{
    DescribeFfmpegVersion(line, version, size);
    if (version[0])
        return true;
    snprintf(reason, reasonSize, "its first line does not start with \"ffmpeg version\"");
    return false;
}

// Wide, so the ellipsis shows in any code page.
static const KindInfo KINDS[KIND_COUNT] = {
    {"tool.exe", "tool-version.txt", "candidate.exe", "--version", 0, "Download tool",
     "This file is not a download tool: ", L"Checking the chosen download tool\u2026", L"", JudgeToolVersion},
    {"ffmpeg.exe", "ffmpeg-version.txt", "ffmpeg-candidate.exe", "-version", IDR_FFMPEG, "ffmpeg",
     "This file is not ffmpeg: ", L"Checking the chosen ffmpeg\u2026", L"Preparing ffmpeg\u2026", JudgeFfmpegVersion},
    {"js-runtime.exe", "js-runtime-version.txt", "js-runtime-candidate.exe", "--version", IDR_JSRUNTIME,
     "JavaScript", "This file is not node 22 or later, nor deno 2.3 or later: ",
     L"Checking the chosen JavaScript runtime\u2026", L"Preparing the JavaScript runtime\u2026",
     JudgeRuntimeVersion},
};

const KindInfo *KindOf(KeptKind kind)
{
    return &KINDS[kind];
}

typedef HRESULT(WINAPI *FolderPathFunction)(HWND, int, HANDLE, DWORD, LPSTR);

static bool LocalAppDataFolder(char *folder, size_t size)
{
    DWORD length = GetEnvironmentVariableA(LOCAL_APPDATA_VARIABLE, folder, (DWORD)size);
    if (length > 0 && length < size)
        return true;
    // Only where the variable is missing (a service, an old profile) is shell32 loaded.
    char shellFolder[MAX_PATH];
    FolderPathFunction folderPath =
        (FolderPathFunction)(void (*)(void))SystemFunction("shell32.dll", "SHGetFolderPathA");
    if (!folderPath || folderPath(NULL, CSIDL_LOCAL_APPDATA_ID, NULL, 0, shellFolder) != S_OK)
        return false;
    return JoinText(folder, size, shellFolder, "");
}

static void KeptPath(char *out, const char *folder, const char *name)
{
    if (!JoinText(out, PATH_SIZE, folder, "\\") || !JoinText(out, PATH_SIZE, out, name))
        out[0] = '\0';
}

void ComputeKeptPaths(WorkPaths *paths)
{
    char base[PATH_SIZE];
    paths->keptFolder[0] = '\0';
    if (LocalAppDataFolder(base, sizeof base))
        KeptPath(paths->keptFolder, base, KEPT_FOLDER_NAME);
    bool whole = paths->keptFolder[0] != '\0';
    for (int kind = 0; kind < KIND_COUNT; kind++) {
        KeptFiles *files = &paths->kept[kind];
        KeptPath(files->path, paths->keptFolder, KINDS[kind].fileName);
        KeptPath(files->versionPath, paths->keptFolder, KINDS[kind].versionFileName);
        KeptPath(files->candidatePath, paths->keptFolder, KINDS[kind].candidateName);
        whole = whole && files->path[0] && files->versionPath[0] && files->candidatePath[0];
    }
    KeptPath(paths->keptOptionsPath, paths->keptFolder, KEPT_OPTIONS_NAME);
    // A folder whose names do not all fit is no folder at all: nothing is kept half.
    if (!whole || !paths->keptOptionsPath[0]) {
        paths->keptFolder[0] = paths->keptOptionsPath[0] = '\0';
        memset(paths->kept, 0, sizeof paths->kept);
    }
}

bool HasKeptFolder(const WorkPaths *paths)
{
    return paths->keptFolder[0] != '\0';
}

KeptToolState CheckKeptTool(const char *path)
{
    if (!path[0] || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return KEPT_NONE;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return KEPT_DAMAGED;
    char start[2] = {0, 0};
    DWORD got = 0;
    BOOL read = ReadFile(file, start, sizeof start, &got, NULL);
    CloseHandle(file);
    return read && got == 2 && start[0] == 'M' && start[1] == 'Z' ? KEPT_SOUND : KEPT_DAMAGED;
}

static LONGLONG SizeOfFile(const char *path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data))
        return -1;
    return ((LONGLONG)data.nFileSizeHigh << 32) | data.nFileSizeLow;
}

bool CopyToolFile(const char *from, const char *to, unsigned long *error)
{
    *error = ERROR_SUCCESS;
    // A copy of a read-only file would be read-only too, and could not be replaced later.
    SetFileAttributesA(to, FILE_ATTRIBUTE_NORMAL);
    if (!CopyFileA(from, to, FALSE)) {
        *error = GetLastError();
        return false;
    }
    SetFileAttributesA(to, FILE_ATTRIBUTE_NORMAL);
    LONGLONG size = SizeOfFile(from);
    if (size > 0 && size == SizeOfFile(to))
        return true;
    *error = ERROR_HANDLE_DISK_FULL;
    DeleteFileA(to);
    return false;
}

bool MakeKeptFolder(const WorkPaths *paths)
{
    if (!HasKeptFolder(paths))
        return false;
    return CreateDirectoryA(paths->keptFolder, NULL) || GetLastError() == ERROR_ALREADY_EXISTS;
}

static const char *const SOURCE_WORDS[] = {"built in", "updated", "chosen"};

static bool ReadKeptVersionFile(const char *path, char *version, size_t size, ToolSource *source)
{
    version[0] = '\0';
    *source = TOOL_BUILT_IN;
    FILE *file = path[0] ? fopen(path, "rb") : NULL;
    if (!file)
        return false;
    char text[2 * TOOL_VERSION_SIZE + 16];
    size_t got = fread(text, 1, sizeof text - 1, file);
    fclose(file);
    text[got] = '\0';
    FirstLineOf(text, got, version, size);
    const char *second = strchr(text, '\n');
    *source = second && strncmp(second + 1, SOURCE_WORDS[TOOL_CHOSEN], 6) == 0 ? TOOL_CHOSEN
              : second && strncmp(second + 1, SOURCE_WORDS[TOOL_BUILT_IN], 8) == 0 ? TOOL_BUILT_IN
                                                                                     : TOOL_UPDATED;
    return version[0] != '\0';
}

static bool SaveKeptVersionFile(const char *path, const char *version, ToolSource source)
{
    FILE *file = path[0] ? fopen(path, "wb") : NULL;
    if (!file)
        return false;
    bool written = fprintf(file, "%s\n%s\n", version, SOURCE_WORDS[source]) > 0;
    return fclose(file) == 0 && written;
}

bool KeptInUse(const WorkPaths *paths, KeptKind kind)
{
    return CheckKeptTool(paths->kept[kind].path) == KEPT_SOUND;
}

bool ReadKeptVersion(const WorkPaths *paths, KeptKind kind, char *version, size_t size, ToolSource *source)
{
    return ReadKeptVersionFile(paths->kept[kind].versionPath, version, size, source);
}

// The mark that the person wants none of `kind`, not even the build's own: KEPT.none.
static bool RefusalPath(const WorkPaths *paths, KeptKind kind, char *path)
{
    return JoinText(path, PATH_SIZE, paths->kept[kind].path, ".none");
}

bool SaveKeptVersion(const WorkPaths *paths, KeptKind kind, const char *version, ToolSource source)
{
    char refusal[PATH_SIZE];
    // A program chosen again takes the place of "none".
    if (source == TOOL_CHOSEN && RefusalPath(paths, kind, refusal))
        DeleteUntilGone(refusal);
    return SaveKeptVersionFile(paths->kept[kind].versionPath, version, source);
}

void RefuseKept(const WorkPaths *paths, KeptKind kind)
{
    ForgetKept(paths, kind);
    char refusal[PATH_SIZE];
    HANDLE file = RefusalPath(paths, kind, refusal) ? CreateFileA(refusal, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                                                                  FILE_ATTRIBUTE_NORMAL, NULL)
                                                    : INVALID_HANDLE_VALUE;
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
}

static bool KeptRefused(const WorkPaths *paths, KeptKind kind)
{
    char refusal[PATH_SIZE];
    return RefusalPath(paths, kind, refusal) && GetFileAttributesA(refusal) != INVALID_FILE_ATTRIBUTES;
}

void ForgetKept(const WorkPaths *paths, KeptKind kind)
{
    if (!HasKeptFolder(paths))
        return;
    DeleteUntilGone(paths->kept[kind].path);
    DeleteUntilGone(paths->kept[kind].versionPath);
}

void RemoveKeepingLeftovers(const WorkPaths *paths)
{
    if (!HasKeptFolder(paths))
        return;
    const char *suffixes[] = {".new", ".old"};
    for (const char *suffix : suffixes) {
        char path[PATH_SIZE];
        if (JoinText(path, sizeof path, paths->kept[KIND_TOOL].path, suffix))
            DeleteFileA(path);
    }
    for (int kind = 0; kind < KIND_COUNT; kind++)
        DeleteFileA(paths->kept[kind].candidatePath);
}

// The build's own copy of `kind`; null where it carries none.
static const void *BuiltInCopy(KeptKind kind, DWORD *size)
{
    int resource = KINDS[kind].resource;
    HRSRC found = resource ? FindResourceA(NULL, MAKEINTRESOURCEA(resource), MAKEINTRESOURCEA(10)) : NULL;
    HGLOBAL loaded = found ? LoadResource(NULL, found) : NULL;
    *size = found ? SizeofResource(NULL, found) : 0;
    return loaded && *size > 2 ? LockResource(loaded) : NULL;
}

bool KeptAvailable(const WorkPaths *paths, KeptKind kind)
{
    DWORD size;
    return HasKeptFolder(paths) &&
           (KeptInUse(paths, kind) || (BuiltInCopy(kind, &size) != NULL && !KeptRefused(paths, kind)));
}

enum { COMPARED_BYTES = 4096, PIECE_BYTES = 4 * 1024 * 1024 };

bool BuiltInNeedsWriting(const WorkPaths *paths, KeptKind kind)
{
    DWORD size;
    const unsigned char *bytes = (const unsigned char *)BuiltInCopy(kind, &size);
    char version[TOOL_VERSION_SIZE];
    ToolSource source;
    if (!bytes || !HasKeptFolder(paths) || KeptRefused(paths, kind) ||
        (KeptInUse(paths, kind) && ReadKeptVersion(paths, kind, version, sizeof version, &source) &&
         source == TOOL_CHOSEN))
        return false;
    // Written again only when its size or its first bytes differ.
    HANDLE file = CreateFileA(paths->kept[kind].path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return true;
    static unsigned char start[COMPARED_BYTES];
    DWORD got = 0, compared = size < sizeof start ? size : sizeof start;
    LARGE_INTEGER fileSize;
    bool same = GetFileSizeEx(file, &fileSize) && fileSize.QuadPart == (LONGLONG)size &&
                ReadFile(file, start, compared, &got, NULL) && got == compared &&
                memcmp(start, bytes, compared) == 0;
    CloseHandle(file);
    return !same;
}

bool WriteBuiltInPiece(const WorkPaths *paths, KeptKind kind, unsigned long *written, bool *failed)
{
    DWORD size;
    const unsigned char *bytes = (const unsigned char *)BuiltInCopy(kind, &size);
    const char *path = paths->kept[kind].path;
    *failed = !bytes || !MakeKeptFolder(paths);
    if (*failed)
        return false;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, *written == 0 ? CREATE_ALWAYS : OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        *failed = true;
        return false;
    }
    DWORD piece = size - *written < (DWORD)PIECE_BYTES ? size - *written : (DWORD)PIECE_BYTES;
    DWORD done = 0;
    LARGE_INTEGER at;
    at.QuadPart = *written;
    *failed = !SetFilePointerEx(file, at, NULL, FILE_BEGIN) ||
              !WriteFile(file, bytes + *written, piece, &done, NULL) || done != piece;
    CloseHandle(file);
    if (*failed) {
        DeleteFileA(path);
        return false;
    }
    *written += piece;
    if (*written != size)
        return false;
    // A built-in runtime's version is not asked: its name is the build's.
    SaveKeptVersion(paths, kind, kind == KIND_RUNTIME ? VIDMORA_JSRUNTIME_NAME : "built in", TOOL_BUILT_IN);
    return true;
}

bool RuntimeArgument(const WorkPaths *paths, char *argument, size_t size)
{
    char version[TOOL_VERSION_SIZE];
    ToolSource source;
    if (!KeptInUse(paths, KIND_RUNTIME) || !ReadKeptVersion(paths, KIND_RUNTIME, version, sizeof version, &source))
        return false;
    // "node 22.23.2" or "deno 2.9.6": the name is its first word.
    int name = (int)strcspn(version, " ");
    int written = snprintf(argument, size, "%.*s:%s", name, version, paths->kept[KIND_RUNTIME].path);
    return name > 0 && written > 0 && (size_t)written < size;
}

void DescribeSurroundings(const WorkPaths *paths, ToolOptions refused, RunSurroundings *surroundings, char *runtime,
                          size_t size)
{
    if (!RuntimeArgument(paths, runtime, size))
        runtime[0] = '\0';
    surroundings->refused = refused;
    surroundings->ffmpegPath = paths->kept[KIND_FFMPEG].path;
    surroundings->runtime = runtime;
    // Names in every script where the process can hold them.
    surroundings->utf8 = ProcessIsUtf8();
    surroundings->list = false;
    surroundings->firefox = false;
    surroundings->cookies = nullptr;
}
