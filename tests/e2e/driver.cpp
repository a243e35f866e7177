// End-to-end driver: process start with a private environment, cross-process window access,
// and polling waits. Everything here runs in the test process under Wine.
#include "tests/e2e/driver.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <ctype.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <vector>

// Cross-process sends must not hang a test on a frozen program.
static const UINT SEND_TIMEOUT_MS = 5000;

static char g_error[1024];

static void SetError(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    vsnprintf(g_error, sizeof g_error, format, args);
    va_end(args);
}

const char *DriverError()
{
    return g_error;
}

AppRun::AppRun()
{
    ZeroMemory(&pi, sizeof pi);
    job = NULL;
    window = NULL;
    exePath[0] = '\0';
    tempDir[0] = '\0';
    workDir[0] = '\0';
}

AppRun::~AppRun()
{
    KillApp(this);
}

bool WaitUntil(const std::function<bool()> &done, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (done())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return done();
        Sleep(20);
    }
}

// ---- paths and files ----

static bool CopyText(char *out, size_t size, const char *text)
{
    if (size == 0 || strlen(text) >= size)
        return false;
    lstrcpynA(out, text, (int)size);
    return true;
}

bool DriverDir(char *out, size_t size)
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, path, sizeof path);
    if (n == 0 || n >= sizeof path) {
        SetError("GetModuleFileNameA failed (error %lu)", GetLastError());
        return false;
    }
    char *slash = strrchr(path, '\\');
    if (slash)
        *slash = '\0';
    if (!CopyText(out, size, path)) {
        SetError("driver folder too long: %s", path);
        return false;
    }
    return true;
}

bool JoinPath(char *out, size_t size, const char *dir, const char *name)
{
    size_t len = strlen(dir);
    const char *sep = (len > 0 && (dir[len - 1] == '\\' || dir[len - 1] == '/')) ? "" : "\\";
    int n = snprintf(out, size, "%s%s%s", dir, sep, name);
    if (n < 0 || (size_t)n >= size) {
        if (size > 0)
            out[0] = '\0';
        SetError("path too long: %s\\%s", dir, name);
        return false;
    }
    return true;
}

bool TempFilePath(const AppRun *run, const char *name, char *out, size_t size)
{
    if (run->tempDir[0] == '\0') {
        SetError("run has no temp dir yet");
        return false;
    }
    return JoinPath(out, size, run->tempDir, name);
}

bool FileExists(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

long long FileSize(const char *path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return -1;
    return ((long long)data.nFileSizeHigh << 32) | data.nFileSizeLow;
}

bool ReadWholeFile(const char *path, std::string *out)
{
    out->clear();
    // Share everything: the program may still hold the file open.
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        SetError("cannot open %s (error %lu)", path, GetLastError());
        return false;
    }
    char chunk[4096];
    DWORD got = 0;
    bool ok = true;
    for (;;) {
        if (!ReadFile(file, chunk, sizeof chunk, &got, NULL)) {
            SetError("cannot read %s (error %lu)", path, GetLastError());
            ok = false;
            break;
        }
        if (got == 0)
            break;
        out->append(chunk, got);
    }
    CloseHandle(file);
    return ok;
}

bool WriteWholeFile(const char *path, const void *data, size_t size)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        SetError("cannot create %s (error %lu)", path, GetLastError());
        return false;
    }
    const char *bytes = (const char *)data;
    bool ok = true;
    while (size > 0) {
        DWORD put = 0;
        DWORD want = size > 0x100000 ? 0x100000 : (DWORD)size;
        if (!WriteFile(file, bytes, want, &put, NULL) || put == 0) {
            SetError("cannot write %s (error %lu)", path, GetLastError());
            ok = false;
            break;
        }
        bytes += put;
        size -= put;
    }
    CloseHandle(file);
    return ok;
}

// Wide throughout: the program saves files under names in any script, which the driver's
// own code page cannot spell.
static bool DeleteTreeW(const std::wstring &dir)
{
    if (GetFileAttributesW(dir.c_str()) == INVALID_FILE_ATTRIBUTES)
        return true;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &found);
    bool ok = true;
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (wcscmp(found.cFileName, L".") == 0 || wcscmp(found.cFileName, L"..") == 0)
                continue;
            std::wstring path = dir + L"\\" + found.cFileName;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                ok = DeleteTreeW(path) && ok;
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (!DeleteFileW(path.c_str())) {
                    SetError("cannot delete a file in %ls (error %lu)", dir.c_str(), GetLastError());
                    ok = false;
                }
            }
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    SetFileAttributesW(dir.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (ok && !RemoveDirectoryW(dir.c_str())) {
        SetError("cannot remove %ls (error %lu)", dir.c_str(), GetLastError());
        return false;
    }
    return ok;
}

