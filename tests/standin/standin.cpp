// Offline stand-in for the download tool: answers the probes and downloads the
// GUI runs, with every page described by its address (see README.md).
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "page.h"

enum { PATH_CAP = 4096, CHUNK = 65536 };

struct Options {
    int getFilename;
    int listFormats;
    int consoleTitle;
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

static int failWith(const char *message, const char *detail)
{
    fprintf(stderr, "ERROR: %s%s\n", message, detail ? detail : "");
    return 1;
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

// Loads the page and picks the format; prints the error and returns 0 on failure.
static int loadPage(const Options *opt, StandinPage *page, int *code)
{
    char error[256];
    StandinParsePage(opt->address, page);
    if (StandinPageError(page, error, sizeof error)) {
        failWith(error, NULL);
        return 0;
    }
    *code = page->formats[0];
    if (opt->format) {
        *code = parseCode(opt->format);
        if (!StandinPageHasFormat(page, *code)) {
            failWith("requested format not available", NULL);
            return 0;
        }
    }
    return 1;
}

static int fileName(const Options *opt, const StandinPage *page, int code, char *out,
                    size_t outSize)
{
    char title[2 * STANDIN_MAX_TITLE + 2];
    StandinSanitizeTitle(page->title, title, sizeof title);
    return StandinExpandTemplate(opt->output, title, StandinFormatExt(page, code),
                                 page->videoId, out, outSize);
}

static int runGetFilename(const Options *opt)
{
    StandinPage page;
    int code;
    if (!loadPage(opt, &page, &code))
        return 1;
    char name[PATH_CAP];
    if (!fileName(opt, &page, code, name, sizeof name))
        return failWith("file name too long", NULL);
    printf("%s\n", name);
    return 0;
}

static void printExtracting(const StandinPage *page)
{
    printf("[youtube] %s: Downloading video webpage\n", page->videoId);
    printf("[youtube] %s: Downloading video info webpage\n", page->videoId);
    printf("[youtube] %s: Extracting video information\n", page->videoId);
}

static int runListFormats(const Options *opt)
{
    StandinPage page;
    int code;
    if (!loadPage(opt, &page, &code))
        return 1;
    printExtracting(&page);
    printf("Available formats:\n");
    int lines = page.lines >= 0 ? page.lines : page.formatCount;
    for (int i = 0; i < lines; i++) {
        char line[128];
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

static void showProgress(const Options *opt, const StandinPage *page, unsigned long long done,
                         int withLine)
{
    char text[192];
    if (opt->consoleTitle) {
        StandinConsoleTitle(done, page, text, sizeof text);
        SetConsoleTitleA(text);
    }
    if (withLine) {
        StandinProgressLine(done, page, text, sizeof text);
        printf("%s\n", text);
    }
    fflush(stdout);
}

static int writeSteps(const Options *opt, const StandinPage *page, FILE *f,
                      unsigned long long done)
{
    static unsigned char chunk[CHUNK];
    unsigned h = StandinHash(page->videoId);
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
        showProgress(opt, page, done, 1);
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
        return 1;

    char dest[PATH_CAP];
    char part[PATH_CAP + 8];
    if (!fileName(opt, &page, code, dest, sizeof dest))
        return failWith("file name too long", NULL);
    snprintf(part, sizeof part, "%s.part", dest);

    printExtracting(&page);
    unsigned long long have = 0;
    if (fileSize(dest, &have) && have == page.size) {
        printf("[download] %s has already been downloaded\n", dest);
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
    showProgress(opt, &page, done, 0);

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
    return 0;
}

int main(int argc, char **argv)
{
    recordArguments(argc, argv);
    Options opt;
    int rc = parseOptions(argc, argv, &opt);
    if (rc != 0)
        return rc;
    if (opt.getFilename)
        return runGetFilename(&opt);
    if (opt.listFormats)
        return runListFormats(&opt);
    return runDownload(&opt);
}
