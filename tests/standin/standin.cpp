// Offline stand-in for the download tool: answers the probes and downloads the
// GUI runs, with every page described by its address (see README.md).
#include <windows.h>

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "jsruntime.h"
#include "knows.h"
#include "merge.h"
#include "page.h"
#include "table.h"
#include "textcode.h"
#include "titles.h"
#include "version.h"

// IMAGE_CAP bounds the exe -U rewrites (the stand-in is well under 1 MiB). A command line
// holds at most LINE_CAP UTF-16 units, each at most 3 bytes of UTF-8, and fewer
// arguments than units, so ARG_TEXT_CAP holds every argument with its NUL.
enum {
    PATH_CAP = 4096,
    CHUNK = 65536,
    IMAGE_CAP = 8 * 1024 * 1024,
    LINE_CAP = 32768,
    ARG_TEXT_CAP = 4 * LINE_CAP,
    TEXT_CAP = 3 * LINE_CAP + 1024  // one printed text: a line with the whole address fits
};

// Set in the environment of the child a onefile=1 run starts, so the child does the work.
static const char kChildMarker[] = "STANDIN_ONEFILE_CHILD";

// The version block: the marker, then the version text NUL-padded. Read through volatile
// so the compiler keeps every byte in the file and cannot fold the text into the code: a
// copy of the exe with these bytes rewritten must report its own version.
static volatile char gVersionBlock[STANDIN_VERSION_MARKER_LEN + STANDIN_VERSION_ROOM] =
    STANDIN_VERSION_MARKER_HEAD STANDIN_VERSION_MARKER_TAIL STANDIN_DEFAULT_VERSION;

// What yt-dlp's updater calls a release of the official stable builds.
#define STANDIN_LABEL "stable@%s from yt-dlp/yt-dlp"

// The page's WARNING text, printed once before the first ERROR line of a failing run.
static const char *gWarning;

// The YouTube challenge went unsolved: the page offers only formats with picture and sound.
static int gMuxedOnly;

enum { JS_RUNTIMES_CAP = 16 };  // --js-runtimes values kept; later ones are ignored

struct Options {
    int getFilename;
    int listFormats;
    int consoleTitle;
    int version;
    int update;
    int help;
    int ignoreConfig;
    int noPlaylist;
    int noPluginDirs;
    int noJsRuntimes;                         // the default deno is cleared
    int jsRuntimeCount;
    const char *jsRuntimes[JS_RUNTIMES_CAP];  // the values after the last --no-js-runtimes
    const char *playlistItems;
    const char *output;
    const char *format;
    const char *encoding;
    const char *mergeFormat;     // --merge-output-format
    const char *ffmpegLocation;  // --ffmpeg-location
    const char *cookies;         // --cookies FILE
    const char *cookiesBrowser;  // --cookies-from-browser BROWSER
    const char *address;
    int flatPlaylist;  // --flat-playlist
};

// ---- text in and out -------------------------------------------------------------

// What the stand-in prints is UTF-8 after --encoding utf-8, else text in the ANSI code
// page that leaves out what the code page cannot hold, as the Python tools write.
static int gUtf8Out;
static UINT gCodePage;

// fprintf for every text the stand-in prints: formatted in UTF-8, written encoded.
#if defined(__MINGW_PRINTF_FORMAT)
__attribute__((format(__MINGW_PRINTF_FORMAT, 2, 3)))
#endif
static void say(FILE *f, const char *fmt, ...)
{
    static char text[TEXT_CAP];
    static char coded[TEXT_CAP];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(text, sizeof text, fmt, ap);  // cut only past the longest command line
    va_end(ap);
    size_t len = 0;
    if (gUtf8Out)
        StandinEncodeText(text, StandinUtf8Char, NULL, coded, sizeof coded, &len);
    else
        StandinEncodeText(text, StandinCodePageChar, &gCodePage, coded, sizeof coded, &len);
    fwrite(coded, 1, len, f);
}

// 1 if what the stand-in prints can hold the character.
static int outputHolds(unsigned cp)
{
    char one[STANDIN_CHAR_MAX];
    return gUtf8Out || StandinCodePageChar(cp, one, sizeof one, &gCodePage) > 0;
}

// "utf-8" as Python names the codec, in any case, with or without the dash.
static int isUtf8Name(const char *name)
{
    return _stricmp(name, "utf-8") == 0 || _stricmp(name, "utf8") == 0;
}

typedef LPWSTR *(WINAPI *SplitCommandLine)(LPCWSTR, int *);

// The arguments as UTF-8, split from the wide command line as the Python tools read
// theirs; the C runtime's argv is in the ANSI code page, which loses characters. shell32
// is loaded by hand because the stand-in's link line does not name it. Returns the count,
// or -1 when the line cannot be split.
static int readArguments(char ***out)
{
    static char text[ARG_TEXT_CAP];
    static char *args[LINE_CAP + 1];
    HMODULE shell = LoadLibraryA("shell32.dll");
    SplitCommandLine split =
        shell ? (SplitCommandLine)(void *)GetProcAddress(shell, "CommandLineToArgvW") : NULL;
    int count = 0;
    LPWSTR *wide = split ? split(GetCommandLineW(), &count) : NULL;
    if (!wide)
        return -1;
    size_t used = 0;
    int n = 0;
    for (; n < count && n < LINE_CAP; n++) {
        int len = WideCharToMultiByte(CP_UTF8, 0, wide[n], -1, text + used,
                                      (int)(sizeof text - used), NULL, NULL);
        if (len <= 0)
            break;
        args[n] = text + used;
        used += (size_t)len;
    }
    LocalFree(wide);
    if (n < count)
        return -1;
    args[n] = NULL;
    *out = args;
    return n;
}

enum { WIDE_PATH_CAP = 3 * PATH_CAP + 16 };  // a UTF-8 path never has more units than bytes

// A UTF-8 path as Windows' wide file functions take it; 0 (and an empty text) if it does
// not fit.
static int widen(const char *utf8, wchar_t *out, int outCount)
{
    if (MultiByteToWideChar(CP_UTF8, 0, utf8, -1, out, outCount) > 0)
        return 1;
    out[0] = L'\0';
    return 0;
}

// fopen, GetFileAttributes, MoveFileEx and DeleteFile for UTF-8 paths: Unicode names are
// created and found exactly as given, whatever the code page.
static FILE *openFile(const char *path, const wchar_t *mode)
{
    static wchar_t wide[WIDE_PATH_CAP];
    return widen(path, wide, WIDE_PATH_CAP) ? _wfopen(wide, mode) : NULL;
}

static DWORD attributesOf(const char *path)
{
    static wchar_t wide[WIDE_PATH_CAP];
    return widen(path, wide, WIDE_PATH_CAP) ? GetFileAttributesW(wide) : INVALID_FILE_ATTRIBUTES;
}

static int moveFile(const char *from, const char *to, DWORD flags)
{
    static wchar_t wideFrom[WIDE_PATH_CAP];
    static wchar_t wideTo[WIDE_PATH_CAP];
    return widen(from, wideFrom, WIDE_PATH_CAP) && widen(to, wideTo, WIDE_PATH_CAP) &&
           MoveFileExW(wideFrom, wideTo, flags);
}

static int deleteFile(const char *path)
{
    static wchar_t wide[WIDE_PATH_CAP];
    return widen(path, wide, WIDE_PATH_CAP) && DeleteFileW(wide);
}

// This exe's full path in UTF-8; 0 if it does not fit.
static int ownPath(char *out, size_t outSize)
{
    wchar_t wide[PATH_CAP];
    DWORD n = GetModuleFileNameW(NULL, wide, PATH_CAP);
    if (n == 0 || n >= PATH_CAP)
        return 0;
    return WideCharToMultiByte(CP_UTF8, 0, wide, -1, out, (int)outSize, NULL, NULL) > 0;
}

// Appends the arguments to $STANDIN_ARGS_FILE (UTF-8) so tests can see what the GUI passed.
// Runs that start together append at once: each block goes in one write, under a lock.
static void recordArguments(int argc, char **argv)
{
    wchar_t path[PATH_CAP];
    DWORD n = GetEnvironmentVariableW(L"STANDIN_ARGS_FILE", path, PATH_CAP);
    if (n == 0 || n >= PATH_CAP)
        return;
    static char block[65536];
    int used = snprintf(block, sizeof block, "ARGC %d\n", argc - 1);
    for (int i = 1; i < argc && used >= 0 && (size_t)used < sizeof block; i++)
        used += snprintf(block + used, sizeof block - used, "%s\n", argv[i]);
    if (used < 0 || (size_t)used + 4 >= sizeof block)
        return;
    used += snprintf(block + used, sizeof block - used, "END\n");
    HANDLE f = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, NULL);
    if (f == INVALID_HANDLE_VALUE)
        return;
    OVERLAPPED whole;
    memset(&whole, 0, sizeof whole);
    BOOL locked = LockFileEx(f, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole);
    DWORD written;
    WriteFile(f, block, (DWORD)used, &written, NULL);
    if (locked)
        UnlockFileEx(f, 0, MAXDWORD, MAXDWORD, &whole);
    CloseHandle(f);
}

// Appends one line to $STANDIN_HELPER_LOG (UTF-8, "\n" line ends), so tests can see which
// configuration files a run read and which helper programs it started.
#if defined(__MINGW_PRINTF_FORMAT)
__attribute__((format(__MINGW_PRINTF_FORMAT, 1, 2)))
#endif
static void helperLog(const char *fmt, ...)
{
    static wchar_t path[PATH_CAP];
    static char line[TEXT_CAP];
    DWORD n = GetEnvironmentVariableW(L"STANDIN_HELPER_LOG", path, PATH_CAP);
    if (n == 0 || n >= PATH_CAP)
        return;
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(line, sizeof line, fmt, ap);
    va_end(ap);
    FILE *f = _wfopen(path, L"ab");
    if (!f)
        return;
    fprintf(f, "%s\n", line);
    fclose(f);
}

// A path made full (GetFullPathNameW) in UTF-8; 0 if it does not fit.
static int fullPathOf(const wchar_t *path, char *out, size_t outSize)
{
    static wchar_t full[WIDE_PATH_CAP];
    DWORD n = GetFullPathNameW(path, WIDE_PATH_CAP, full, NULL);
    return n > 0 && n < WIDE_PATH_CAP &&
           WideCharToMultiByte(CP_UTF8, 0, full, -1, out, (int)outSize, NULL, NULL) > 0;
}