bool DeleteTree(const char *dir)
{
    wchar_t wide[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, dir, -1, wide, MAX_PATH)) {
        SetError("cannot spell %s", dir);
        return false;
    }
    return DeleteTreeW(wide);
}

// ---- starting and stopping ----

// Keeps a test name usable as one folder name.
static void SanitizeName(char *name)
{
    for (char *p = name; *p; ++p) {
        char c = *p;
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                     c == '.' || c == '-' || c == '_';
        if (!plain)
            *p = '_';
    }
}

static void CurrentTestName(char *out, size_t size)
{
    const ::testing::TestInfo *info = ::testing::UnitTest::GetInstance()->current_test_info();
    if (info)
        snprintf(out, size, "%s.%s", info->test_suite_name(), info->name());
    else
        snprintf(out, size, "%s", "no-test");
}

bool PrepareRun(AppRun *run, const char *name)
{
    char testName[200];
    if (name)
        snprintf(testName, sizeof testName, "%s", name);
    else
        CurrentTestName(testName, sizeof testName);
    SanitizeName(testName);

    char driverDir[MAX_PATH];
    char base[MAX_PATH];
    char dir[MAX_PATH];
    if (!DriverDir(driverDir, sizeof driverDir) || !JoinPath(base, sizeof base, driverDir, "e2e-tmp") ||
        !JoinPath(dir, sizeof dir, base, testName))
        return false;
    CreateDirectoryA(base, NULL);
    // A program from an earlier run may release its files a moment after exiting.
    if (!WaitUntil([&] { return DeleteTree(dir); }, E2E_WAIT_MS))
        return false;
    if (!CreateDirectoryA(dir, NULL)) {
        SetError("cannot create %s (error %lu)", dir, GetLastError());
        return false;
    }
    lstrcpynA(run->tempDir, dir, sizeof run->tempDir);
    return true;
}

// Wine can turn a Unix path (as a shell would set VIDMORA_EXE) into a DOS one.
static bool UnixToDosPath(const char *unixPath, char *out, size_t size)
{
    typedef WCHAR *(CDECL * DosNameFn)(const char *);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    DosNameFn toDos = kernel ? (DosNameFn)(void *)GetProcAddress(kernel, "wine_get_dos_file_name") : NULL;
    if (!toDos)
        return false;
    WCHAR *wide = toDos(unixPath);
    if (!wide)
        return false;
    int n = WideCharToMultiByte(CP_ACP, 0, wide, -1, out, (int)size, NULL, NULL);
    HeapFree(GetProcessHeap(), 0, wide);
    return n > 0;
}

