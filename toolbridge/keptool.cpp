// Files of the kept tool: its folder, copies that are checked to be whole, its version.
#include "toolbridge/keptool.h"

#include <windows.h>
#include <stdio.h>
#include <string.h>

#include "resources/resource.h"
#include "toolbridge/systemdll.h"

#define LOCAL_APPDATA_VARIABLE "LOCALAPPDATA"
enum { CSIDL_LOCAL_APPDATA_ID = 0x001c };

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
    KeptPath(paths->keptToolPath, paths->keptFolder, KEPT_TOOL_NAME);
    KeptPath(paths->keptVersionPath, paths->keptFolder, KEPT_VERSION_NAME);
    KeptPath(paths->keptCandidatePath, paths->keptFolder, KEPT_CANDIDATE_NAME);
    KeptPath(paths->keptFfmpegPath, paths->keptFolder, KEPT_FFMPEG_NAME);
    KeptPath(paths->keptFfmpegVersionPath, paths->keptFolder, KEPT_FFMPEG_VERSION_NAME);
    KeptPath(paths->ffmpegCandidatePath, paths->keptFolder, FFMPEG_CANDIDATE_NAME);
    KeptPath(paths->keptOptionsPath, paths->keptFolder, KEPT_OPTIONS_NAME);
    if (!paths->keptToolPath[0] || !paths->keptVersionPath[0] || !paths->keptCandidatePath[0])
        paths->keptFolder[0] = paths->keptToolPath[0] = paths->keptVersionPath[0] =
            paths->keptCandidatePath[0] = '\0';
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

bool ReadKeptVersionFile(const char *path, char *version, size_t size, ToolSource *source)
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

bool SaveKeptVersionFile(const char *path, const char *version, ToolSource source)
{
    FILE *file = path[0] ? fopen(path, "wb") : NULL;
    if (!file)
        return false;
    bool written = fprintf(file, "%s\n%s\n", version, SOURCE_WORDS[source]) > 0;
    return fclose(file) == 0 && written;
}

bool ReadKeptVersion(const WorkPaths *paths, char *version, size_t size, ToolSource *source)
{
    return ReadKeptVersionFile(paths->keptVersionPath, version, size, source);
}

bool SaveKeptVersion(const WorkPaths *paths, const char *version, ToolSource source)
{
    return SaveKeptVersionFile(paths->keptVersionPath, version, source);
}

void ForgetKeptTool(const WorkPaths *paths)
{
    if (!HasKeptFolder(paths))
        return;
    DeleteUntilGone(paths->keptToolPath);
    DeleteUntilGone(paths->keptVersionPath);
}

void RemoveKeepingLeftovers(const WorkPaths *paths)
{
    if (!HasKeptFolder(paths))
        return;
    const char *suffixes[] = {".new", ".old"};
    for (const char *suffix : suffixes) {
        char path[PATH_SIZE];
        if (JoinText(path, sizeof path, paths->keptToolPath, suffix))
            DeleteFileA(path);
    }
    DeleteFileA(paths->keptCandidatePath);
    DeleteFileA(paths->ffmpegCandidatePath);
}

static const void *BuiltInFfmpeg(DWORD *size)
{
    HRSRC found = FindResourceA(NULL, MAKEINTRESOURCEA(IDR_FFMPEG), MAKEINTRESOURCEA(10));
    HGLOBAL loaded = found ? LoadResource(NULL, found) : NULL;
    *size = found ? SizeofResource(NULL, found) : 0;
    return loaded && *size > 2 ? LockResource(loaded) : NULL;
}

bool HasBuiltInFfmpeg()
{
    DWORD size;
    return BuiltInFfmpeg(&size) != NULL;
}

bool FfmpegAvailable(const WorkPaths *paths)
{
    return HasKeptFolder(paths) && (CheckKeptTool(paths->keptFfmpegPath) == KEPT_SOUND || HasBuiltInFfmpeg());
}

enum { FFMPEG_COMPARED_BYTES = 4096, FFMPEG_PIECE_BYTES = 4 * 1024 * 1024 };

bool KeptFfmpegMatchesBuiltIn(const WorkPaths *paths)
{
    DWORD size;
    const unsigned char *bytes = (const unsigned char *)BuiltInFfmpeg(&size);
    if (!bytes)
        return true;
    // Written again only when its size or its first bytes differ.
    HANDLE file = CreateFileA(paths->keptFfmpegPath, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    static unsigned char start[FFMPEG_COMPARED_BYTES];
    DWORD got = 0, compared = size < sizeof start ? size : sizeof start;
    LARGE_INTEGER fileSize;
    bool same = GetFileSizeEx(file, &fileSize) && fileSize.QuadPart == (LONGLONG)size &&
                ReadFile(file, start, compared, &got, NULL) && got == compared &&
                memcmp(start, bytes, compared) == 0;
    CloseHandle(file);
    return same;
}

bool WriteBuiltInFfmpegPiece(const WorkPaths *paths, unsigned long *written, bool *failed)
{
    DWORD size;
    const unsigned char *bytes = (const unsigned char *)BuiltInFfmpeg(&size);
    *failed = !bytes || !MakeKeptFolder(paths);
    if (*failed)
        return false;
    HANDLE file = CreateFileA(paths->keptFfmpegPath, GENERIC_WRITE, 0, NULL,
                              *written == 0 ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        *failed = true;
        return false;
    }
    DWORD piece = size - *written < (DWORD)FFMPEG_PIECE_BYTES ? size - *written : (DWORD)FFMPEG_PIECE_BYTES;
    DWORD done = 0;
    LARGE_INTEGER at;
    at.QuadPart = *written;
    *failed = !SetFilePointerEx(file, at, NULL, FILE_BEGIN) ||
              !WriteFile(file, bytes + *written, piece, &done, NULL) || done != piece;
    CloseHandle(file);
    if (*failed) {
        DeleteFileA(paths->keptFfmpegPath);
        return false;
    }
    *written += piece;
    return *written == size;
}

void DescribeFfmpegVersion(const char *line, char *text, size_t size)
{
    static const char PREFIX[] = "ffmpeg version ";
    text[0] = '\0';
    if (strncmp(line, PREFIX, sizeof PREFIX - 1) != 0)
        return;
    const char *copyright = strstr(line, "Copyright (c) ");
    const char *dash = copyright ? strchr(copyright, '-') : NULL;
    if (dash && dash[1] >= '0' && dash[1] <= '9' && strlen(dash + 1) >= 4) {
        snprintf(text, size, "%.4s build", dash + 1);
        return;
    }
    const char *word = line + sizeof PREFIX - 1;
    snprintf(text, size, "%.*s", (int)strcspn(word, " "), word);
}

void FirstLineOf(const char *text, size_t length, char *line, size_t size)
{
    size_t start = 0;
    while (start < length && (text[start] == ' ' || text[start] == '\t'))
        start++;
    size_t end = start;
    while (end < length && text[end] != '\n' && text[end] != '\r' && text[end] != '\0')
        end++;
    while (end > start && (text[end - 1] == ' ' || text[end - 1] == '\t'))
        end--;
    size_t limit = size > 0 ? size - 1 : 0;
    size_t count = end - start < limit ? end - start : limit;
    if (size > 0) {
        memcpy(line, text + start, count);
        line[count] = '\0';
    }
}