// The 2013 tool's optparse usage error.
static int usage(const char *reason, const char *detail)
{
    say(stderr, "Usage: youtube-dl [options] url [url...]\n\n");
    say(stderr, "youtube-dl: error: %s%s\n", reason, detail ? detail : "");
    return 2;
}

// Today's tools warn about something on the way before they fail.
static void warnFirst(void)
{
    if (gWarning)
        say(stderr, "WARNING: %s\n", gWarning);
    gWarning = NULL;
}

static int failWith(const char *message, const char *detail)
{
    warnFirst();
    say(stderr, "ERROR: %s%s\n", message, detail ? detail : "");
    return 1;
}

static int isChild(void)
{
    char value[8];
    return GetEnvironmentVariableA(kChildMarker, value, sizeof value) > 0;
}

// A one-file PyInstaller starter keeps a hidden top-level window while its child runs;
// the program under test must not take it for the tool's console window.
static HWND createHiddenWindow(void)
{
    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof wc);
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "PyInstallerOnefileHiddenWindow";
    if (!RegisterClassA(&wc))
        return NULL;
    HWND window = CreateWindowExA(0, wc.lpszClassName, "PyInstaller Onefile Hidden Window",
                                  WS_OVERLAPPED, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, NULL, NULL, wc.hInstance, NULL);
    if (window)
        ShowWindow(window, SW_HIDE);
    return window;
}

// Waits for the process while answering the window's messages, so a caller that sends
// the window one (or asks whether it hangs) is not kept waiting.
static void waitPumping(HANDLE process)
{
    while (MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_ALLINPUT) ==
           WAIT_OBJECT_0 + 1) {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    WaitForSingleObject(process, INFINITE);  // in case the wait itself failed
}

// onefile=1: run this program again with the same command line on the same console and
// standard handles, wait for it and pass its exit code on, as a one-file packed tool's
// starter does. Ending this process leaves the child running.
static int runAsChild(void)
{
    wchar_t exe[PATH_CAP];
    DWORD n = GetModuleFileNameW(NULL, exe, PATH_CAP);
    if (n == 0 || n >= PATH_CAP)
        return failWith("cannot find the stand-in's own path", NULL);
    SetEnvironmentVariableA(kChildMarker, "1");
    STARTUPINFOW si;
    ZeroMemory(&si, sizeof si);
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi;
    // The wide line, so the child gets every argument intact (CreateProcessW may write to it).
    static wchar_t commandLine[LINE_CAP];
    const wchar_t *line = GetCommandLineW();
    size_t lineLen = wcslen(line);
    if (lineLen >= LINE_CAP)
        return failWith("the command line is too long", NULL);
    memcpy(commandLine, line, (lineLen + 1) * sizeof *line);
    HWND hidden = createHiddenWindow();
    if (!CreateProcessW(exe, commandLine, NULL, NULL, TRUE, 0, NULL, NULL, &si, &pi)) {
        if (hidden)
            DestroyWindow(hidden);
        return failWith("cannot start the stand-in's child", NULL);
    }
    CloseHandle(pi.hThread);
    waitPumping(pi.hProcess);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    if (hidden)
        DestroyWindow(hidden);
    return (int)code;
}

// Takes the value of an option given as "-o X", "-oX" or "--output=X" (shortName may be
// NULL).
static int optionValue(int argc, char **argv, int *i, const char *shortName,
                       const char *longName, const char **value, int *bad)
{
    const char *arg = argv[*i];
    size_t shortLen = shortName ? strlen(shortName) : 0;
    size_t longLen = strlen(longName);
    if ((shortName && strcmp(arg, shortName) == 0) || strcmp(arg, longName) == 0) {
        if (*i + 1 >= argc) {
            *bad = 1;
            return 1;
        }
        *value = argv[++*i];
        return 1;
    }
    if (strncmp(arg, longName, longLen) == 0 && arg[longLen] == '=') {
        *value = arg + longLen + 1;
        return 1;
    }
    if (shortName && strncmp(arg, shortName, shortLen) == 0 && arg[shortLen] != '\0' &&
        arg[1] != '-') {
        *value = arg + shortLen;
        return 1;
    }
    return 0;
}

// The name optparse gives an option it does not know: a long one without its "=VALUE", a
// short one without the value joined to it.
static void optionName(const char *arg, char *out, size_t outSize)
{
    size_t len = arg[1] == '-' ? strcspn(arg, "=") : 2;
    snprintf(out, outSize, "%.*s", (int)len, arg);
}

static int isFlag(const char *arg, const char *shortName, const char *longName)
{
    return (shortName && strcmp(arg, shortName) == 0) || strcmp(arg, longName) == 0;
}

// yt-dlp's validate_options refusing a value, through optparse's error (its text ends in a
// line end).
static int ytdlpUsage(const char *fmt, const char *value)
{
    say(stderr, "Usage: yt-dlp [OPTIONS] URL [URL...]\n\n");
    say(stderr, "yt-dlp: error: ");
    say(stderr, fmt, value);
    say(stderr, "\n\n");
    return 2;
}

// What the stand-in no longer imitates: converting to MP3 and downloading a whole list. The
// real yt-dlp is tested on them, and a refusal here beats a run that seems to have done it.
static int notImitated(const char *what)
{
    say(stderr, "stand-in: %s is not imitated; tests/realtool runs the real yt-dlp for it\n", what);
    return 2;
}

// Returns 0 on success, else the exit code after printing usage. Like optparse, it stops at
// the first option this version does not know, whatever comes after it.
static int parseOptions(int argc, char **argv, const char *version, Options *opt)
{
    memset(opt, 0, sizeof *opt);
    int yesPlaylist = 0;
    int onlyPositional = 0;
    for (int i = 1; i < argc; i++) {
        const char *arg = argv[i];
        int bad = 0;
        const char *runtime = NULL;
        if (!onlyPositional && arg[0] == '-' && arg[1] != '\0') {
            char name[64];
            optionName(arg, name, sizeof name);
            if (strcmp(arg, "--") == 0)
                onlyPositional = 1;
            else if (!StandinKnows(version, name))
                return usage("no such option: ", name);
            else if (StandinNotImitated(name))
                return notImitated(name);
            else if (isFlag(arg, NULL, "--get-filename"))
                opt->getFilename = 1;
            else if (isFlag(arg, "-F", "--list-formats"))
                opt->listFormats = 1;
            else if (isFlag(arg, NULL, "--console-title"))
                opt->consoleTitle = 1;
            else if (isFlag(arg, NULL, "--version"))
                opt->version = 1;
            else if (isFlag(arg, "-U", "--update"))
                opt->update = 1;
            else if (isFlag(arg, "-h", "--help"))
                opt->help = 1;
            else if (isFlag(arg, NULL, "--ignore-config"))
                opt->ignoreConfig = 1;
            else if (isFlag(arg, NULL, "--no-playlist") || isFlag(arg, NULL, "--yes-playlist")) {
                opt->noPlaylist = arg[2] == 'n';  // the last one wins
                yesPlaylist |= arg[2] == 'y';
            } else if (isFlag(arg, NULL, "--flat-playlist"))
                opt->flatPlaylist = 1;
            else if (isFlag(arg, "-c", "--continue"))
                ;  // resuming is the default
            else if (isFlag(arg, NULL, "--no-plugin-dirs"))
                opt->noPluginDirs = 1;
            else if (isFlag(arg, NULL, "--no-js-runtimes")) {
                opt->noJsRuntimes = 1;
                opt->jsRuntimeCount = 0;  // clears those given before it too
            }
            else if (optionValue(argc, argv, &i, "-o", "--output", &opt->output, &bad) ||
                     optionValue(argc, argv, &i, "-f", "--format", &opt->format, &bad) ||
                     optionValue(argc, argv, &i, NULL, "--encoding", &opt->encoding, &bad) ||
                     optionValue(argc, argv, &i, NULL, "--merge-output-format",
                                 &opt->mergeFormat, &bad) ||
                     optionValue(argc, argv, &i, NULL, "--ffmpeg-location",
                                 &opt->ffmpegLocation, &bad) ||
                     optionValue(argc, argv, &i, "-I", "--playlist-items", &opt->playlistItems,
                                 &bad) ||
                     optionValue(argc, argv, &i, NULL, "--cookies", &opt->cookies, &bad) ||
                     optionValue(argc, argv, &i, NULL, "--cookies-from-browser", &opt->cookiesBrowser, &bad) ||
                     optionValue(argc, argv, &i, NULL, "--js-runtimes", &runtime, &bad)) {
                if (bad)
                    return usage(arg, " option requires an argument");
                if (runtime && opt->jsRuntimeCount < JS_RUNTIMES_CAP)
                    opt->jsRuntimes[opt->jsRuntimeCount++] = runtime;
            } else
                return usage("no such option: ", arg);
            continue;
        }
        if (opt->address)
            return usage("the stand-in takes one URL only", NULL);
        opt->address = arg;
    }
    // The address, read last, names the tool, whose own checks follow.
    StandinPage page;
    StandinParsePage(opt->address, &page);
    const char *newer = opt->encoding      ? "--encoding"
                        : opt->mergeFormat ? "--merge-output-format"
                        : opt->flatPlaylist ? "--flat-playlist"
                        : yesPlaylist      ? "--yes-playlist"
                                           : NULL;
    int addressless = opt->version || opt->update || opt->help;
    if (newer && !addressless && page.style == STANDIN_STYLE_2013)
        return usage("no such option: ", newer);  // the 2013 tool's optparse has neither
    if (opt->encoding && !isUtf8Name(opt->encoding)) {
        say(stderr, "stand-in: --encoding takes utf-8 only, not %s\n", opt->encoding);
        return 2;
    }
    if (addressless)
        return 0;  // need no address; any other option is ignored
    if (opt->mergeFormat && page.style == STANDIN_STYLE_YT_DLP &&
        !StandinMergeFormatValid(opt->mergeFormat))
        return ytdlpUsage("invalid merge output format \"%s\" given", opt->mergeFormat);
    if (!opt->address)
        return usage("you must provide at least one URL", NULL);
    if (opt->getFilename && opt->listFormats)
        return usage("--get-filename and --list-formats exclude each other", NULL);
    if (!opt->listFormats && !opt->output)
        return usage("-o TEMPLATE is required", NULL);
    // What only a whole list's download asks for is refused before anything is printed.
    static char expanded[PATH_CAP];
    int items[STANDIN_MAX_ENTRIES];
    if (!opt->listFormats &&
        StandinExpandStyledTemplate(opt->output, page.style, "", "", "", expanded,
                                    sizeof expanded, NULL) == STANDIN_TEMPLATE_NOT_IMITATED)
        return notImitated("%(playlist_index) in -o");
    if (!opt->getFilename && !opt->listFormats &&
        StandinListItems(&page, opt->noPlaylist, opt->playlistItems, items) > 1)
        return notImitated("downloading several videos of a list in one run");
    return 0;
}