static bool ResolveExe(char *out, size_t size)
{
    char value[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("VIDMORA_EXE", value, sizeof value);
    if (n >= sizeof value) {
        SetError("VIDMORA_EXE is too long");
        return false;
    }
    char candidate[MAX_PATH];
    if (n > 0) {
        if (value[0] == '/') {
            if (!UnixToDosPath(value, candidate, sizeof candidate)) {
                SetError("cannot map VIDMORA_EXE=%s to a Windows path", value);
                return false;
            }
        } else {
            lstrcpynA(candidate, value, sizeof candidate);
        }
    } else {
        char dir[MAX_PATH];
        if (!DriverDir(dir, sizeof dir) || !JoinPath(candidate, sizeof candidate, dir, "vidmora.exe"))
            return false;
    }
    DWORD full = GetFullPathNameA(candidate, (DWORD)size, out, NULL);
    if (full == 0 || full >= size) {
        SetError("cannot make a full path of %s", candidate);
        return false;
    }
    if (!FileExists(out)) {
        SetError("program not found: %s", out);
        return false;
    }
    return true;
}

static bool EntryHasName(const char *entry, const char *name)
{
    size_t n = strlen(name);
    return _strnicmp(entry, name, n) == 0 && entry[n] == '=';
}

// Case-insensitive order of names, as Windows expects an environment block.
static bool EntryBefore(const std::string &a, const std::string &b)
{
    size_t i = 0;
    for (;; ++i) {
        char ca = i < a.size() ? a[i] : '\0';
        char cb = i < b.size() ? b[i] : '\0';
        // The first '=' after the name start ends the name ("=C:=..." entries start with one).
        bool endA = ca == '\0' || (ca == '=' && i > 0);
        bool endB = cb == '\0' || (cb == '=' && i > 0);
        if (endA || endB)
            return endA && !endB;
        int ua = toupper((unsigned char)ca);
        int ub = toupper((unsigned char)cb);
        if (ua != ub)
            return ua < ub;
    }
}

// Driver's own environment with TMP, TEMP, LOCALAPPDATA and `extra` replaced. The program
// keeps a tool per user in LOCALAPPDATA: each run gets a folder of its own, <tempDir>\local.
static std::vector<char> BuildEnvironment(const char *tempDir, const EnvVar *extra, int extraCount)
{
    std::vector<EnvVar> overrides;
    std::string local = std::string(tempDir) + "\\local";
    CreateDirectoryA(local.c_str(), NULL);
    EnvVar tmp = {"TMP", tempDir};
    EnvVar temp = {"TEMP", tempDir};
    EnvVar localAppData = {"LOCALAPPDATA", local.c_str()};
    overrides.push_back(tmp);
    overrides.push_back(temp);
    overrides.push_back(localAppData);
    for (int i = 0; i < extraCount; ++i)
        overrides.push_back(extra[i]);

    std::vector<std::string> entries;
    char *own = GetEnvironmentStringsA();
    for (const char *p = own; p && *p; p += strlen(p) + 1) {
        bool replaced = false;
        for (size_t i = 0; i < overrides.size() && !replaced; ++i)
            replaced = EntryHasName(p, overrides[i].name);
        if (!replaced)
            entries.push_back(p);
    }
    if (own)
        FreeEnvironmentStringsA(own);

    for (size_t i = 0; i < overrides.size(); ++i) {
        if (!overrides[i].value)
            continue;
        bool later = false; // a later override of the same name wins
        for (size_t j = i + 1; j < overrides.size(); ++j)
            later = later || lstrcmpiA(overrides[i].name, overrides[j].name) == 0;
        if (!later)
            entries.push_back(std::string(overrides[i].name) + "=" + overrides[i].value);
    }
    std::stable_sort(entries.begin(), entries.end(), EntryBefore);

    std::vector<char> block;
    for (size_t i = 0; i < entries.size(); ++i)
        block.insert(block.end(), entries[i].c_str(), entries[i].c_str() + entries[i].size() + 1);
    block.push_back('\0');
    if (block.size() == 1)
        block.push_back('\0');
    return block;
}

struct MainSearch {
    DWORD pid;
    HWND found;
};

static BOOL CALLBACK FindMainWindow(HWND window, LPARAM param)
{
    MainSearch *search = (MainSearch *)param;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid || !IsWindowVisible(window))
        return TRUE;
    char name[64];
    char title[64];
    if (!GetClassNameA(window, name, sizeof name) || strcmp(name, E2E_MAIN_CLASS) != 0)
        return TRUE;
    GetWindowTextA(window, title, sizeof title);
    if (strcmp(title, E2E_MAIN_TITLE) != 0)
        return TRUE;
    search->found = window;
    return FALSE;
}

static bool CreateKillJob(AppRun *run)
{
    run->job = CreateJobObjectA(NULL, NULL);
    if (!run->job)
        return false;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits;
    ZeroMemory(&limits, sizeof limits);
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(run->job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        CloseHandle(run->job);
        run->job = NULL;
        return false;
    }
    return true;
}

// Wine closes a desktop a second after its last user ends, and its own process (explorer)
// with it; a program that started that process holds it in its job and takes it along when
// the job is ended. Either leaves the desktop without its owner for the next start, whose
// window then dies on a stale X window of the old owner. So the driver starts the desktop's
// process itself, and a helper that only waits keeps the desktop in use for the driver's life
// (its job ends it when the driver ends).
static void KeepDesktop()
{
    static bool kept;
    if (kept)
        return;
    kept = true;
    GetDesktopWindow();
    char dir[MAX_PATH], helper[MAX_PATH], commandLine[MAX_PATH + 32];
    if (!DriverDir(dir, sizeof dir) || !JoinPath(helper, sizeof helper, dir, "e2e_fakeapp.exe"))
        return;
    snprintf(commandLine, sizeof commandLine, "\"%s\" --keep-desktop", helper);
    AppRun keeper;
    ZeroMemory(&keeper, sizeof keeper);
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    if (!CreateKillJob(&keeper))
        return;
    if (!CreateProcessA(helper, commandLine, NULL, NULL, FALSE, CREATE_SUSPENDED, NULL, dir, &startup, &keeper.pi))
        return;
    if (AssignProcessToJobObject(keeper.job, keeper.pi.hProcess))
        ResumeThread(keeper.pi.hThread);
    else
        TerminateProcess(keeper.pi.hProcess, 1);
    // The job's handle stays open on purpose: it closes when the driver ends.
    CloseHandle(keeper.pi.hThread);
    CloseHandle(keeper.pi.hProcess);
}

