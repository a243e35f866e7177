// Offline stand-in for the download tool: answers the probes and downloads the
// GUI runs, with every page described by its address (see README.md).
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "page.h"
#include "table.h"
#include "titles.h"
#include "version.h"

// IMAGE_CAP bounds the exe -U rewrites (the stand-in is well under 1 MiB).
enum { PATH_CAP = 4096, CHUNK = 65536, IMAGE_CAP = 8 * 1024 * 1024 };

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

struct Options {
    int getFilename;
    int listFormats;
    int consoleTitle;
    int version;
    int update;
    const char *output;
    const char *format;
    const char *address;
};

// Appends the arguments to $STANDIN_ARGS_FILE so tests can see what the GUI passed.
static void recordArguments(int argc, char **argv)
{
    const char *path = getenv("STANDIN_ARGS_FILE");
    if (!path || !*path)
        return;
    FILE *f = fopen(path, "ab");
    if (!f)
        return;
    fprintf(f, "ARGC %d\n", argc - 1);
    for (int i = 1; i < argc; i++)
        fprintf(f, "%s\n", argv[i]);
    fputs("END\n", f);
    fclose(f);
}

static int usage(const char *reason, const char *detail)
{
    fprintf(stderr, "Usage: youtube-dl [options] url\n\n");
    fprintf(stderr, "youtube-dl: error: %s%s\n", reason, detail ? detail : "");
    return 2;
}

// Today's tools warn about something on the way before they fail.
static void warnFirst(void)
{
    if (gWarning)
        fprintf(stderr, "WARNING: %s\n", gWarning);
    gWarning = NULL;
}

