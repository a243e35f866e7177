// Working paths, the run folder, the embedded tool's copies, and what each tool file refuses.
#include "toolbridge/workfiles.h"

#include <windows.h>
#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "formats/filterlist.h"
#include "resources/resource.h"
#include "toolbridge/alert.h"
#include "toolbridge/keptool.h"
#include "toolbridge/systemdll.h"
#include "toolbridge/textconv.h"
#include "toolbridge/toolrun.h"

#define RUN_FOLDER_NAME "run"

static void TempFilePath(char *out, const char *tempDir, const char *name)
{
    if (!JoinText(out, PATH_SIZE, tempDir, name))
        Alert("The temporary directory's path is too long!", "Alert", ALERT_ERROR);
}

// "" where there is no run folder: MakeRunFolder then says why before anything runs.
static void RunFilePath(char *out, const WorkPaths *paths, const char *name)
{
    if (!paths->runFolder[0] || !JoinText(out, PATH_SIZE, paths->runFolder, "\\") ||
        !JoinText(out, PATH_SIZE, out, name))
        out[0] = '\0';
}

// The system's words for `error`, without the ".\r\n" that the sentence supplies itself.
static void SystemWords(unsigned long error, char *reason, size_t size)
{
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL,
                                  error, 0, reason, (DWORD)size, NULL);
    while (length > 0 && (reason[length - 1] == '\r' || reason[length - 1] == '\n' ||
                          reason[length - 1] == '.' || reason[length - 1] == ' '))
        reason[--length] = '\0';
    if (length == 0)
        snprintf(reason, size, "error %lu", error);
}