static int parseCode(const char *text)
{
    int code = 0;
    if (!*text)
        return 0;
    for (; *text; text++) {
        if (*text < '0' || *text > '9' || code > STANDIN_MAX_CODE)
            return 0;
        code = code * 10 + (*text - '0');
    }
    return code <= STANDIN_MAX_CODE ? code : 0;
}

static int findFfmpeg(const Options *opt, char *program, size_t size, char *full,
                      size_t fullSize);

// yt-dlp chose its own formats without ffmpeg, and with it would have chosen others.
static int gFfmpegAdvice;

// yt-dlp's own choice of formats, which depends on whether ffmpeg can merge them.
static int pickDefault(const Options *opt, const StandinPage *page, StandinMergePick *pick)
{
    static char program[STANDIN_MERGE_PATH];
    static char full[STANDIN_MERGE_PATH];
    int canMerge = findFfmpeg(opt, program, sizeof program, full, sizeof full);
    int found = StandinDefaultFormats(page, canMerge, pick);
    StandinMergePick merged = {0, {0, 0}};
    int mergedFound = !canMerge && StandinDefaultFormats(page, 1, &merged);
    gFfmpegAdvice = !canMerge && (found != mergedFound || (found && (pick->count != merged.count ||
                                                           pick->codes[0] != merged.codes[0] ||
                                                           pick->codes[1] != merged.codes[1])));
    if (!found)
        failWith("requested format not available", NULL);
    return found;
}

// The warning yt-dlp gives for each video whose formats that choice made worse.
static void adviseFfmpeg(void)
{
    if (gFfmpegAdvice)
        say(stderr, "WARNING: ffmpeg not found. The downloaded format may not be the best "
                    "available. Installing ffmpeg is strongly recommended: "
                    "https://github.com/yt-dlp/yt-dlp#dependencies\n");
}

// Loads the page and picks the format (0 for a generic page's one), or in the yt-dlp
// style the two formats a merge takes; prints the error and returns 0 on failure. "best"
// takes the first format on every page; without --format a yt-dlp style page gets yt-dlp's
// own choice, the others their first format.
static int loadPage(const Options *opt, StandinPage *page, StandinMergePick *pick)
{
    char error[256];
    StandinParsePage(opt->address, page);
    if (gMuxedOnly && !page->generic)
        StandinKeepMuxedFormats(page);
    int mode = opt->getFilename ? STANDIN_FAIL_TITLE : opt->listFormats ? STANDIN_FAIL_FORMATS : -1;
    if (page->failOnly != STANDIN_FAIL_ANY && page->failOnly != mode)
        page->fail = 0;
    gWarning = StandinPageWarning(page);
    if (StandinPageError(page, error, sizeof error)) {
        failWith(error, NULL);
        return 0;
    }
    pick->count = 1;
    pick->codes[0] = page->generic ? 0 : page->formats[0];
    pick->codes[1] = 0;
    int *code = &pick->codes[0];
    if (!opt->format && page->style == STANDIN_STYLE_YT_DLP && !page->generic &&
        !opt->listFormats)  // a list of formats picks none
        return pickDefault(opt, page, pick);
    if (!opt->format || strcmp(opt->format, "best") == 0)
        return 1;
    int found = page->generic ? strcmp(opt->format, StandinGenericId(page)) == 0
                : page->style == STANDIN_STYLE_YT_DLP
                    ? StandinPickFormats(page, opt->format, pick)
                    : StandinPageHasFormat(page, *code = parseCode(opt->format));
    if (!found) {
        failWith("requested format not available", NULL);
        return 0;
    }
    return 1;
}

// The probe runs' extra behaviour: never answering, or answering late.
static void probeWait(const StandinPage *page)
{
    while (page->hang)
        Sleep(1000);
    if (page->probeDelayMs > 0)
        Sleep(page->probeDelayMs);
}

// The extension -o's %(ext)s stands for: a generic page's type, the merged file's or the
// format's own.
static const char *pickExt(const Options *opt, const StandinPage *page,
                           const StandinMergePick *pick)
{
    if (page->generic)
        return StandinGenericId(page);
    if (pick->count == 2)
        return StandinMergeExt(page, pick, opt->mergeFormat);
    return StandinFormatExt(page, pick->codes[0]);
}

// The destination for -o; on failure prints the tool's complaint and returns the exit
// code, else 0.
static int fileName(const Options *opt, const StandinPage *page, const char *ext, char *out,
                    size_t outSize)
{
    // Room for every byte tripled: yt-dlp's look-alikes take three bytes for one.
    char title[3 * STANDIN_MAX_TITLE + 2];
    char id[3 * STANDIN_MAX_ID + 2];
    if (page->style == STANDIN_STYLE_YT_DLP) {
        // yt-dlp fills an empty field with its placeholder, as a missing one.
        StandinSanitizeYtDlp(page->title[0] ? page->title : "NA", title, sizeof title);
        StandinSanitizeYtDlp(page->videoId, id, sizeof id);  // yt-dlp sanitizes every field
    } else {
        StandinSanitizeTitle(page->title, title, sizeof title);
        snprintf(id, sizeof id, "%s", page->videoId);
    }
    size_t at = 0;
    int result = StandinExpandStyledTemplate(opt->output, page->style, title, ext, id, out,
                                             outSize, &at);
    if (result == 1)
        return 0;
    if (result == 0)
        return failWith("file name too long", NULL);
    if (result == STANDIN_TEMPLATE_NOT_IMITATED)
        return notImitated("%(playlist_index) in -o");
    if (result == STANDIN_TEMPLATE_OPEN_FIELD && page->style == STANDIN_STYLE_YT_DLP) {
        say(stderr, "Usage: yt-dlp [OPTIONS] URL [URL...]\n\n");
        say(stderr, "yt-dlp: error: invalid default output template \"%s\": "
                    "incomplete format key\n", opt->output);
        return 2;
    }
    if (result == STANDIN_TEMPLATE_OPEN_FIELD)
        return failWith("Error in output template: incomplete format key", NULL);
    // youtube-dl hands the template to Python's % operator, which stops with an error.
    warnFirst();
    say(stderr, "ERROR: Error in output template: '%%' at index %u starts no field\n",
        (unsigned)at);
    return 1;
}

static int printName(const Options *opt, const StandinPage *page, const StandinMergePick *pick)
{
    char name[PATH_CAP];
    adviseFfmpeg();
    int rc = fileName(opt, page, pickExt(opt, page, pick), name, sizeof name);
    if (rc != 0)
        return rc;
    say(stdout, "%s\n", name);
    return 0;
}

// The lines each tool prints while it reads the page; `address` is the one the video has.
static void printExtracting(const char *address, const StandinPage *page)
{
    const char *ie = page->generic ? "generic" : "youtube";
    const char *id = page->videoId;
    switch (page->style) {
    case STANDIN_STYLE_YT_DLP:
        say(stdout, "[%s] Extracting URL: %s\n", ie, address);
        say(stdout, "[%s] %s: Downloading webpage\n", ie, id);
        if (!page->generic)
            say(stdout, "[youtube] %s: Downloading android player API JSON\n", id);
        break;
    case STANDIN_STYLE_YOUTUBE_DL:
        say(stdout, page->generic ? "[generic] %s: Requesting header\n"
                                  : "[youtube] %s: Downloading webpage\n", id);
        break;
    default:
        say(stdout, "[%s] %s: Downloading video webpage\n", ie, id);
        say(stdout, "[%s] %s: Downloading video info webpage\n", ie, id);
        say(stdout, "[%s] %s: Extracting video information\n", ie, id);
        break;
    }
}

static int printFormats(const char *address, const StandinPage *video)
{
    StandinPage page = *video;
    printExtracting(address, &page);
    // yt-dlp draws its table's lines with box characters only where its output holds them.
    if (page.box && !(outputHolds(0x2502) && outputHolds(0x2500)))
        page.box = 0;
    StandinTable table;
    static char line[4096];
    if (StandinTableBegin(&page, &table)) {
        say(stdout, "[info] Available formats for %s:\n", page.videoId);
        for (int i = 0; i < table.lineCount; i++) {
            StandinTableLine(&table, i, line, sizeof line);
            say(stdout, "%s\n", line);
        }
        return 0;
    }
    say(stdout, "Available formats:\n");
    if (page.generic) {
        say(stdout, "%s\t:\t%s\t[???]\n", StandinGenericId(&page), StandinGenericId(&page));
        return 0;
    }
    int lines = page.lines >= 0 ? page.lines : page.formatCount;
    for (int i = 0; i < lines; i++) {
        StandinFormatLine(&page, page.formats[i % page.formatCount], line, sizeof line);
        say(stdout, "%s\n", line);
    }
    return 0;
}

static int fileSize(const char *path, unsigned long long *size)
{
    static wchar_t wide[WIDE_PATH_CAP];
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!widen(path, wide, WIDE_PATH_CAP) ||
        !GetFileAttributesExW(wide, GetFileExInfoStandard, &data))
        return 0;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return 0;
    *size = ((unsigned long long)data.nFileSizeHigh << 32) | data.nFileSizeLow;
    return 1;
}

// Sets the console title when asked to; a tool writes the text to its console window.
static void setTitle(const Options *opt, const char *text)
{
    if (opt->consoleTitle)
        SetConsoleTitleA(text);
}