bool LaunchApp(AppRun *run, const char *args, const EnvVar *extra, int extraCount)
{
    KeepDesktop();
    if (IsAppRunning(run)) {
        SetError("program of this run is still running");
        return false;
    }
    KillApp(run); // drops handles and leftovers of an earlier start
    if (run->tempDir[0] == '\0' && !PrepareRun(run, NULL))
        return false;
    if (!ResolveExe(run->exePath, sizeof run->exePath))
        return false;

    char commandLine[2048];
    int n = snprintf(commandLine, sizeof commandLine, "\"%s\"%s%s", run->exePath,
                     (args && *args) ? " " : "", args ? args : "");
    if (n < 0 || (size_t)n >= sizeof commandLine) {
        SetError("command line too long");
        return false;
    }
    char workDir[MAX_PATH];
    lstrcpynA(workDir, run->workDir[0] ? run->workDir : run->exePath, sizeof workDir);
    char *slash = run->workDir[0] ? NULL : strrchr(workDir, '\\');
    if (slash)
        *slash = '\0';

    std::vector<char> environment = BuildEnvironment(run->tempDir, extra, extraCount);
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    // Suspended so the job holds it (and its children) before it runs.
    if (!CreateProcessA(run->exePath, commandLine, NULL, NULL, FALSE, CREATE_SUSPENDED, &environment[0],
                        workDir, &startup, &run->pi)) {
        SetError("CreateProcessA(%s) failed (error %lu)", commandLine, GetLastError());
        ZeroMemory(&run->pi, sizeof run->pi);
        return false;
    }
    if (CreateKillJob(run) && !AssignProcessToJobObject(run->job, run->pi.hProcess)) {
        CloseHandle(run->job);
        run->job = NULL;
    }
    ResumeThread(run->pi.hThread);
    return true;
}

static void DescribeOpenDialog(const AppRun *run, char *out, size_t size);

bool WaitMainWindow(AppRun *run, DWORD timeoutMs)
{
    if (!run->pi.hProcess) {
        SetError("no program started");
        return false;
    }
    MainSearch search = {run->pi.dwProcessId, NULL};
    bool exited = false;
    WaitUntil([&] {
        exited = WaitForSingleObject(run->pi.hProcess, 0) == WAIT_OBJECT_0;
        if (exited)
            return true;
        EnumWindows(FindMainWindow, (LPARAM)&search);
        return search.found != NULL;
    }, timeoutMs);
    if (search.found && !exited) {
        run->window = search.found;
        return true;
    }
    if (exited) {
        DWORD code = 0;
        GetExitCodeProcess(run->pi.hProcess, &code);
        SetError("%s exited with code %lu before showing its window", run->exePath, code);
    } else {
        // A box shown instead of the window usually explains the failure.
        char dialog[512];
        DescribeOpenDialog(run, dialog, sizeof dialog);
        SetError("no visible window of class %s titled %s from %s within %lu ms%s", E2E_MAIN_CLASS,
                 E2E_MAIN_TITLE, run->exePath, timeoutMs, dialog);
    }
    return false;
}

bool StartApp(AppRun *run, const char *args, const EnvVar *extra, int extraCount)
{
    if (!LaunchApp(run, args, extra, extraCount))
        return false;
    if (WaitMainWindow(run, E2E_WAIT_MS))
        return true;
    KillApp(run);
    return false;
}

bool IsAppRunning(const AppRun *run)
{
    return run->pi.hProcess && WaitForSingleObject(run->pi.hProcess, 0) == WAIT_TIMEOUT;
}

bool CloseApp(const AppRun *run)
{
    if (!run->window || !PostMessageA(run->window, WM_CLOSE, 0, 0)) {
        SetError("cannot post WM_CLOSE (error %lu)", GetLastError());
        return false;
    }
    return true;
}