// Whether a file can be made in `folder` (ending in '\'): made and removed at once.
static bool CanWriteIn(const char *folder)
{
    char probe[PATH_SIZE];
    if (!JoinText(probe, sizeof probe, folder, "5890DA2.~write-test"))
        return false;
    HANDLE file = CreateFileA(probe, GENERIC_WRITE, 0, NULL, CREATE_NEW,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_EXISTS;
    CloseHandle(file);
    return true;
}

typedef HRESULT(WINAPI *KnownFolderFunction)(REFGUID, DWORD, HANDLE, PWSTR *);
typedef void(WINAPI *TaskMemFreeFunction)(LPVOID);

// The person's Downloads folder, ending in '\'; shell32 is loaded only on this path.
static bool DownloadsFolder(char *folder, size_t size)
{
    static const GUID DOWNLOADS = {0x374de290, 0x123f, 0x4565, {0x91, 0x64, 0x39, 0xc4, 0x92, 0x5e, 0x46, 0x7b}};
    KnownFolderFunction knownFolder =
        (KnownFolderFunction)(void (*)(void))SystemFunction("shell32.dll", "SHGetKnownFolderPath");
    TaskMemFreeFunction memFree = (TaskMemFreeFunction)(void (*)(void))SystemFunction("ole32.dll", "CoTaskMemFree");
    PWSTR wide = NULL;
    bool found = knownFolder && memFree && knownFolder(DOWNLOADS, 0, NULL, &wide) == S_OK && wide &&
                 WideToProcess(wide, folder, size - 1);
    if (wide && memFree)
        memFree(wide);
    if (!found) {
        char profile[PATH_SIZE];
        DWORD length = GetEnvironmentVariableA("USERPROFILE", profile, sizeof profile);
        found = length > 0 && length < sizeof profile && JoinText(folder, size - 1, profile, "\\Downloads");
    }
    return found && JoinText(folder, size, folder, "\\");
}

bool DefaultDestination(const WorkPaths *paths, char *destination, size_t size)
{
    char folder[PATH_SIZE];
    char *own = DirectoryOf(paths->modulePath);
    bool fits = own && JoinText(folder, sizeof folder, own, "");
    free(own);
    if (!fits || !CanWriteIn(folder))
        fits = DownloadsFolder(folder, sizeof folder);
    return fits && JoinText(destination, size, folder, SAMPLE_FILE_NAME);
}

typedef int(WINAPI *FileOperationFunction)(SHFILEOPSTRUCTW *);

bool RecycleFile(const char *path, unsigned long *error)
{
    // Wide and double-NUL-ended, as the shell wants it; shell32 only on this path.
    static wchar_t from[PATH_SIZE * 4 + 2];
    FileOperationFunction operate =
        (FileOperationFunction)(void (*)(void))SystemFunction("shell32.dll", "SHFileOperationW");
    int length = MultiByteToWideChar(CP_ACP, 0, path, -1, from, PATH_SIZE * 4);
    *error = ERROR_PROC_NOT_FOUND;
    if (!operate || length <= 0)
        return false;
    from[length] = L'\0';
    SHFILEOPSTRUCTW operation;
    memset(&operation, 0, sizeof operation);
    operation.wFunc = FO_DELETE;
    operation.pFrom = from;
    // Where there is no Recycle Bin (a network share, a removable drive, a file too big for it)
    // the shell would delete outright: it asks first, and No aborts.
    operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_WANTNUKEWARNING | FOF_SILENT | FOF_NOERRORUI;
    int result = operate(&operation);
    *error = (unsigned long)result;
    return result == 0 && !operation.fAnyOperationsAborted && GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES;
}

bool MakeAbsolute(char *path, size_t size)
{
    char full[PATH_SIZE * 4];
    DWORD length = path[0] ? GetFullPathNameA(path, sizeof full, full, NULL) : 0;
    if (length == 0 || length >= sizeof full || length >= size || strcmp(full, path) == 0)
        return false;
    memcpy(path, full, length + 1);
    return true;
}

void ComputeWorkPaths(WorkPaths *paths)
{
    char tempDir[PATH_SIZE];
    DWORD moduleLength = GetModuleFileNameA(NULL, paths->modulePath, PATH_SIZE);
    if (moduleLength == 0 || moduleLength >= PATH_SIZE)
        paths->modulePath[0] = '\0';
    if (!TempDirectory(tempDir, sizeof tempDir)) {
        Alert("Failed to get temporary directory!\n"
              "Its name cannot be written in this system's code page, even in its short form.",
              "Alert", ALERT_ERROR);
        tempDir[0] = '\0';
    }
    TempFilePath(paths->stateFilePath, tempDir, STATE_FILE_NAME);
    TempFilePath(paths->probeOutPath, tempDir, PROBE_TOOL_FILE_NAME);
    TempFilePath(paths->keepingOutPath, tempDir, KEEPING_OUT_FILE_NAME);
    TempFilePath(paths->keepingErrPath, tempDir, KEEPING_ERR_FILE_NAME);
    ComputeKeptPaths(paths);
    // One run folder for each temporary directory, as there is one window for each.
    char runName[32];
    snprintf(runName, sizeof runName, "\\" RUN_FOLDER_NAME "\\%08lx", PathHash(tempDir));
    paths->runFolder[0] = '\0';
    if (HasKeptFolder(paths) && !JoinText(paths->runFolder, PATH_SIZE, paths->keptFolder, runName))
        paths->runFolder[0] = '\0';
    RunFilePath(paths->toolPath, paths, TOOL_FILE_NAME);
    RunFilePath(paths->probeToolPath, paths, PROBE_TOOL_FILE_NAME);
    RunFilePath(paths->versionToolPath, paths, VERSION_TOOL_FILE_NAME);
}

bool MakeRunFolder(const WorkPaths *paths)
{
    char parent[PATH_SIZE];
    DWORD error = ERROR_PATH_NOT_FOUND;
    if (paths->runFolder[0] && MakeKeptFolder(paths) &&
        JoinText(parent, sizeof parent, paths->keptFolder, "\\" RUN_FOLDER_NAME) &&
        (CreateDirectoryA(parent, NULL) || GetLastError() == ERROR_ALREADY_EXISTS) &&
        (CreateDirectoryA(paths->runFolder, NULL) || GetLastError() == ERROR_ALREADY_EXISTS))
        return true;
    if (paths->runFolder[0])
        error = GetLastError();
    char reason[200];
    SystemWords(error, reason, sizeof reason);
    char message[PATH_SIZE + 400];
    snprintf(message, sizeof message,
             "Vidmora has no folder of its own to run the download tool in (%s: %s), so nothing was "
             "started.\nThe tool is run only there, where nothing else can put files beside it.",
             paths->runFolder[0] ? paths->runFolder : "%LOCALAPPDATA%\\Vidmora", reason);
    Alert(message, "Alert", ALERT_WARNING);
    return false;
}

// A resource failure means the program file itself is damaged: report it and end.
static void ResourceFailure(const char *message)
{
    Alert(message, "Alert", ALERT_ERROR);
    PostQuitMessage(0);
}

enum { CREATE_RETRY_LIMIT_MS = 2000 };

HANDLE CreateWorkFile(const char *path, DWORD access, DWORD share, SECURITY_ATTRIBUTES *security)
{
    for (DWORD waited = 0;;) {
        HANDLE file = CreateFileA(path, access, share, security, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, NULL);
        if (file != INVALID_HANDLE_VALUE || !WaitWhileHeld(GetLastError(), &waited, CREATE_RETRY_LIMIT_MS))
            return file;
    }
}

void ReportCopyFailure(unsigned long error)
{
    char reason[200];
    SystemWords(error, reason, sizeof reason);
    char message[400];
    snprintf(message, sizeof message,
             "The download tool could not be written to its folder (%s).", reason);
    Alert(message, "Alert", ALERT_WARNING);
}

// The resource's bytes; null (and the program asked to end) when the program file is damaged.
static const void *BuiltInTool(DWORD *size)
{
    HRSRC found = FindResourceA(NULL, MAKEINTRESOURCEA(IDR_TOOL), MAKEINTRESOURCEA(10));
    if (!found) {
        ResourceFailure("Oop! We can not found resource!");
        return NULL;
    }
    HGLOBAL loaded = LoadResource(NULL, found);
    if (!loaded) {
        ResourceFailure("Oop! We can not load resource!");
        return NULL;
    }
    const void *bytes = LockResource(loaded);
    if (!bytes) {
        ResourceFailure("Oop! Resource is unlocked!");
        return NULL;
    }
    *size = SizeofResource(NULL, found);
    if (*size == 0) {
        ResourceFailure("Aww! Resource no size!");
        return NULL;
    }
    return bytes;
}

bool WriteBuiltInTool(const char *path, unsigned long *error)
{
    DWORD size = 0;
    const void *bytes = BuiltInTool(&size);
    *error = ERROR_SUCCESS;
    if (!bytes)
        return false;
    // An old copy that cannot be replaced, held by another process or put there by
    // someone else where the folder is shared, must not run in place of this one.
    HANDLE file = CreateWorkFile(path, GENERIC_READ | GENERIC_WRITE, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        *error = GetLastError();
        return false;
    }
    DWORD written = 0;
    LARGE_INTEGER onDisk;
    if (!WriteFile(file, bytes, size, &written, NULL) || !FlushFileBuffers(file))
        *error = GetLastError();
    else if (written != size || !GetFileSizeEx(file, &onDisk) || onDisk.QuadPart != (LONGLONG)size)
        *error = ERROR_HANDLE_DISK_FULL;  // a short write is what a full disk gives
    CloseHandle(file);
    if (*error == ERROR_SUCCESS)
        return true;
    DeleteFileA(path);  // a cut-off copy must not be left to run
    return false;
}

bool ExtractTool(const WorkPaths *paths, const char *path)
{
    // Said once a session: the built-in tool serves meanwhile.
    static bool damageTold;
    unsigned long error = ERROR_SUCCESS;
    if (!MakeRunFolder(paths))
        return false;
    KeptToolState kept = CheckKeptTool(paths->kept[KIND_TOOL].path);
    if (kept == KEPT_SOUND) {
        if (CopyToolFile(paths->kept[KIND_TOOL].path, path, &error))
            return true;
        if (CheckKeptTool(paths->kept[KIND_TOOL].path) == KEPT_SOUND) {
            ReportCopyFailure(error);
            return false;
        }
        kept = KEPT_DAMAGED;  // it went bad while being read
    }
    if (kept == KEPT_DAMAGED && !damageTold) {
        damageTold = true;
        Alert("The kept download tool is damaged; using the built-in one.", "Alert", ALERT_WARNING);
    }
    if (WriteBuiltInTool(path, &error))
        return true;
    if (error != ERROR_SUCCESS)
        ReportCopyFailure(error);
    return false;
}

void ToolIdentityOf(const WorkPaths *paths, char *identity, size_t size)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (CheckKeptTool(paths->kept[KIND_TOOL].path) == KEPT_SOUND &&
        GetFileAttributesExA(paths->kept[KIND_TOOL].path, GetFileExInfoStandard, &data)) {
        snprintf(identity, size, "kept %lu:%lu %08lx%08lx", data.nFileSizeHigh, data.nFileSizeLow,
                 data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
        return;
    }
    // A build with another tool is another tool; its bytes are hashed once a session.
    static DWORD builtInSize;
    static unsigned long builtInHash;
    if (builtInSize == 0) {
        HRSRC found = FindResourceA(NULL, MAKEINTRESOURCEA(IDR_TOOL), MAKEINTRESOURCEA(10));
        HGLOBAL loaded = found ? LoadResource(NULL, found) : NULL;
        const unsigned char *bytes = loaded ? (const unsigned char *)LockResource(loaded) : NULL;
        DWORD length = bytes ? SizeofResource(NULL, found) : 0;
        unsigned long hash = 2166136261u;
        for (DWORD i = 0; i < length; i++)
            hash = ((hash ^ bytes[i]) * 16777619u) & 0xFFFFFFFFu;
        builtInSize = length;
        builtInHash = hash;
    }
    snprintf(identity, size, "built-in %lu %08lx", (unsigned long)builtInSize, builtInHash);
}

// The remembered lines, as much as the file's limit holds; 0 bytes when there is none.
static size_t ReadKnowledge(const WorkPaths *paths, char *text, size_t size)
{
    FILE *file = paths->keptOptionsPath[0] ? fopen(paths->keptOptionsPath, "rb") : NULL;
    if (!file)
        return 0;
    size_t got = fread(text, 1, size - 1, file);
    fclose(file);
    text[got] = '\0';
    return got;
}

ToolOptions RefusedOptionsOf(const WorkPaths *paths, const char *identity, bool *known)
{
    char text[KNOWLEDGE_FILE_SIZE];
    size_t length = ReadKnowledge(paths, text, sizeof text);
    ToolOptions refused = 0;
    bool found = FindRefusedOptions(text, length, identity, &refused);
    if (known)
        *known = found;
    return refused;
}

void RememberRefused(const WorkPaths *paths, const char *identity, ToolOptions refused)
{
    char text[KNOWLEDGE_FILE_SIZE], updated[KNOWLEDGE_FILE_SIZE];
    size_t length = ReadKnowledge(paths, text, sizeof text);
    size_t written = RememberRefusedOptions(text, length, identity, refused, updated, sizeof updated);
    // Written whole or not at all: a cut-off file would forget the other tools.
    char partPath[PATH_SIZE];
    if (written == 0 || !MakeKeptFolder(paths) || !JoinText(partPath, sizeof partPath, paths->keptOptionsPath, ".new"))
        return;
    FILE *file = fopen(partPath, "wb");
    if (!file)
        return;
    bool whole = fwrite(updated, 1, written, file) == written;
    if (fclose(file) == 0 && whole)
        MoveFileExA(partPath, paths->keptOptionsPath, MOVEFILE_REPLACE_EXISTING);
    else
        DeleteFileA(partPath);
}

// Today's help texts are some 60 KB; a longer one is read as far as this.
enum { HELP_READ_LIMIT = 256 * 1024 };

ToolOptions LearnFromHelp(const WorkPaths *paths, const char *identity, const char *helpPath, ToolOptions refused)
{
    // Static: read once for a tool file, and kept off the stack.
    static char help[HELP_READ_LIMIT];
    FILE *file = fopen(helpPath, "rb");
    size_t got = file ? fread(help, 1, sizeof help, file) : 0;
    if (file)
        fclose(file);
    if (got == 0)
        return refused;
    refused |= OptionsMissingFromHelp(help, got);
    RememberRefused(paths, identity, refused);
    return refused;
}

static const char *const LIST_CHOICE_WORDS[] = {"best", "mp3"};

int ReadListChoice(const WorkPaths *paths)
{
    char path[PATH_SIZE], text[8] = "";
    FILE *file = JoinText(path, sizeof path, paths->probeOutPath, LIST_CHOICE_SUFFIX) ? fopen(path, "rb") : NULL;
    if (!file)
        return 0;
    size_t got = fread(text, 1, sizeof text - 1, file);
    fclose(file);
    text[got] = '\0';
    for (int i = 0; i < LIST_FILTERS; i++)
        if (strcmp(text, LIST_CHOICE_WORDS[i]) == 0)
            return LIST_FILTER_BEST - i;
    return 0;
}

bool WriteListChoice(const WorkPaths *paths, int choice)
{
    char path[PATH_SIZE];
    if (!JoinText(path, sizeof path, paths->probeOutPath, LIST_CHOICE_SUFFIX))
        return false;
    if (choice != LIST_FILTER_BEST && choice != LIST_FILTER_MP3)
        return DeleteFileA(path) || GetLastError() == ERROR_FILE_NOT_FOUND;
    FILE *file = fopen(path, "wb");
    const char *word = LIST_CHOICE_WORDS[LIST_FILTER_BEST - choice];
    bool written = file && fwrite(word, 1, strlen(word), file) == strlen(word);
    if (file && fclose(file) != 0)
        written = false;
    return written;
}

bool ListArchivePath(const WorkPaths *paths, char *path)
{
    return paths->runFolder[0] && JoinText(path, PATH_SIZE, paths->runFolder, "\\list-archive.txt");
}