// The title and "[download]" line after `done` bytes; `first` marks the report of the
// first step, which today's tools make before they have measured a rate.
static void showProgress(const Options *opt, const StandinPage *page, unsigned long long done,
                         int withLine, int first)
{
    char text[192];
    char message[160];
    if (page->style == STANDIN_STYLE_2013) {
        StandinConsoleTitle(done, page, text, sizeof text);
        setTitle(opt, text);
        if (withLine) {
            StandinProgressLine(done, page, text, sizeof text);
            say(stdout, "%s\n", text);
        }
    } else if (withLine) {
        StandinStyledProgress(page->style, page, done, !first, message, sizeof message);
        StandinStyledTitle(page->style, message, text, sizeof text);
        setTitle(opt, text);
        say(stdout, "[download] %s\n", message);
    }
    fflush(stdout);
}

// The "100% of ..." report at the end of one file in today's styles.
static void showDone(const Options *opt, const StandinPage *page, long long elapsedMs)
{
    if (page->style == STANDIN_STYLE_2013)
        return;
    char message[160];
    char text[192];
    StandinStyledFinished(page->style, page, elapsedMs, message, sizeof message);
    StandinStyledTitle(page->style, message, text, sizeof text);
    setTitle(opt, text);
    if (elapsedMs >= 0)
        say(stdout, "[download] %s\n", message);
    fflush(stdout);
}

// yt-dlp's titles of its last post-processor, the last of which stays until the tool exits.
static void showMoveFiles(const Options *opt, const StandinPage *page)
{
    for (int i = 0; StandinPostTitle(page->style, i); i++)
        setTitle(opt, StandinPostTitle(page->style, i));
}

// Writes the file from `done` on, step by step: the page's bytes, or for a merged
// download's part those of `source` from the same offset. 1 when written, 0 when writing
// failed, -1 when reading the source failed.
static int writeSteps(const Options *opt, const StandinPage *page, FILE *f, FILE *source,
                      unsigned long long done)
{
    static unsigned char chunk[CHUNK];
    unsigned h = StandinHash(page->videoId);
    int first = 1;
    if (source && _fseeki64(source, (long long)done, SEEK_SET) != 0)
        return -1;
    while (done < page->size) {
        unsigned long long left = page->size - done;
        unsigned long long n = page->step < left ? page->step : left;
        while (n > 0) {
            size_t part = n < CHUNK ? (size_t)n : (size_t)CHUNK;
            if (!source)
                StandinFillBytes(h, done, chunk, part);
            else if (fread(chunk, 1, part, source) != part)
                return -1;
            if (fwrite(chunk, 1, part, f) != part)
                return 0;
            done += part;
            n -= part;
        }
        // Flushed per step so a watcher sees the .part grow.
        if (fflush(f) != 0)
            return 0;
        showProgress(opt, page, done, 1, first);
        first = 0;
        if (done < page->size)
            Sleep(page->delayMs);
    }
    return 1;
}

// Downloads `dest` through its ".part" as the tools do: a shorter .part is continued, a
// longer one started over, every step reported, and the .part renamed when complete.
// Returns 0, or the exit code after printing the failure.
static int downloadFile(const Options *opt, const StandinPage *page, const char *dest,
                        FILE *source)
{
    char part[STANDIN_MERGE_PATH + 8];
    snprintf(part, sizeof part, "%s.part", dest);
    unsigned long long done = 0;
    const wchar_t *mode = L"wb";
    if (fileSize(part, &done) && done <= page->size)
        mode = L"ab";
    else
        done = 0;  // none, or longer than the file: start over

    say(stdout, "[download] Destination: %s\n", dest);
    if (done > 0)
        say(stdout, "[download] Resuming download at byte %llu\n", done);
    showProgress(opt, page, done, 0, 1);

    DWORD started = GetTickCount();
    FILE *f = openFile(part, mode);
    if (!f)
        return failWith("unable to open for writing: ", part);
    int written = writeSteps(opt, page, f, source, done);
    if (fclose(f) != 0 && written > 0)
        written = 0;
    if (written < 0)
        return failWith("stand-in: cannot read the media file for ", dest);
    if (!written)
        return failWith("unable to write data: ", part);
    if (!moveFile(part, dest, MOVEFILE_REPLACE_EXISTING))
        return failWith("unable to rename file: ", part);
    showDone(opt, page, (long long)(DWORD)(GetTickCount() - started));
    return 0;
}

// The file in $STANDIN_MEDIA_DIR a part's bytes come from: sound.m4a for a sound-only
// format, else picture.mp4. 0 when it is not there.
static int mediaFile(int code, char *out, size_t outSize)
{
    wchar_t wide[PATH_CAP];
    char dir[3 * PATH_CAP];
    DWORD n = GetEnvironmentVariableW(L"STANDIN_MEDIA_DIR", wide, PATH_CAP);
    if (n == 0 || n >= PATH_CAP ||
        WideCharToMultiByte(CP_UTF8, 0, wide, -1, dir, (int)sizeof dir, NULL, NULL) <= 0)
        return 0;
    size_t len = strlen(dir);
    int joined = len > 0 && (dir[len - 1] == '\\' || dir[len - 1] == '/');
    const char *name = StandinHasVideo(code) ? "picture.mp4" : "sound.m4a";
    int w = snprintf(out, outSize, "%s%s%s", dir, joined ? "" : "\\", name);
    unsigned long long size;
    return w >= 0 && (size_t)w < outSize && fileSize(out, &size);
}

// One part of a merged download, a byte copy of its media file paced by the page's step
// (the part's size/20 unless step= is given) and delay. A part that is there already
// counts as complete, as yt-dlp takes it.
static int downloadFormat(const Options *opt, const StandinPage *page, const char *dest,
                        const char *media)
{
    StandinPage part = *page;
    if (fileSize(dest, &part.size)) {
        say(stdout, "[download] %s has already been downloaded\n", dest);
        showDone(opt, &part, -1);
        return 0;
    }
    FILE *source = openFile(media, L"rb");
    if (!source || !fileSize(media, &part.size) || part.size == 0) {
        if (source)
            fclose(source);
        return failWith("stand-in: cannot read ", media);
    }
    part.step = page->stepGiven ? page->step : part.size / 20;
    part.step = part.step < 1 ? 1 : part.step > part.size ? part.size : part.step;
    int rc = downloadFile(opt, &part, dest, source);
    fclose(source);
    return rc;
}

static int noMedia(void)
{
    return failWith("stand-in: STANDIN_MEDIA_DIR names no folder with picture.mp4 and "
                    "sound.m4a", NULL);
}

// A merged part once the merge is done: deleted, with yt-dlp's words.
static void deleteOriginal(const char *path)
{
    say(stdout, "Deleting original file %s (pass -k to keep)\n", path);
    if (!deleteFile(path))
        say(stderr, "WARNING: Unable to delete file %s\n", path);
}

// The ffmpeg yt-dlp would run: --ffmpeg-location's file or "ffmpeg" in its folder, else
// ffmpeg on the search path; `full` gets the full path of the exe that runs. Prints
// yt-dlp's warning for a location that does not exist, once a run; 0 when there is no
// ffmpeg to run, which yt-dlp finds out before it downloads.
static int findFfmpeg(const Options *opt, char *program, size_t size, char *full,
                      size_t fullSize)
{
    static int warned;
    static wchar_t wide[WIDE_PATH_CAP];
    if (!opt->ffmpegLocation) {
        DWORD n = SearchPathW(NULL, L"ffmpeg", L".exe", WIDE_PATH_CAP, wide, NULL);
        snprintf(program, size, "ffmpeg");
        return n > 0 && n < WIDE_PATH_CAP && fullPathOf(wide, full, fullSize);
    }
    DWORD attributes = attributesOf(opt->ffmpegLocation);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (!warned) {
            warnFirst();
            say(stderr, "WARNING: ffmpeg-location %s does not exist! Continuing without ffmpeg\n",
                opt->ffmpegLocation);
        }
        warned = 1;
        return 0;
    }
    int folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!StandinFfmpegProgram(opt->ffmpegLocation, folder, program, size))
        return 0;
    char exe[STANDIN_MERGE_PATH + 8];
    snprintf(exe, sizeof exe, "%s%s", program, folder ? ".exe" : "");  // Windows adds .exe
    unsigned long long exeSize;
    if (folder && !fileSize(exe, &exeSize))
        return 0;
    return widen(exe, wide, WIDE_PATH_CAP) && fullPathOf(wide, full, fullSize);
}

// NUL for a helper's standard handle, inheritable so that it can be passed on.
static HANDLE openNul(DWORD access)
{
    SECURITY_ATTRIBUTES sa = {sizeof sa, NULL, TRUE};
    return CreateFileW(L"NUL", access, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, OPEN_EXISTING,
                       0, NULL);
}

// Starts a program as yt-dlp's Popen does: window hidden, and only the three standard
// handles inherited, as Python passes no others.
static BOOL startHidden(const wchar_t *app, wchar_t *line, HANDLE in, HANDLE out, HANDLE err,
                        PROCESS_INFORMATION *pi)
{
    STARTUPINFOEXW si;
    ZeroMemory(&si, sizeof si);
    si.StartupInfo.cb = sizeof si;
    si.StartupInfo.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    si.StartupInfo.wShowWindow = SW_HIDE;
    si.StartupInfo.hStdInput = in;
    si.StartupInfo.hStdOutput = out;
    si.StartupInfo.hStdError = err;
    HANDLE inherit[3] = {in, out, err};
    static void *listRoom[64];  // pointer-aligned room for the attribute list
    SIZE_T listSize = 0;
    DWORD flags = 0;
    InitializeProcThreadAttributeList(NULL, 1, 0, &listSize);
    LPPROC_THREAD_ATTRIBUTE_LIST list = (LPPROC_THREAD_ATTRIBUTE_LIST)(void *)listRoom;
    if (listSize > 0 && listSize <= sizeof listRoom &&
        InitializeProcThreadAttributeList(list, 1, 0, &listSize)) {
        if (UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherit,
                                      sizeof inherit, NULL, NULL)) {
            si.lpAttributeList = list;
            flags = EXTENDED_STARTUPINFO_PRESENT;
        } else {
            DeleteProcThreadAttributeList(list);
        }
    }
    BOOL started =
        CreateProcessW(app, line, NULL, NULL, TRUE, flags, NULL, NULL, &si.StartupInfo, pi);
    if (si.lpAttributeList)
        DeleteProcThreadAttributeList(si.lpAttributeList);
    return started;
}