static int failWith(const char *message, const char *detail)
{
    warnFirst();
    fprintf(stderr, "ERROR: %s%s\n", message, detail ? detail : "");
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
    char exe[PATH_CAP];
    DWORD n = GetModuleFileNameA(NULL, exe, sizeof exe);
    if (n == 0 || n >= sizeof exe)
        return failWith("cannot find the stand-in's own path", NULL);
    SetEnvironmentVariableA(kChildMarker, "1");
    STARTUPINFOA si;
    ZeroMemory(&si, sizeof si);
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi;
    static char commandLine[32768];
    snprintf(commandLine, sizeof commandLine, "%s", GetCommandLineA());
    HWND hidden = createHiddenWindow();
    if (!CreateProcessA(exe, commandLine, NULL, NULL, TRUE, 0, NULL, NULL, &si, &pi)) {
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

// Takes the value of an option given as "-o X", "-oX" or "--output=X".
static int optionValue(int argc, char **argv, int *i, const char *shortName,
                       const char *longName, const char **value, int *bad)
{
    const char *arg = argv[*i];
    size_t shortLen = strlen(shortName);
    size_t longLen = strlen(longName);
    if (strcmp(arg, shortName) == 0 || strcmp(arg, longName) == 0) {
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
    if (strncmp(arg, shortName, shortLen) == 0 && arg[shortLen] != '\0' && arg[1] != '-') {
        *value = arg + shortLen;
        return 1;
    }
    return 0;
}

// Returns 0 on success, else the exit code after printing usage.
static int parseOptions(int argc, char **argv, Options *opt)
{
    memset(opt, 0, sizeof *opt);
    int onlyPositional = 0;
    for (int i = 1; i < argc; i++) {
        const char *arg = argv[i];
        int bad = 0;
        if (!onlyPositional && arg[0] == '-' && arg[1] != '\0') {
            if (strcmp(arg, "--") == 0)
                onlyPositional = 1;
            else if (strcmp(arg, "--get-filename") == 0)
                opt->getFilename = 1;
            else if (strcmp(arg, "--list-formats") == 0 || strcmp(arg, "-F") == 0)
                opt->listFormats = 1;
            else if (strcmp(arg, "--console-title") == 0)
                opt->consoleTitle = 1;
            else if (strcmp(arg, "--version") == 0)
                opt->version = 1;
            else if (strcmp(arg, "-U") == 0 || strcmp(arg, "--update") == 0)
                opt->update = 1;
            else if (optionValue(argc, argv, &i, "-o", "--output", &opt->output, &bad) ||
                     optionValue(argc, argv, &i, "-f", "--format", &opt->format, &bad)) {
                if (bad)
                    return usage(arg, " option requires an argument");
            } else
                return usage("no such option: ", arg);
            continue;
        }
        if (opt->address)
            return usage("the stand-in takes one URL only", NULL);
        opt->address = arg;
    }
    if (opt->version || opt->update)
        return 0;  // need no address; any other option is ignored
    if (!opt->address)
        return usage("you must provide at least one URL", NULL);
    if (opt->getFilename && opt->listFormats)
        return usage("--get-filename and --list-formats exclude each other", NULL);
    if (!opt->listFormats && !opt->output)
        return usage("-o TEMPLATE is required", NULL);
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

// Loads the page and picks the format (0 for a generic page's one); prints the error
// and returns 0 on failure. "best" takes the first format on every page.
static int loadPage(const Options *opt, StandinPage *page, int *code)
{
    char error[256];
    StandinParsePage(opt->address, page);
    int mode = opt->getFilename ? STANDIN_FAIL_TITLE : opt->listFormats ? STANDIN_FAIL_FORMATS : -1;
    if (page->failOnly != STANDIN_FAIL_ANY && page->failOnly != mode)
        page->fail = 0;
    gWarning = StandinPageWarning(page);
    if (StandinPageError(page, error, sizeof error)) {
        failWith(error, NULL);
        return 0;
    }
    *code = page->generic ? 0 : page->formats[0];
    if (!opt->format || strcmp(opt->format, "best") == 0)
        return 1;
    if (page->generic ? strcmp(opt->format, StandinGenericId(page)) != 0
                      : !StandinPageHasFormat(page, *code = parseCode(opt->format))) {
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

// The destination for -o; on failure prints the tool's complaint and returns the exit
// code, else 0.
static int fileName(const Options *opt, const StandinPage *page, int code, char *out,
                    size_t outSize)
{
    char title[2 * STANDIN_MAX_TITLE + 2];
    StandinSanitizeTitle(page->title, title, sizeof title);
    const char *ext = page->generic ? StandinGenericId(page) : StandinFormatExt(page, code);
    size_t at = 0;
    int result = StandinExpandStyledTemplate(opt->output, page->style, title, ext,
                                             page->videoId, out, outSize, &at);
    if (result == 1)
        return 0;
    if (result == 0)
        return failWith("file name too long", NULL);
    if (result == STANDIN_TEMPLATE_OPEN_FIELD && page->style == STANDIN_STYLE_YT_DLP) {
        fprintf(stderr, "Usage: yt-dlp [OPTIONS] URL [URL...]\n\n");
        fprintf(stderr, "yt-dlp: error: invalid default output template \"%s\": "
                        "incomplete format key\n", opt->output);
        return 2;
    }
    if (result == STANDIN_TEMPLATE_OPEN_FIELD)
        return failWith("Error in output template: incomplete format key", NULL);
    // youtube-dl hands the template to Python's % operator, which stops with an error.
    warnFirst();
    fprintf(stderr, "ERROR: Error in output template: '%%' at index %u starts no field\n",
            (unsigned)at);
    return 1;
}

static int runGetFilename(const Options *opt)
{
    StandinPage page;
    int code;
    if (!loadPage(opt, &page, &code))
        return page.exitCode;
    probeWait(&page);
    char name[PATH_CAP];
    int rc = fileName(opt, &page, code, name, sizeof name);
    if (rc != 0)
        return rc;
    printf("%s\n", name);
    return 0;
}

// The lines each tool prints while it reads the page.
static void printExtracting(const Options *opt, const StandinPage *page)
{
    const char *ie = page->generic ? "generic" : "youtube";
    const char *id = page->videoId;
    switch (page->style) {
    case STANDIN_STYLE_YT_DLP:
        printf("[%s] Extracting URL: %s\n", ie, opt->address);
        printf("[%s] %s: Downloading webpage\n", ie, id);
        if (!page->generic)
            printf("[youtube] %s: Downloading android player API JSON\n", id);
        break;
    case STANDIN_STYLE_YOUTUBE_DL:
        printf(page->generic ? "[generic] %s: Requesting header\n"
                             : "[youtube] %s: Downloading webpage\n", id);
        break;
    default:
        printf("[%s] %s: Downloading video webpage\n", ie, id);
        printf("[%s] %s: Downloading video info webpage\n", ie, id);
        printf("[%s] %s: Extracting video information\n", ie, id);
        break;
    }
}

static int runListFormats(const Options *opt)
{
    StandinPage page;
    int code;
    if (!loadPage(opt, &page, &code))
        return page.exitCode;
    probeWait(&page);
    printExtracting(opt, &page);
    StandinTable table;
    static char line[4096];
    if (StandinTableBegin(&page, &table)) {
        printf("[info] Available formats for %s:\n", page.videoId);
        for (int i = 0; i < table.lineCount; i++) {
            StandinTableLine(&table, i, line, sizeof line);
            printf("%s\n", line);
        }
        return 0;
    }
    printf("Available formats:\n");
    if (page.generic) {
        printf("%s\t:\t%s\t[???]\n", StandinGenericId(&page), StandinGenericId(&page));
        return 0;
    }
    int lines = page.lines >= 0 ? page.lines : page.formatCount;
    for (int i = 0; i < lines; i++) {
        StandinFormatLine(&page, page.formats[i % page.formatCount], line, sizeof line);
        printf("%s\n", line);
    }
    return 0;
}

static int fileSize(const char *path, unsigned long long *size)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data))
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
            printf("%s\n", text);
        }
    } else if (withLine) {
        StandinStyledProgress(page->style, page, done, !first, message, sizeof message);
        StandinStyledTitle(page->style, message, text, sizeof text);
        setTitle(opt, text);
        printf("[download] %s\n", message);
    }
    fflush(stdout);
}

// The end of a download in today's styles: the "100% of ..." report, then yt-dlp's
// post-processor titles, the last of which stays until the tool exits.
static void showFinished(const Options *opt, const StandinPage *page, long long elapsedMs)
{
    if (page->style == STANDIN_STYLE_2013)
        return;
    char message[160];
    char text[192];
    StandinStyledFinished(page->style, page, elapsedMs, message, sizeof message);
    StandinStyledTitle(page->style, message, text, sizeof text);
    setTitle(opt, text);
    if (elapsedMs >= 0)
        printf("[download] %s\n", message);
    for (int i = 0; StandinPostTitle(page->style, i); i++)
        setTitle(opt, StandinPostTitle(page->style, i));
    fflush(stdout);
}

static int writeSteps(const Options *opt, const StandinPage *page, FILE *f,
                      unsigned long long done)
{
    static unsigned char chunk[CHUNK];
    unsigned h = StandinHash(page->videoId);
    int first = 1;
    while (done < page->size) {
        unsigned long long left = page->size - done;
        unsigned long long n = page->step < left ? page->step : left;
        while (n > 0) {
            size_t part = n < CHUNK ? (size_t)n : (size_t)CHUNK;
            StandinFillBytes(h, done, chunk, part);
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

static int runDownload(const Options *opt)
{
    StandinPage page;
    int code;
    if (!loadPage(opt, &page, &code))
        return page.exitCode;

    char dest[PATH_CAP];
    char part[PATH_CAP + 8];
    int rc = fileName(opt, &page, code, dest, sizeof dest);
    if (rc != 0)
        return rc;
    snprintf(part, sizeof part, "%s.part", dest);

    printExtracting(opt, &page);
    if (page.style == STANDIN_STYLE_YT_DLP) {
        char id[16];
        snprintf(id, sizeof id, "%d", code);
        printf("[info] %s: Downloading 1 format(s): %s\n", page.videoId,
               page.generic ? StandinGenericId(&page) : id);
    }
    unsigned long long have = 0;
    if (fileSize(dest, &have) && have == page.size) {
        printf("[download] %s has already been downloaded\n", dest);
        showFinished(opt, &page, -1);
        return 0;
    }

    unsigned long long done = 0;
    const char *mode = "wb";
    if (fileSize(part, &done) && done <= page.size)
        mode = "ab";
    else
        done = 0;  // none, or longer than the file: start over

    printf("[download] Destination: %s\n", dest);
    if (done > 0)
        printf("[download] Resuming download at byte %llu\n", done);
    showProgress(opt, &page, done, 0, 1);

    DWORD started = GetTickCount();
    FILE *f = fopen(part, mode);
    if (!f)
        return failWith("unable to open for writing: ", part);
    int written = writeSteps(opt, &page, f, done);
    if (fclose(f) != 0)
        written = 0;
    if (!written)
        return failWith("unable to write data: ", part);
    if (!MoveFileExA(part, dest, MOVEFILE_REPLACE_EXISTING))
        return failWith("unable to rename file: ", part);
    showFinished(opt, &page, (long long)(DWORD)(GetTickCount() - started));
    return 0;
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
    // Two texts make broken tools from copies: one that never answers, one that says nothing.
    while (strcmp(version, "HANG") == 0)
        Sleep(1000);
    if (version[0])
        printf("%s\n", version);
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
    fprintf(stderr, "ERROR: %s%s\n", message, path ? path : "");
    return 100;
}

// yt-dlp's words for a file or folder it may not write.
static int permissionError(const char *path)
{
    fflush(stdout);
    fprintf(stderr, "ERROR: Unable to write to %s; try running as administrator\n", path);
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
    FILE *f = fopen(path, "rb");
    if (!f)
        return 0;
    *size = fread(buf, 1, cap, f);
    int whole = !ferror(f) && fgetc(f) == EOF;  // a file larger than cap is not whole
    fclose(f);
    return whole;
}

static int writeWhole(const char *path, const unsigned char *buf, size_t size)
{
    FILE *f = fopen(path, "wb");
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
        printf("ERROR: can't find the current version. Please try again later.\n");
        return 0;
    }
    const char *latest = getenv("STANDIN_UPDATE_VERSION");
    if (!latest || !*latest)
        latest = STANDIN_LATEST_VERSION;
    if (!StandinIsVersionNumber(latest)) {
        fprintf(stderr, "stand-in: STANDIN_UPDATE_VERSION must be digits and dots, "
                        "at most %d characters\n", STANDIN_VERSION_ROOM - 1);
        return 2;
    }
    char current[STANDIN_VERSION_ROOM + 1];
    ownVersion(current, sizeof current);
    if (StandinIsUpToDate(current, latest)) {
        printf("Latest version: " STANDIN_LABEL "\n", latest);
        printf("yt-dlp is up to date (" STANDIN_LABEL ")\n", current);
        return 0;
    }
    printf("Current version: " STANDIN_LABEL "\n", current);
    printf("Latest version: " STANDIN_LABEL "\n", latest);

    char exe[PATH_CAP];
    DWORD n = GetModuleFileNameA(NULL, exe, sizeof exe);
    if (n == 0 || n >= sizeof exe)
        return updateError("stand-in: cannot find its own path", NULL);
    static unsigned char image[IMAGE_CAP];
    size_t size = 0;
    if (!readWhole(exe, image, sizeof image, &size))
        return updateError("stand-in: cannot read ", exe);
    char hash[65];
    sha256Hex(image, size, hash, sizeof hash);
    printf("Current Build Hash: %s\n", hash);
    printf("Updating to " STANDIN_LABEL " ...\n", latest);

    DWORD attributes = GetFileAttributesA(exe);
    if (envFlag("STANDIN_UPDATE_FAIL") ||
        (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)))
        return permissionError(exe);
    if (!StandinSetVersion(image, size, latest))
        return updateError("stand-in: no single version block in ", exe);
    char newPath[PATH_CAP + 8];
    char oldPath[PATH_CAP + 8];
    snprintf(newPath, sizeof newPath, "%s.new", exe);
    snprintf(oldPath, sizeof oldPath, "%s.old", exe);
    if (GetFileAttributesA(oldPath) != INVALID_FILE_ATTRIBUTES && !DeleteFileA(oldPath))
        return updateError("Unable to remove the old version", NULL);
    if (!writeWhole(newPath, image, size))
        return permissionError(newPath);
    if (!MoveFileExA(exe, oldPath, 0))
        return updateError("Unable to move current version", NULL);
    if (!MoveFileExA(newPath, exe, 0)) {
        updateError("Unable to overwrite current version", NULL);
        MoveFileExA(oldPath, exe, 0);
        return 100;
    }
    printf("Updated yt-dlp to " STANDIN_LABEL "\n", latest);
    return 0;
}

int main(int argc, char **argv)
{
    int child = isChild();
    if (!child)
        recordArguments(argc, argv);  // once per run, not again in a onefile child
    Options opt;
    int rc = parseOptions(argc, argv, &opt);
    if (rc != 0)
        return rc;
    if (opt.version)
        return runVersion();
    if (opt.update)
        return runUpdate();
    if (!child) {
        StandinPage page;
        StandinParsePage(opt.address, &page);
        if (page.onefile)
            return runAsChild();
    }
    if (opt.getFilename)
        return runGetFilename(&opt);
    if (opt.listFormats)
        return runListFormats(&opt);
    return runDownload(&opt);
}