bool WaitExit(AppRun *run, DWORD timeoutMs, DWORD *exitCode)
{
    if (!run->pi.hProcess) {
        SetError("no program started");
        return false;
    }
    if (WaitForSingleObject(run->pi.hProcess, timeoutMs) != WAIT_OBJECT_0) {
        SetError("program still running after %lu ms", timeoutMs);
        return false;
    }
    DWORD code = 0;
    GetExitCodeProcess(run->pi.hProcess, &code);
    if (exitCode)
        *exitCode = code;
    return true;
}

static int ActiveJobProcesses(HANDLE job)
{
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info;
    if (!QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info, sizeof info, NULL))
        return 0;
    return (int)info.ActiveProcesses;
}

void KillApp(AppRun *run)
{
    if (run->job) {
        TerminateJobObject(run->job, 1);
        // Children may hold files in the temp dir; wait until they are gone.
        WaitUntil([&] { return ActiveJobProcesses(run->job) == 0; }, E2E_WAIT_MS);
        CloseHandle(run->job);
        run->job = NULL;
    }
    if (run->pi.hProcess) {
        if (WaitForSingleObject(run->pi.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(run->pi.hProcess, 1);
        WaitForSingleObject(run->pi.hProcess, E2E_WAIT_MS);
        CloseHandle(run->pi.hProcess);
    }
    if (run->pi.hThread)
        CloseHandle(run->pi.hThread);
    ZeroMemory(&run->pi, sizeof run->pi);
    run->window = NULL;
}

// ---- main window controls ----

struct ChildSearch {
    int id;
    HWND found;
};

static BOOL CALLBACK FindChildById(HWND window, LPARAM param)
{
    ChildSearch *search = (ChildSearch *)param;
    // Compare 16 bits: 0xFFFF may come back sign-extended.
    if ((GetDlgCtrlID(window) & 0xFFFF) == (search->id & 0xFFFF)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

static HWND FindDescendant(HWND parent, int id)
{
    if (!parent)
        return NULL;
    ChildSearch search = {id, NULL};
    EnumChildWindows(parent, FindChildById, (LPARAM)&search);
    return search.found;
}

HWND ControlOf(const AppRun *run, int id)
{
    HWND control = run->window ? GetDlgItem(run->window, id) : NULL;
    if (!control)
        control = FindDescendant(run->window, id);
    if (!control)
        SetError("no control %d in the main window", id);
    return control;
}

// A user can click only a shown control whose ancestors are all enabled.
static HWND ClickableControl(const AppRun *run, int id)
{
    HWND control = ControlOf(run, id);
    if (!control)
        return NULL;
    if (!IsWindowVisible(control)) {
        SetError("control %d is hidden", id);
        return NULL;
    }
    for (HWND w = control; w; w = GetParent(w)) {
        if (!IsWindowEnabled(w)) {
            SetError(w == control ? "control %d is disabled" : "window holding control %d is disabled", id);
            return NULL;
        }
        if (w == run->window)
            break;
    }
    return control;
}

static bool PostCommand(HWND control, int id, WORD code)
{
    if (!PostMessageA(GetParent(control), WM_COMMAND, MAKEWPARAM(id, code), (LPARAM)control)) {
        SetError("PostMessageA(WM_COMMAND %d) failed (error %lu)", id, GetLastError());
        return false;
    }
    return true;
}

bool PostClick(const AppRun *run, int id)
{
    HWND control = ClickableControl(run, id);
    return control && PostCommand(control, id, BN_CLICKED);
}

bool PostTabClick(const AppRun *run, int id, bool doubleClick)
{
    HWND control = ClickableControl(run, id);
    if (!control || !PostCommand(control, id, STN_CLICKED))
        return false;
    return !doubleClick || PostCommand(control, id, STN_DBLCLK);
}

bool PostControlNotify(const AppRun *run, int id, WORD code)
{
    HWND control = ControlOf(run, id);
    return control && PostCommand(control, id, code);
}

static bool WindowText(HWND window, char *buf, size_t size)
{
    if (size == 0)
        return false;
    buf[0] = '\0';
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, (WPARAM)size, (LPARAM)buf, SMTO_ABORTIFHUNG,
                             SEND_TIMEOUT_MS, &result)) {
        SetError("WM_GETTEXT timed out or failed (error %lu)", GetLastError());
        buf[0] = '\0';
        return false;
    }
    buf[size - 1] = '\0';
    return true;
}

bool GetControlText(const AppRun *run, int id, char *buf, size_t size)
{
    if (size > 0)
        buf[0] = '\0';
    HWND control = ControlOf(run, id);
    return control && WindowText(control, buf, size);
}

bool SetControlText(const AppRun *run, int id, const char *text)
{
    HWND control = ControlOf(run, id);
    if (!control)
        return false;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(control, WM_SETTEXT, 0, (LPARAM)text, SMTO_ABORTIFHUNG, SEND_TIMEOUT_MS,
                             &result) ||
        !result) {
        SetError("WM_SETTEXT on control %d failed (error %lu)", id, GetLastError());
        return false;
    }
    return true;
}

bool IsControlEnabled(const AppRun *run, int id)
{
    HWND control = ControlOf(run, id);
    return control && IsWindowEnabled(control);
}

bool IsControlVisible(const AppRun *run, int id)
{
    HWND control = ControlOf(run, id);
    return control && IsWindowVisible(control);
}

bool GetControlRect(const AppRun *run, int id, RECT *rect)
{
    HWND control = ControlOf(run, id);
    if (!control || !GetWindowRect(control, rect)) {
        SetError("no rectangle for control %d", id);
        return false;
    }
    MapWindowPoints(HWND_DESKTOP, GetParent(control), (POINT *)rect, 2);
    return true;
}

bool WaitControlText(const AppRun *run, int id, const char *expected, DWORD timeoutMs)
{
    char text[1024] = "";
    bool ok = WaitUntil([&] { return GetControlText(run, id, text, sizeof text) && strcmp(text, expected) == 0; },
                        timeoutMs);
    if (!ok)
        SetError("control %d shows \"%s\", not \"%s\"", id, text, expected);
    return ok;
}

// ---- message boxes and dialogs ----

struct DialogSearch {
    DWORD pid;
    const char *caption;
    HWND found;
    int count;
};

static BOOL CALLBACK FindDialogWindow(HWND window, LPARAM param)
{
    DialogSearch *search = (DialogSearch *)param;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid || !IsWindowVisible(window))
        return TRUE;
    char name[64];
    if (!GetClassNameA(window, name, sizeof name) || strcmp(name, E2E_DIALOG_CLASS) != 0)
        return TRUE;
    if (search->caption) {
        char caption[256];
        GetWindowTextA(window, caption, sizeof caption);
        if (strcmp(caption, search->caption) != 0)
            return TRUE;
    }
    if (!search->found)
        search->found = window;
    search->count++;
    return TRUE;
}