// "run PATH ARGS..." in the helper log: the program's full path, then the arguments as
// they are, one blank between them.
static void logRun(const char *path, const StandinArgList *args)
{
    static char line[3 * LINE_CAP];
    int n = snprintf(line, sizeof line, "%s", path);
    for (int i = 1; i < args->count && n > 0 && (size_t)n < sizeof line; i++)
        n += snprintf(line + n, sizeof line - (size_t)n, " %s", args->arg[i]);
    helperLog("run %s", line);
}

// What a helper printed on one standard handle: its start (or, with `tail`, its end) and
// how many bytes there were in all.
struct Captured {
    char text[8192];
    size_t len;
    unsigned long long total;
    int tail;
};

static void capture(Captured *c, const char *data, size_t n)
{
    c->total += n;
    if (c->tail && n >= sizeof c->text) {
        data += n - (sizeof c->text - 1);
        n = sizeof c->text - 1;
    }
    if (c->tail && c->len + n >= sizeof c->text) {
        size_t drop = c->len + n - (sizeof c->text - 1);
        memmove(c->text, c->text + drop, c->len - drop);
        c->len -= drop;
    }
    if (n > sizeof c->text - 1 - c->len)
        n = sizeof c->text - 1 - c->len;
    memcpy(c->text + c->len, data, n);
    c->len += n;
    c->text[c->len] = '\0';
}

// Reads what a pipe holds now, without waiting for more.
static void drain(HANDLE pipe, Captured *c)
{
    char chunk[4096];
    DWORD avail = 0;
    DWORD got = 0;
    while (pipe && PeekNamedPipe(pipe, NULL, 0, NULL, &avail, NULL) && avail > 0 &&
           ReadFile(pipe, chunk, avail < sizeof chunk ? avail : sizeof chunk, &got, NULL) &&
           got > 0)
        capture(c, chunk, got);
}

// A child's end of one standard handle, inheritable: a pipe whose other end goes to
// `ours`, or NUL when `piped` is 0.
static HANDLE childHandle(int piped, int isInput, HANDLE *ours)
{
    *ours = NULL;
    if (!piped)
        return openNul(isInput ? GENERIC_READ : GENERIC_WRITE);
    SECURITY_ATTRIBUTES sa = {sizeof sa, NULL, TRUE};
    HANDLE read, write;
    if (!CreatePipe(&read, &write, &sa, 65536))  // room for all of a challenge script
        return INVALID_HANDLE_VALUE;
    *ours = isInput ? write : read;
    SetHandleInformation(*ours, HANDLE_FLAG_INHERIT, 0);
    return isInput ? read : write;
}

enum { HELPER_NOT_STARTED = -1, HELPER_TOO_LONG = -2 };

// Runs a helper as yt-dlp's Popen does and, once started, logs it ("run FULL ARGS..."). It
// gets `input` on its standard input (NULL: NUL), and its standard output and error go to
// out and err (NULL: NUL; err == out: one pipe, as Python's stderr=STDOUT). The wait for
// it to end, not for its pipes, which another process may have inherited, ends the run;
// after waitMs it is ended. Returns its exit code, HELPER_NOT_STARTED or HELPER_TOO_LONG.
static int runHelper(const StandinArgList *args, const char *full, const char *input,
                     DWORD waitMs, Captured *out, Captured *err)
{
    static char line[3 * LINE_CAP];
    static wchar_t wideLine[LINE_CAP];
    Captured *both[2] = {out, err};
    for (int i = 0; i < 2; i++)
        if (both[i]) {
            both[i]->len = 0;
            both[i]->total = 0;
            both[i]->text[0] = '\0';
        }
    if (!args->ok || !StandinQuoteArgs(args, line, sizeof line) ||
        MultiByteToWideChar(CP_UTF8, 0, line, -1, wideLine, LINE_CAP) <= 0)
        return HELPER_NOT_STARTED;
    HANDLE ours[3];
    HANDLE theirs[3];
    theirs[0] = childHandle(input != NULL, 1, &ours[0]);
    theirs[1] = childHandle(out != NULL, 0, &ours[1]);
    theirs[2] = childHandle(err != NULL && err != out, 0, &ours[2]);
    if (err && err == out && theirs[1] != INVALID_HANDLE_VALUE) {
        // The same pipe, as a handle of its own: a handle list takes each handle once.
        CloseHandle(theirs[2]);
        if (!DuplicateHandle(GetCurrentProcess(), theirs[1], GetCurrentProcess(), &theirs[2],
                             0, TRUE, DUPLICATE_SAME_ACCESS))
            theirs[2] = INVALID_HANDLE_VALUE;
    }
    PROCESS_INFORMATION pi;
    BOOL started = theirs[0] != INVALID_HANDLE_VALUE && theirs[1] != INVALID_HANDLE_VALUE &&
                   theirs[2] != INVALID_HANDLE_VALUE &&
                   startHidden(NULL, wideLine, theirs[0], theirs[1], theirs[2], &pi);
    for (int i = 0; i < 3; i++)
        if (theirs[i] != INVALID_HANDLE_VALUE)
            CloseHandle(theirs[i]);  // so that our reads end when the helper does
    if (started) {
        logRun(full, args);
        CloseHandle(pi.hThread);
        DWORD written = 0;
        if (input)
            WriteFile(ours[0], input, (DWORD)strlen(input), &written, NULL);
    }
    if (ours[0])
        CloseHandle(ours[0]);  // the end of its input
    int code = HELPER_NOT_STARTED;
    DWORD begun = GetTickCount();
    for (int exited = !started; !exited;) {
        exited = WaitForSingleObject(pi.hProcess, 50) == WAIT_OBJECT_0;
        drain(ours[1], out);
        drain(ours[2], err);
        if (!exited && waitMs != INFINITE && GetTickCount() - begun >= waitMs) {
            TerminateProcess(pi.hProcess, 1);
            WaitForSingleObject(pi.hProcess, 5000);
            code = HELPER_TOO_LONG;
            break;
        }
        DWORD exitCode = 1;
        if (exited) {
            GetExitCodeProcess(pi.hProcess, &exitCode);
            code = (int)exitCode;
        }
    }
    if (started)
        CloseHandle(pi.hProcess);
    for (int i = 1; i < 3; i++)
        if (ours[i])
            CloseHandle(ours[i]);
    return code;
}

// An argument list: the program, then `count` arguments.
static const StandinArgList *argList(const char *program, const char *const *rest, int count)
{
    static StandinArgList args;
    args.count = 0;
    args.used = 0;
    args.ok = 1;
    standinAddArg(&args, "", program);
    for (int i = 0; i < count; i++)
        standinAddArg(&args, "", rest[i]);
    return &args;
}

// Runs a helper with its output going nowhere and waits for it at most waitMs, as yt-dlp
// asks a program for its version; logText goes to the helper log once it has started.
static void runQuietly(const wchar_t *app, wchar_t *line, DWORD waitMs, const char *logKind,
                       const char *logText)
{
    HANDLE in = openNul(GENERIC_READ);
    HANDLE out = openNul(GENERIC_WRITE);
    HANDLE err = openNul(GENERIC_WRITE);
    PROCESS_INFORMATION pi;
    BOOL started = in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE &&
                   err != INVALID_HANDLE_VALUE && startHidden(app, line, in, out, err, &pi);
    HANDLE handles[3] = {in, out, err};
    for (int i = 0; i < 3; i++)
        if (handles[i] != INVALID_HANDLE_VALUE)
            CloseHandle(handles[i]);
    if (!started)
        return;
    helperLog("%s %s", logKind, logText);
    CloseHandle(pi.hThread);
    WaitForSingleObject(pi.hProcess, waitMs);
    CloseHandle(pi.hProcess);
}

// PATH FLAG with its output going nowhere, as yt-dlp learns ffmpeg's version.
static void askVersion(const char *path, const char *flag)
{
    static char line[3 * LINE_CAP];
    static wchar_t wide[LINE_CAP];
    const StandinArgList *args = argList(path, &flag, 1);
    if (!args->ok || !StandinQuoteArgs(args, line, sizeof line) ||
        MultiByteToWideChar(CP_UTF8, 0, line, -1, wide, LINE_CAP) <= 0)
        return;
    char text[STANDIN_MERGE_PATH + 32];
    snprintf(text, sizeof text, "%s %s", path, flag);
    runQuietly(NULL, wide, 10000, "run", text);
}

// Runs ffmpeg for a merge: standard input and output going nowhere (yt-dlp reads and
// drops them), standard error read to its end. Returns the exit code, or -1 when ffmpeg
// does not start; lastLine gets the last line of its standard error. `full` is the
// program's full path, for the helper log.
static int runFfmpeg(const StandinArgList *args, const char *full, char *lastLine,
                     size_t lastSize)
{
    static Captured errors;
    errors.tail = 1;
    int code = runHelper(args, full, NULL, INFINITE, NULL, &errors);
    StandinLastLine(errors.text, lastLine, lastSize);
    return code;
}

// A picture-only and a sound-only format merged by ffmpeg, as yt-dlp does it: both parts
// downloaded, ffmpeg writes the temporary file, which then takes the final name, and the
// parts are deleted. When ffmpeg fails the parts stay.
static int runMerge(const Options *opt, const StandinPage *page, const StandinMergePick *pick,
                    const StandinMergeNames *names)
{
    if (attributesOf(names->final) != INVALID_FILE_ATTRIBUTES) {
        say(stdout, "[download] %s has already been downloaded\n", names->final);
        fflush(stdout);
        return 0;
    }
    static char program[STANDIN_MERGE_PATH];
    static char full[STANDIN_MERGE_PATH];
    if (!findFfmpeg(opt, program, sizeof program, full, sizeof full))
        return failWith("You have requested merging of multiple formats but ffmpeg is not "
                        "installed. Aborting due to --abort-on-error", NULL);
    static char media[2][STANDIN_MERGE_PATH];
    for (int i = 0; i < 2; i++)
        if (!mediaFile(pick->codes[i], media[i], sizeof media[i]))
            return noMedia();
    for (int i = 0; i < 2; i++) {
        int rc = downloadFormat(opt, page, names->part[i], media[i]);
        if (rc != 0)
            return rc;
    }

    static StandinArgList args;
    if (!StandinMergeArgs(program, names, pick, page->mergeFail, &args))
        return failWith("file name too long", NULL);
    setTitle(opt, "yt-dlp Merger started");  // a post-processor's titles, as MoveFiles'
    say(stdout, "[Merger] Merging formats into \"%s\"\n", names->final);
    fflush(stdout);
    char last[1024];
    int code = runFfmpeg(&args, full, last, sizeof last);
    if (code < 0)  // yt-dlp's words when it has no ffmpeg to run
        return failWith("Postprocessing: ffmpeg not found. Please install or provide the "
                        "path using --ffmpeg-location", NULL);
    if (code != 0)
        return failWith("Postprocessing: ", last);
    if (!moveFile(names->temp, names->final, MOVEFILE_REPLACE_EXISTING))
        return failWith("unable to rename file: ", names->temp);
    setTitle(opt, "yt-dlp Merger finished");
    for (int i = 0; i < 2; i++)
        deleteOriginal(names->part[i]);
    fflush(stdout);
    return 0;
}

static int downloadVideo(const Options *opt, const char *address, const StandinPage *video,
                         const StandinMergePick *pick)
{
    StandinPage page = *video;
    char dest[PATH_CAP];
    int rc = fileName(opt, &page, pickExt(opt, &page, pick), dest, sizeof dest);
    if (rc != 0)
        return rc;
    printExtracting(address, &page);
    adviseFfmpeg();
    if (page.style == STANDIN_STYLE_YT_DLP) {
        char id[32];
        if (pick->count == 2)
            snprintf(id, sizeof id, "%d+%d", pick->codes[0], pick->codes[1]);
        else
            snprintf(id, sizeof id, "%d", pick->codes[0]);
        say(stdout, "[info] %s: Downloading 1 format(s): %s\n", page.videoId,
            page.generic ? StandinGenericId(&page) : id);
    }
    static StandinMergeNames names;
    unsigned long long size = 0;
    if (pick->count == 2) {
        if (!StandinMergeFileNames(&page, pick, dest, pickExt(opt, &page, pick), &names))
            return failWith("file name too long", NULL);
        rc = runMerge(opt, &page, pick, &names);
    } else if (fileSize(dest, &size) && size == page.size) {
        say(stdout, "[download] %s has already been downloaded\n", dest);
        showDone(opt, &page, -1);
    } else {
        rc = downloadFile(opt, &page, dest, NULL);
    }
    if (rc == 0)
        showMoveFiles(opt, &page);
    return rc;
}

// ---- lists -----------------------------------------------------------------------

// What a run does with each video it takes.
enum { RUN_NAME, RUN_FORMATS, RUN_DOWNLOAD };

static int runVideo(int kind, const Options *opt, const char *address, const StandinPage *page,
                    const StandinMergePick *pick)
{
    if (kind == RUN_NAME)
        return printName(opt, page, pick);
    if (kind == RUN_FORMATS)
        return printFormats(address, page);
    return downloadVideo(opt, address, page, pick);
}

// The lines each tool prints on reading the list, until its first entry. The texts are the
// tools' own: yt-dlp's _yes_playlist and __process_playlist, youtube-dl's YoutubeTabIE and
// __process_playlist, the 2013 tool's YoutubePlaylistIE and process_ie_result.
static void printListStart(const Options *opt, const StandinPage *page, int count)
{
    const char *list = page->list;
    const char *id = page->videoId;
    if (page->style == STANDIN_STYLE_YT_DLP) {
        say(stdout, "[youtube:tab] Extracting URL: %s\n", opt->address);
        if (page->videoGiven)
            say(stdout, "[youtube:tab] Downloading playlist %s - add --no-playlist to download "
                        "just the video %s\n", list, id);
        say(stdout, "[youtube:tab] %s: Downloading webpage\n", list);
        say(stdout, "[download] Downloading playlist: Stand-in list %s\n", list);
        say(stdout, "[youtube:tab] Playlist Stand-in list %s: Downloading %d items of %d\n", list,
            count, page->entries);
        return;
    }
    int modern = page->style == STANDIN_STYLE_YOUTUBE_DL;
    const char *ie = modern ? "youtube:tab" : "youtube:playlist";
    if (page->videoGiven)
        say(stdout, "[%s] Downloading playlist %s - add --no-playlist to just download video %s\n",
            ie, list, id);
    say(stdout, modern ? "[%s] %s: Downloading webpage\n" : "[%s] %s: Downloading page #1\n", ie,
        list);
    say(stdout, "[download] Downloading playlist: Stand-in list %s\n", list);
    if (modern)
        say(stdout, "[%s] playlist Stand-in list %s: Downloading %d videos\n", ie, list, count);
    else
        say(stdout, "[%s] playlist 'Stand-in list %s': Collected %d video ids (downloading %d of "
                    "them)\n", ie, list, page->entries, count);
}

static void printListItem(const StandinPage *page, int k, int count)
{
    const char *kind = page->style == STANDIN_STYLE_YT_DLP        ? "item "
                       : page->style == STANDIN_STYLE_YOUTUBE_DL ? "video "
                                                                 : "video #";
    say(stdout, "[download] Downloading %s%d of %d\n", kind, k, count);
}

// A video and a list named together, and --no-playlist: the tools say they take the video.
static void printJustTheVideo(const Options *opt, const StandinPage *page)
{
    const char *id = page->videoId;
    if (page->style == STANDIN_STYLE_YT_DLP) {
        say(stdout, "[youtube:tab] Extracting URL: %s\n", opt->address);
        say(stdout, "[youtube:tab] Downloading just the video %s because of --no-playlist\n", id);
    } else {
        say(stdout, "[%s] Downloading just video %s because of --no-playlist\n",
            page->style == STANDIN_STYLE_YOUTUBE_DL ? "youtube:tab" : "youtube:playlist", id);
    }
}

// A probe or download run: the page's own video, or each entry of its list the run takes.
// --get-filename prints the names alone, as the tools are quiet then. An entry that fails
// ends the run in youtube-dl; yt-dlp goes on, and the run then exits with 1. --flat-playlist
// reads no entry's page: --get-filename names each entry from the list alone (no extension).
// A download takes one video at most (parseOptions refuses more).
// Signing in, as yt-dlp does before its first request: Firefox's store is looked for under
// %APPDATA% (yt-dlp's _firefox_browser_dirs on Windows), a cookies file must be there. A page
// with botcheck=1 is YouTube's bot check, which only a run given cookies passes. 0 to go on.
static int signIn(const Options *opt, const StandinPage *page)
{
    if (opt->cookiesBrowser) {
        static char profiles[PATH_CAP], pattern[PATH_CAP];
        const char *appData = getenv("APPDATA");
        snprintf(profiles, sizeof profiles, "%s\\Mozilla\\Firefox\\Profiles", appData ? appData : "");
        snprintf(pattern, sizeof pattern, "%s\\*", profiles);
        WIN32_FIND_DATAA found;
        HANDLE search = strcmp(opt->cookiesBrowser, "firefox") == 0 ? FindFirstFileA(pattern, &found)
                                                                     : INVALID_HANDLE_VALUE;
        bool has = false;
        while (search != INVALID_HANDLE_VALUE && !has) {
            static char database[PATH_CAP];
            snprintf(database, sizeof database, "%s\\%s\\cookies.sqlite", profiles, found.cFileName);
            has = found.cFileName[0] != '.' && GetFileAttributesA(database) != INVALID_FILE_ATTRIBUTES;
            if (!FindNextFileA(search, &found))
                break;
        }
        if (search != INVALID_HANDLE_VALUE)
            FindClose(search);
        if (!has) {
            say(stderr, "ERROR: could not find %s cookies database in %s\n", opt->cookiesBrowser, profiles);
            return 1;
        }
    }
    if (opt->cookies && GetFileAttributesA(opt->cookies) == INVALID_FILE_ATTRIBUTES) {
        say(stderr, "ERROR: [Errno 2] No such file or directory: '%s'\n", opt->cookies);
        return 1;
    }
    if (page->botCheck && !opt->cookies && !opt->cookiesBrowser) {
        // The reason YouTube gives, then yt-dlp's hint (_youtube_login_hint).
        say(stderr, "ERROR: [youtube] %s: Sign in to confirm you\xE2\x80\x99re not a bot. Use --cookies-from-browser or "
                    "--cookies for the authentication. See  https://github.com/yt-dlp/yt-dlp/wiki/FAQ#how-do-i-pass-"
                    "cookies-to-yt-dlp  for how to manually pass cookies. Also see  https://github.com/yt-dlp/yt-dlp/"
                    "wiki/Extractors#exporting-youtube-cookies  for tips on effectively exporting YouTube cookies\n",
            page->videoId);
        return 1;
    }
    return 0;
}

static int runPage(const Options *opt, int kind)
{
    StandinPage page;
    StandinMergePick pick;
    if (!loadPage(opt, &page, &pick))
        return page.exitCode;
    if (int refused = signIn(opt, &page))
        return refused;
    if (kind != RUN_DOWNLOAD)
        probeWait(&page);
    if (opt->flatPlaylist && page.flatDelayMs > 0)
        Sleep(page.flatDelayMs);
    int items[STANDIN_MAX_ENTRIES];
    int count = StandinListItems(&page, opt->noPlaylist, opt->playlistItems, items);
    int listed = page.list[0] && !page.generic;
    int quiet = kind == RUN_NAME;
    char address[STANDIN_MAX_ID + 64];
    if (count < 0) {
        if (listed && !quiet)
            printJustTheVideo(opt, &page);
        snprintf(address, sizeof address, "https://www.youtube.com/watch?v=%s", page.videoId);
        return runVideo(kind, opt, listed ? address : opt->address, &page, &pick);
    }
    if (!quiet)
        printListStart(opt, &page, count);
    int failed = 0;
    for (int i = 0; i < count; i++) {
        StandinPage entry;
        StandinListEntry(&page, items[i], &entry);
        snprintf(address, sizeof address, "https://www.youtube.com/watch?v=%s", entry.videoId);
        if (!quiet)
            printListItem(&page, i + 1, count);
        int rc = 0;
        if (opt->flatPlaylist) {
            char name[PATH_CAP];
            if (quiet && (rc = fileName(opt, &entry, "NA", name, sizeof name)) == 0)
                say(stdout, "%s\n", name);
        } else {
            rc = runVideo(kind, opt, address, &entry, &pick);
        }
        if (rc == 2 || (rc != 0 && page.style != STANDIN_STYLE_YT_DLP))
            return rc;
        failed |= rc != 0;
    }
    if (!quiet && page.style != STANDIN_STYLE_2013)
        say(stdout, "[download] Finished downloading playlist: Stand-in list %s\n", page.list);
    return failed;
}