static DialogSearch SearchDialogs(const AppRun *run, const char *caption)
{
    DialogSearch search = {run->pi.dwProcessId, caption, NULL, 0};
    if (run->pi.hProcess)
        EnumWindows(FindDialogWindow, (LPARAM)&search);
    return search;
}

HWND FindDialog(const AppRun *run, const char *caption, DWORD timeoutMs)
{
    HWND found = NULL;
    WaitUntil([&] {
        found = SearchDialogs(run, caption).found;
        return found != NULL;
    }, timeoutMs);
    if (!found)
        SetError("no dialog%s%s%s within %lu ms", caption ? " \"" : "", caption ? caption : "",
                 caption ? "\"" : "", timeoutMs);
    return found;
}

int CountDialogs(const AppRun *run)
{
    return SearchDialogs(run, NULL).count;
}

bool DialogCaption(HWND dialog, char *buf, size_t size)
{
    return WindowText(dialog, buf, size);
}

bool DialogItemText(HWND dialog, int id, char *buf, size_t size)
{
    if (size > 0)
        buf[0] = '\0';
    HWND item = FindDescendant(dialog, id);
    if (!item) {
        SetError("dialog has no item %d", id);
        return false;
    }
    return WindowText(item, buf, size);
}

bool DialogText(HWND box, char *buf, size_t size)
{
    return DialogItemText(box, E2E_BOX_TEXT, buf, size);
}

static void DescribeOpenDialog(const AppRun *run, char *out, size_t size)
{
    out[0] = '\0';
    HWND dialog = SearchDialogs(run, NULL).found;
    if (!dialog)
        return;
    char caption[128];
    char text[300];
    WindowText(dialog, caption, sizeof caption);
    DialogText(dialog, text, sizeof text);
    snprintf(out, size, "; a box is open: \"%s\": \"%s\"", caption, text);
}

bool DialogHasButton(HWND dialog, int id)
{
    HWND item = FindDescendant(dialog, id);
    char name[32];
    return item && GetClassNameA(item, name, sizeof name) && lstrcmpiA(name, "Button") == 0 &&
           IsWindowVisible(item);
}