// ---- --version and -U ----------------------------------------------------------

// The version text of this very file (at most the room, as a hand-patched copy may fill it).
static void ownVersion(char *out, size_t outSize)
{
    size_t n = 0;
    while (n + 1 < outSize && n < STANDIN_VERSION_ROOM) {
        char c = gVersionBlock[STANDIN_VERSION_MARKER_LEN + n];
        if (c == '\0')
            break;
        out[n++] = c;
    }
    out[n] = '\0';
}

static int runVersion(void)
{
    char version[STANDIN_VERSION_ROOM + 1];
    ownVersion(version, sizeof version);
    // A slow answer, for a test that acts while the version is read.
    const char *delay = getenv("STANDIN_VERSION_DELAY_MS");
    if (delay && atoi(delay) > 0 && atoi(delay) <= STANDIN_MAX_DELAY)
        Sleep((DWORD)atoi(delay));
    // Two texts make broken tools from copies: one that never answers, one that says nothing.
    while (strcmp(version, "HANG") == 0)
        Sleep(1000);
    if (version[0])
        say(stdout, "%s\n", version);
    return 0;
}

static int envFlag(const char *name)
{
    const char *value = getenv(name);
    return value != NULL && strcmp(value, "1") == 0;
}

// yt-dlp's updater reports a failure with an ERROR line and leaves with exit code 100.
static int updateError(const char *message, const char *path)
{
    fflush(stdout);  // its earlier lines come first on a shared console
    say(stderr, "ERROR: %s%s\n", message, path ? path : "");
    return 100;
}

// yt-dlp's words for a file or folder it may not write.
static int permissionError(const char *path)
{
    fflush(stdout);
    say(stderr, "ERROR: Unable to write to %s; try running as administrator\n", path);
    return 100;
}

// SHA-256 in lower-case hex, as yt-dlp prints its build hash; "unknown" if the system
// cannot compute it. out needs 65 bytes.
static void sha256Hex(const unsigned char *data, size_t size, char *out, size_t outSize)
{
    snprintf(out, outSize, "unknown");
    HCRYPTPROV provider;
    if (outSize < 65 ||
        !CryptAcquireContextA(&provider, NULL, NULL, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
        return;
    HCRYPTHASH hash;
    if (CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash)) {
        BYTE digest[32];
        DWORD len = sizeof digest;
        if (CryptHashData(hash, data, (DWORD)size, 0) &&
            CryptGetHashParam(hash, HP_HASHVAL, digest, &len, 0) && len == sizeof digest) {
            for (size_t i = 0; i < sizeof digest; i++)
                snprintf(out + 2 * i, outSize - 2 * i, "%02x", digest[i]);
        }
        CryptDestroyHash(hash);
    }
    CryptReleaseContext(provider, 0);
}

static int readWhole(const char *path, unsigned char *buf, size_t cap, size_t *size)
{
    FILE *f = openFile(path, L"rb");
    if (!f)
        return 0;
    *size = fread(buf, 1, cap, f);
    int whole = !ferror(f) && fgetc(f) == EOF;  // a file larger than cap is not whole
    fclose(f);
    return whole;
}

static int writeWhole(const char *path, const unsigned char *buf, size_t size)
{
    FILE *f = openFile(path, L"wb");
    if (!f)
        return 0;
    int ok = fwrite(buf, 1, size, f) == size;
    if (fclose(f) != 0)
        ok = 0;
    return ok;
}

// -U as the one-file Windows yt-dlp does it: the new exe is this file with another
// version, written next to it as .new; the running exe is renamed to .old and the .new
// takes its name. yt-dlp later deletes the .old; the stand-in keeps it for tests to see.
static int runUpdate(void)
{
    if (envFlag("STANDIN_UPDATE_DEAD")) {
        // youtube-dl once its update site was gone; its updater prints through to_screen.
        say(stdout, "ERROR: can't find the current version. Please try again later.\n");
        return 0;
    }
    const char *latest = getenv("STANDIN_UPDATE_VERSION");
    if (!latest || !*latest)
        latest = STANDIN_LATEST_VERSION;
    if (!StandinIsVersionNumber(latest)) {
        say(stderr, "stand-in: STANDIN_UPDATE_VERSION must be digits and dots, "
                    "at most %d characters\n", STANDIN_VERSION_ROOM - 1);
        return 2;
    }
    char current[STANDIN_VERSION_ROOM + 1];
    ownVersion(current, sizeof current);
    if (StandinIsUpToDate(current, latest)) {
        say(stdout, "Latest version: " STANDIN_LABEL "\n", latest);
        say(stdout, "yt-dlp is up to date (" STANDIN_LABEL ")\n", current);
        return 0;
    }
    say(stdout, "Current version: " STANDIN_LABEL "\n", current);
    say(stdout, "Latest version: " STANDIN_LABEL "\n", latest);

    char exe[3 * PATH_CAP];
    if (!ownPath(exe, sizeof exe))
        return updateError("stand-in: cannot find its own path", NULL);
    static unsigned char image[IMAGE_CAP];
    size_t size = 0;
    if (!readWhole(exe, image, sizeof image, &size))
        return updateError("stand-in: cannot read ", exe);
    char hash[65];
    sha256Hex(image, size, hash, sizeof hash);
    say(stdout, "Current Build Hash: %s\n", hash);
    say(stdout, "Updating to " STANDIN_LABEL " ...\n", latest);

    DWORD attributes = attributesOf(exe);
    if (envFlag("STANDIN_UPDATE_FAIL") ||
        (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)))
        return permissionError(exe);
    if (!StandinSetVersion(image, size, latest))
        return updateError("stand-in: no single version block in ", exe);
    char newPath[3 * PATH_CAP + 8];
    char oldPath[3 * PATH_CAP + 8];
    snprintf(newPath, sizeof newPath, "%s.new", exe);
    snprintf(oldPath, sizeof oldPath, "%s.old", exe);
    if (attributesOf(oldPath) != INVALID_FILE_ATTRIBUTES && !deleteFile(oldPath))
        return updateError("Unable to remove the old version", NULL);
    if (!writeWhole(newPath, image, size))
        return permissionError(newPath);
    if (!moveFile(exe, oldPath, 0))
        return updateError("Unable to move current version", NULL);
    if (!moveFile(newPath, exe, 0)) {
        updateError("Unable to overwrite current version", NULL);
        moveFile(oldPath, exe, 0);
        return 100;
    }
    say(stdout, "Updated yt-dlp to " STANDIN_LABEL "\n", latest);
    return 0;
}

// ---- --help, configuration files and helper programs ------------------------------

static int runHelp(const char *version)
{
    static char text[16384];
    StandinHelpText(version, text, sizeof text);
    say(stdout, "%s", text);
    return 0;
}

enum { EXEC_CAP = 8, EXEC_TEXT = 4096, CONFIG_CAP = 65536 };

// The --exec commands of the configuration files, run after a download that succeeded.
static char gExec[EXEC_CAP][EXEC_TEXT];
static int gExecCount;

// dir\name, with one backslash between them; 0 if it does not fit.
static int joinPath(const wchar_t *dir, size_t dirLen, const wchar_t *name, wchar_t *out,
                    size_t outCount)
{
    int joined = dirLen > 0 && (dir[dirLen - 1] == L'\\' || dir[dirLen - 1] == L'/');
    int n = _snwprintf(out, outCount, L"%.*ls%ls%ls", (int)dirLen, dir, joined ? L"" : L"\\",
                       name);
    return n > 0 && (size_t)n < outCount;
}