bool PressDialogButton(HWND dialog, int id)
{
    HWND item = FindDescendant(dialog, id);
    if (!item || !IsWindowEnabled(item)) {
        SetError("dialog has no enabled control %d", id);
        return false;
    }
    if (!PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)item)) {
        SetError("PostMessageA to dialog failed (error %lu)", GetLastError());
        return false;
    }
    return true;
}

bool WaitDialogGone(HWND dialog, DWORD timeoutMs)
{
    bool gone = WaitUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, timeoutMs);
    if (!gone)
        SetError("dialog still shown after %lu ms", timeoutMs);
    return gone;
}

// ---- the save dialog ----

static HWND FilterCombo(HWND dialog)
{
    HWND combo = FindDescendant(dialog, E2E_SAVE_FILTER_COMBO);
    if (!combo)
        SetError("save dialog has no file-type box");
    return combo;
}

// The combo box is a Unicode window, so items are read wide.
static bool SendWide(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR *result)
{
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, SEND_TIMEOUT_MS, result)) {
        SetError("message %u to the save dialog failed (error %lu)", message, GetLastError());
        return false;
    }
    return true;
}

int SaveDialogFilterCount(HWND dialog)
{
    HWND combo = FilterCombo(dialog);
    DWORD_PTR count = 0;
    if (!combo || !SendWide(combo, CB_GETCOUNT, 0, 0, &count) || (LRESULT)count == CB_ERR)
        return -1;
    return (int)count;
}

bool SaveDialogFilterText(HWND dialog, int index, char *buf, size_t size)
{
    if (size > 0)
        buf[0] = '\0';
    HWND combo = FilterCombo(dialog);
    DWORD_PTR length = 0;
    WCHAR wide[1024];
    if (!combo || !SendWide(combo, CB_GETLBTEXTLEN, index, 0, &length))
        return false;
    if ((LRESULT)length == CB_ERR || length >= sizeof wide / sizeof wide[0]) {
        SetError("no usable file-type entry %d", index);
        return false;
    }
    DWORD_PTR copied = 0;
    if (!SendWide(combo, CB_GETLBTEXT, index, (LPARAM)wide, &copied) || (LRESULT)copied == CB_ERR)
        return false;
    wide[copied] = 0;
    if (WideCharToMultiByte(CP_ACP, 0, wide, -1, buf, (int)size, NULL, NULL) == 0) {
        SetError("file-type entry %d does not fit", index);
        if (size > 0)
            buf[0] = '\0';
        return false;
    }
    return true;
}

int SaveDialogSelectedFilter(HWND dialog)
{
    HWND combo = FilterCombo(dialog);
    DWORD_PTR index = 0;
    if (!combo || !SendWide(combo, CB_GETCURSEL, 0, 0, &index) || (LRESULT)index == CB_ERR)
        return -1;
    return (int)index;
}

bool SelectSaveDialogFilter(HWND dialog, int index)
{
    HWND combo = FilterCombo(dialog);
    DWORD_PTR result = 0;
    if (!combo || !SendWide(combo, CB_SETCURSEL, index, 0, &result))
        return false;
    if ((LRESULT)result != index) {
        SetError("save dialog has no file-type entry %d", index);
        return false;
    }
    // The dialog reacts to the notifications, not to the selection itself.
    return SendWide(dialog, WM_COMMAND, MAKEWPARAM(E2E_SAVE_FILTER_COMBO, CBN_SELCHANGE), (LPARAM)combo, &result) &&
           SendWide(dialog, WM_COMMAND, MAKEWPARAM(E2E_SAVE_FILTER_COMBO, CBN_SELENDOK), (LPARAM)combo, &result);
}

static HWND NameBox(HWND dialog)
{
    HWND box = FindDescendant(dialog, E2E_SAVE_NAME_COMBO);
    if (!box)
        box = FindDescendant(dialog, E2E_SAVE_NAME_EDIT);
    if (!box)
        SetError("save dialog has no file-name box");
    return box;
}

bool SetSaveDialogFileName(HWND dialog, const char *name)
{
    HWND box = NameBox(dialog);
    DWORD_PTR result = 0;
    if (!box)
        return false;
    if (!SendMessageTimeoutA(box, WM_SETTEXT, 0, (LPARAM)name, SMTO_ABORTIFHUNG, SEND_TIMEOUT_MS, &result) ||
        !result) {
        SetError("cannot set the file name (error %lu)", GetLastError());
        return false;
    }
    return true;
}