static int isFileW(const wchar_t *path)
{
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The folder of this exe; 0 if it cannot be found.
static int ownFolder(wchar_t *out, DWORD outCount)
{
    DWORD n = GetModuleFileNameW(NULL, out, outCount);
    wchar_t *slash = n > 0 && n < outCount ? wcsrchr(out, L'\\') : NULL;
    if (!slash)
        return 0;
    *slash = L'\0';
    return 1;
}

// Keeps the --exec commands of one configuration file: a line "--exec CMD" gives CMD, the
// rest of the line without one pair of surrounding double quotes. Other lines are not read.
static void readExecLines(const char *text)
{
    for (const char *line = text; *line;) {
        size_t len = strcspn(line, "\n");
        if (len > 6 && strncmp(line, "--exec", 6) == 0 && (line[6] == ' ' || line[6] == '\t')) {
            const char *cmd = line + 6;
            const char *end = line + len;
            while (cmd < end && (*cmd == ' ' || *cmd == '\t'))
                cmd++;
            while (end > cmd && strchr(" \t\r", end[-1]))
                end--;
            if (end - cmd >= 2 && *cmd == '"' && end[-1] == '"') {
                cmd++;
                end--;
            }
            if (end > cmd && (size_t)(end - cmd) < EXEC_TEXT && gExecCount < EXEC_CAP)
                snprintf(gExec[gExecCount++], EXEC_TEXT, "%.*s", (int)(end - cmd), cmd);
        }
        line += len + (line[len] == '\n');
    }
}

// The configuration files a one-file Windows yt-dlp reads (parseOpts): the "portable"
// yt-dlp.conf beside its exe, the "home" one in the current directory and the user's
// %APPDATA%\yt-dlp\config, each file once.
static void readConfigs(void)
{
    static wchar_t dir[WIDE_PATH_CAP];
    static wchar_t path[3][WIDE_PATH_CAP];
    static char name[3 * WIDE_PATH_CAP];
    static char text[CONFIG_CAP + 1];
    int found[3] = {0, 0, 0};
    DWORD n = 0;
    found[0] = ownFolder(dir, WIDE_PATH_CAP) &&
               joinPath(dir, wcslen(dir), L"yt-dlp.conf", path[0], WIDE_PATH_CAP);
    n = GetCurrentDirectoryW(WIDE_PATH_CAP, dir);
    found[1] = n > 0 && n < WIDE_PATH_CAP &&
               joinPath(dir, n, L"yt-dlp.conf", path[1], WIDE_PATH_CAP);
    n = GetEnvironmentVariableW(L"APPDATA", dir, WIDE_PATH_CAP);
    found[2] = n > 0 && n < WIDE_PATH_CAP &&
               joinPath(dir, n, L"yt-dlp\\config", path[2], WIDE_PATH_CAP);
    for (int i = 0; i < 3; i++) {
        n = found[i] ? GetFullPathNameW(path[i], WIDE_PATH_CAP, dir, NULL) : 0;
        found[i] = n > 0 && n < WIDE_PATH_CAP && isFileW(dir);
        if (!found[i])
            continue;
        memcpy(path[i], dir, (n + 1) * sizeof *dir);
        for (int k = 0; k < i; k++)
            if (found[k] && _wcsicmp(path[k], path[i]) == 0)
                found[i] = 0;  // yt-dlp loads a file once, however it is reached
        if (!found[i] ||
            WideCharToMultiByte(CP_UTF8, 0, path[i], -1, name, (int)sizeof name, NULL, NULL) <= 0)
            continue;
        helperLog("config %s", name);
        FILE *f = _wfopen(path[i], L"rb");
        if (!f)
            continue;
        size_t size = fread(text, 1, CONFIG_CAP, f);
        fclose(f);
        text[size] = '\0';
        readExecLines(strncmp(text, "\xEF\xBB\xBF", 3) == 0 ? text + 3 : text);
    }
}

// NAME.exe in one folder, its full path in UTF-8 into out.
static int exeIn(const wchar_t *dir, size_t dirLen, const wchar_t *name, char *out,
                 size_t outSize)
{
    static wchar_t exe[WIDE_PATH_CAP];
    return dirLen > 0 && joinPath(dir, dirLen, name, exe, WIDE_PATH_CAP) && isFileW(exe) &&
           fullPathOf(exe, out, outSize);
}

// Where yt-dlp looks for a JavaScript runtime named without a path (_find_exe in
// yt_dlp/utils/_jsruntime.py, on Windows): its exe's folder, the current directory, then
// each folder on PATH.
static int findRuntime(const wchar_t *name, char *out, size_t outSize)
{
    static wchar_t dir[WIDE_PATH_CAP];
    static wchar_t path[LINE_CAP];
    if (ownFolder(dir, WIDE_PATH_CAP) && exeIn(dir, wcslen(dir), name, out, outSize))
        return 1;
    DWORD n = GetCurrentDirectoryW(WIDE_PATH_CAP, dir);
    if (n > 0 && n < WIDE_PATH_CAP && exeIn(dir, n, name, out, outSize))
        return 1;
    n = GetEnvironmentVariableW(L"PATH", path, LINE_CAP);
    if (n == 0 || n >= LINE_CAP)
        return 0;
    for (const wchar_t *at = path; *at;) {
        size_t len = wcscspn(at, L";");
        if (exeIn(at, len, name, out, outSize))
            return 1;
        at += len + (at[len] == L';');
    }
    return 0;
}

// The program of a runtime: its --js-runtimes PATH (the program, or a folder holding
// NAME.exe), else NAME.exe searched for; its full path into out. 0 when there is none.
static int runtimeProgram(int kind, const char *location, char *out, size_t outSize)
{
    static const wchar_t *const kExe[] = {L"deno.exe", L"node.exe"};  // the ones it runs
    static wchar_t wide[WIDE_PATH_CAP];
    const wchar_t *name = kExe[kind];
    if (!location || !location[0])
        return findRuntime(name, out, outSize);
    DWORD attributes = widen(location, wide, WIDE_PATH_CAP) ? GetFileAttributesW(wide)
                                                             : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return 0;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return exeIn(wide, wcslen(wide), name, out, outSize);
    return fullPathOf(wide, out, outSize);
}

// PROGRAM --version with its output and errors read together, as yt-dlp's
// _get_exe_version_output does; the version it names into out. 0 when it did not start,
// failed, said nothing or took longer than 20 s.
static int runtimeVersion(int kind, const char *program, char *out, size_t outSize)
{
    static Captured said;
    const char *flag = "--version";
    int code = runHelper(argList(program, &flag, 1), program, NULL, 20000, &said, &said);
    if (code != 0 || said.total == 0)
        return 0;
    StandinJsVersion(kind, said.text, out, outSize);
    return 1;
}

// The page's n challenge, given to the runtime as yt-dlp gives it its solver: the script
// on standard input, with yt-dlp's arguments. Solved when the runtime ends by itself within
// 20 s with exit code 0, writes nothing on standard error and prints the answer.
static int solveChallenge(int kind, const char *program, const char *version,
                          const char *videoId)
{
    static Captured out;
    static Captured err;
    static char script[2048];
    const char *const *rest;
    int count = StandinJsChallengeArgs(kind, version, &rest);
    if (!StandinChallengeScript(videoId, script, sizeof script))
        return 0;
    int code = runHelper(argList(program, rest, count), program, script, 20000, &out, &err);
    return code == 0 && err.total == 0 && out.total == out.len &&
           StandinChallengeSolved(videoId, out.text);
}

// yt-dlp's JavaScript runtimes for a YouTube page: the enabled ones in its order of
// priority, each asked for its version; each that this release supports gets the page's
// challenge until one solves it. When none is supported, or none solves it, yt-dlp's
// warning is printed and the page offers only its formats with picture and sound.
static void solveWithRuntimes(const StandinJsList *list, const StandinPage *page,
                              const char *release)
{
    static char program[3 * WIDE_PATH_CAP];
    int supported = 0;
    int solved = 0;
    for (int kind = 0; kind <= STANDIN_JS_NODE && !solved; kind++) {
        char version[64];
        if (!list->enabled[kind] ||
            !runtimeProgram(kind, list->path[kind], program, sizeof program) ||
            !runtimeVersion(kind, program, version, sizeof version) ||
            !StandinJsSupported(release, kind, version))
            continue;
        supported = 1;
        solved = solveChallenge(kind, program, version, page->videoId);
    }
    if (!supported)
        say(stderr, "WARNING: [youtube] No supported JavaScript runtime could be found. Only "
                    "deno is enabled by default; to use another runtime add  --js-runtimes "
                    "RUNTIME[:PATH]  to your command/config. YouTube extraction without a JS "
                    "runtime has been deprecated, and some formats may be missing. See  "
                    "https://github.com/yt-dlp/yt-dlp/wiki/EJS  for details on installing "
                    "one\n");
    else if (!solved)
        say(stderr, "WARNING: [youtube] %s: n challenge solving failed: Some formats may be "
                    "missing. Ensure you have a supported JavaScript runtime and challenge "
                    "solver script distribution installed. Review any warnings presented "
                    "before this message. For more details, refer to  "
                    "https://github.com/yt-dlp/yt-dlp/wiki/EJS\n", page->videoId);
    gMuxedOnly = !solved;
}

// What yt-dlp does about its helpers once its options are read, before it prints
// anything: it drops the JavaScript runtimes it does not know, asks ffmpeg for its version
// and, for YouTube, has a runtime solve the page's challenge.
static void checkHelpers(const Options *opt, const StandinPage *page, const char *version)
{
    static char program[STANDIN_MERGE_PATH];
    static char full[STANDIN_MERGE_PATH];
    StandinJsList list;
    StandinJsResolve(opt->noJsRuntimes, opt->jsRuntimes, opt->jsRuntimeCount, &list);
    if (page->style == STANDIN_STYLE_YT_DLP && list.ignoredCount > 0)
        say(stderr, "WARNING: Ignoring unsupported JavaScript runtime(s): %s. Supported "
                    "runtimes: deno, node, bun, quickjs.\n", list.ignored);
    if (findFfmpeg(opt, program, sizeof program, full, sizeof full))
        askVersion(full, "-version");
    // A flat list reads no video's page, so it poses no challenge.
    int listed = page->list[0] && !(page->videoGiven && opt->noPlaylist);
    int unread = listed && opt->flatPlaylist;
    if (page->style == STANDIN_STYLE_YT_DLP && !page->generic && !unread &&
        StandinKnows(version, "--no-js-runtimes"))
        solveWithRuntimes(&list, page, version);
}

// The configuration's --exec commands after a download, as yt-dlp's Exec post-processor
// has the shell run them: Python's shell=True command line, cmd.exe /c "CMD".
static void runExecs(void)
{
    static wchar_t app[PATH_CAP];
    static wchar_t cmd[LINE_CAP];
    static wchar_t line[LINE_CAP];
    UINT n = GetSystemDirectoryW(app, PATH_CAP - 16);
    if (n == 0 || n >= PATH_CAP - 16)
        return;
    wcscat(app, L"\\cmd.exe");
    for (int i = 0; i < gExecCount; i++) {
        int w = MultiByteToWideChar(CP_UTF8, 0, gExec[i], -1, cmd, LINE_CAP) > 0
                    ? _snwprintf(line, LINE_CAP, L"\"%ls\" /c \"%ls\"", app, cmd)
                    : -1;
        if (w > 0 && w < LINE_CAP)
            runQuietly(app, line, 30000, "exec", gExec[i]);
    }
}

int main(void)
{
    gCodePage = GetACP();
    gUtf8Out = gCodePage == CP_UTF8;  // a UTF-8 ANSI code page holds every character
    char **argv;
    int argc = readArguments(&argv);
    if (argc < 0) {
        say(stderr, "stand-in: cannot read the command line\n");
        return 2;
    }
    int child = isChild();
    if (!child)
        recordArguments(argc, argv);  // once per run, not again in a onefile child
    char version[STANDIN_VERSION_ROOM + 1];
    ownVersion(version, sizeof version);  // what this copy knows follows its version
    Options opt;
    int rc = parseOptions(argc, argv, version, &opt);
    if (rc != 0)
        return rc;
    if (opt.encoding)
        gUtf8Out = 1;  // only utf-8 gets past parseOptions
    if (opt.version)
        return runVersion();
    if (opt.help)
        return runHelp(version);
    if (opt.update)
        return runUpdate();
    StandinPage page;
    StandinParsePage(opt.address, &page);
    if (!child && page.onefile)
        return runAsChild();  // the child reads the configuration and starts the helpers
    if (!opt.ignoreConfig)
        readConfigs();
    checkHelpers(&opt, &page, version);
    if (opt.getFilename)
        return runPage(&opt, RUN_NAME);
    if (opt.listFormats)
        return runPage(&opt, RUN_FORMATS);
    rc = runPage(&opt, RUN_DOWNLOAD);
    if (rc == 0)
        runExecs();
    return rc;
}