bool GetSaveDialogFileName(HWND dialog, char *buf, size_t size)
{
    if (size > 0)
        buf[0] = '\0';
    HWND box = NameBox(dialog);
    return box && WindowText(box, buf, size);
}

bool ConfirmSaveDialog(HWND dialog)
{
    return PressDialogButton(dialog, IDOK);
}

bool CancelSaveDialog(HWND dialog)
{
    return PressDialogButton(dialog, IDCANCEL);
}

// ---- the keyboard ----

bool BringToFront(const AppRun *run)
{
    bool front = WaitUntil([&] {
        if (GetForegroundWindow() == run->window)
            return true;
        SetForegroundWindow(run->window);
        return false;
    });
    if (!front)
        SetError("the program's window does not come to the front");
    return front;
}

bool PressKeys(std::initializer_list<WORD> chord)
{
    std::vector<INPUT> inputs;
    for (int release = 0; release < 2; ++release) {
        for (size_t i = 0; i < chord.size(); ++i) {
            WORD key = release ? chord.begin()[chord.size() - 1 - i] : chord.begin()[i];
            INPUT input;
            ZeroMemory(&input, sizeof input);
            input.type = INPUT_KEYBOARD;
            input.ki.wVk = key;
            input.ki.wScan = (WORD)MapVirtualKeyA(key, MAPVK_VK_TO_VSC);
            input.ki.dwFlags = release ? KEYEVENTF_KEYUP : 0;
            inputs.push_back(input);
        }
    }
    if (SendInput((UINT)inputs.size(), inputs.data(), sizeof(INPUT)) != inputs.size()) {
        SetError("SendInput failed (error %lu)", GetLastError());
        return false;
    }
    return true;
}

int FocusedId(const AppRun *run)
{
    GUITHREADINFO info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    DWORD thread = run->window ? GetWindowThreadProcessId(run->window, NULL) : 0;
    if (!thread || !GetGUIThreadInfo(thread, &info) || !info.hwndFocus)
        return -1;
    if (info.hwndFocus == run->window)
        return 0;
    return IsChild(run->window, info.hwndFocus) ? GetDlgCtrlID(info.hwndFocus) & 0xFFFF : -1;
}

bool WaitFocus(const AppRun *run, int id, DWORD timeoutMs)
{
    int focused = -1;
    bool ok = WaitUntil([&] { return (focused = FocusedId(run)) == id; }, timeoutMs);
    if (!ok)
        SetError("the focus is on %d, not on %d", focused, id);
    return ok;
}

// ---- clipboard ----

// Another process (Wine's clipboard manager) may hold the clipboard briefly.
static bool OpenClipboardSoon()
{
    if (WaitUntil([] { return OpenClipboard(NULL) != 0; }, 5000))
        return true;
    SetError("cannot open the clipboard (error %lu)", GetLastError());
    return false;
}

bool SetClipboardText(const char *text)
{
    size_t size = strlen(text) + 1;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!memory) {
        SetError("GlobalAlloc failed");
        return false;
    }
    char *copy = (char *)GlobalLock(memory);
    if (!copy) {
        SetError("GlobalLock failed");
        GlobalFree(memory);
        return false;
    }
    memcpy(copy, text, size);
    GlobalUnlock(memory);
    if (!OpenClipboardSoon()) {
        GlobalFree(memory);
        return false;
    }
    bool ok = EmptyClipboard() && SetClipboardData(CF_TEXT, memory) != NULL;
    if (!ok) {
        SetError("cannot put text on the clipboard (error %lu)", GetLastError());
        GlobalFree(memory);
    }
    CloseClipboard();
    return ok;
}

bool EmptyClipboardText()
{
    if (!OpenClipboardSoon())
        return false;
    bool ok = EmptyClipboard() != 0;
    if (!ok)
        SetError("EmptyClipboard failed (error %lu)", GetLastError());
    CloseClipboard();
    return ok;
}

bool GetClipboardText(char *buf, size_t size)
{
    if (size == 0)
        return false;
    buf[0] = '\0';
    if (!OpenClipboardSoon())
        return false;
    bool ok = false;
    HANDLE data = GetClipboardData(CF_TEXT);
    const char *text = data ? (const char *)GlobalLock(data) : NULL;
    if (text) {
        lstrcpynA(buf, text, (int)size);
        GlobalUnlock(data);
        ok = true;
    } else {
        SetError("no text on the clipboard");
    }
    CloseClipboard();
    return ok;
}
