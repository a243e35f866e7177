// Test data shared by the end-to-end feature tests: working-file names, the state record built and
// read by hand from its fixed layout, the expected catalogue texts and the stand-in's argument log.
#pragma once
#include <stddef.h>
#include <string>
#include <vector>

#include "tests/e2e/driver.h"

// ---- files the program keeps in its temp dir ----

const char RECORD_NAME[] = "5890DA2.~record.bak";
const char RECORD_NEW_NAME[] = "5890DA2.~record.bak.new"; // written first, then renamed
const char RECORD_STEM[] = "5890DA2.~record";             // common start of both record names
const char TOOL_COPY_NAME[] = "5890DA2.~tmp.exe";         // the tool copy a download runs
const char PROBE_TOOL_NAME[] = "5890DA2.~tester.exe";     // the tool copy a probe runs
const char VERSION_TOOL_NAME[] = "5890DA2.~version.exe";  // the copy that tells the built-in version
const char TITLE_OUT_NAME[] = "5890DA2.~tester.exe-title-out";
const char FORMAT_OUT_NAME[] = "5890DA2.~tester.exe-format-out";

// Status line text at the end of a complete download.
const char DONE_STATUS[] = "Done 100%-Download Complete!";

// The box that refuses an address the tool would read as an option, wherever it comes from.
const char OPTION_REFUSED[] = "This address begins with '-'.\n"
                              "The download tool would read it as an option, so it is not passed on.";

// ---- the state record: fixed layout, little-endian 32-bit numbers ----

enum {
    RECORD_SIZE = 1956,
    REC_ADDRESS = 0,
    REC_ADDRESS_LEN = 512,
    REC_DEST = 512,
    REC_DEST_LEN = 1024,
    REC_PAUSED = 1536,
    REC_FORMATS = 1540,     // first format slot
    REC_FORMAT_SIZE = 17,   // bytes per slot
    REC_FORMAT_SLOTS = 24,
    REC_FORMAT_COUNT = 1948,
    REC_SELECTED = 1952     // from 1
};

// Inside one format slot.
enum { SLOT_CODE = 0, SLOT_EXT = 4, SLOT_EXT_LEN = 5, SLOT_HEIGHT = 9, SLOT_WIDTH = 13 };

// One format as a test writes it (and as the stand-in page offers it).
struct FormatEntry {
    int code;
    const char *ext;
    int height;
    int width;
};

// One format slot as read back from a record.
struct StoredFormat {
    int code;
    std::string ext;
    int height;
    int width;
};

void PutInt32(std::string *record, size_t offset, int value);
int GetInt32(const std::string &record, size_t offset);
// Writes text into a field of `room` bytes, cut to room - 1 so a NUL always follows.
void PutText(std::string *record, size_t offset, size_t room, const char *text);
// A NUL-terminated field; the whole field when no NUL is inside it.
std::string GetText(const std::string &record, size_t offset, size_t room);

// A full-size record holding the formats (at most REC_FORMAT_SLOTS) and their count.
// A test that needs a count not matching the slots overwrites REC_FORMAT_COUNT afterwards.
std::string BuildRecord(const char *address, const char *dest, int paused, const std::vector<FormatEntry> &formats,
                        int selected);
StoredFormat GetFormat(const std::string &record, int index); // slot index from 0
int GetFormatCode(const std::string &record, int index);

// ---- the expected format descriptions, from the tests' own catalogue table ----

struct CatalogueRow {
    int code;
    const char *fileType;
    const char *resolution;
    const char *encoding;
    const char *profile;
    const char *bitrate;
    const char *audio;
    const char *audioBitrate;
};

const CatalogueRow *CatalogueRowOf(int code); // NULL outside the catalogue
// The information panel's text for a code; empty outside the catalogue.
std::string Description(int code);

// ---- the stand-in tool's argument log ----

// The stand-in appends each run's arguments to the file this variable names,
// as "ARGC n", the n arguments one a line, then "END".
const char ARGS_LOG_VAR[] = "STANDIN_ARGS_FILE";
const char ARGS_LOG_NAME[] = "standin-args.txt"; // in the run's temp dir

typedef std::vector<std::string> ArgList; // the arguments of one tool run

// False on a malformed log, with the reason in *why.
bool ParseArgsLog(const std::string &log, std::vector<ArgList> *runs, std::string *why);
// Each argument in brackets: "[-o][C:\a b.mp4]".
std::string JoinArgs(const ArgList &args);
// The runs logged so far (none when the file is missing); a failed read or parse fails the test.
std::vector<ArgList> ReadArgsLog(const char *path);
// What every run of a tool of today is told of its surroundings, after its own options:
// UTF-8, no configuration, no plugin, the per-user ffmpeg (which may not be there), no
// JavaScript runtime searched for (or the kept one, with `runtime`), the video and not its
// list, and one entry of an address of a list alone.
ArgList SurroundingArgs(const AppRun *run, const std::string &runtime = "");
// Pages of today's tools: the stand-in's by their style (the default is the 2013 tool's, which
// refuses --encoding), and every local server's page, which the real yt-dlp reads.
bool IsTodaysPage(const std::string &address);
// The runs that did the work: a run the 2013 style refused for --encoding, and went again
// without, is left out; so is a tool's --help, read beside its first paste.
std::vector<ArgList> WorkingRuns(const std::vector<ArgList> &runs);
// SurroundingArgs as a run for `address` gets them in the end: without UTF-8 on a 2013 page.
ArgList SurroundingArgsFor(const AppRun *run, const std::string &address);
// The same for a whole list's runs: the list instead of the one video.
ArgList ListSurroundingArgs(const AppRun *run);
// The folder every tool run of `run` starts in: %LOCALAPPDATA%\Vidmora\run\<hash of TEMP>,
// made here if missing.
std::string RunFolder(const AppRun *run);
// Keeps the real node.exe that scripts/fetch-exe.sh fetched as `run`'s JavaScript runtime,
// as "Choose a JavaScript runtime" would: today's YouTube pages offer their streams only with
// one. False (and a test failure) when it cannot be copied.
bool KeepRealNode(const AppRun *run);
// Runs `commands` with the Unix shell and gives what they printed. Wine runs a Unix program
// named by its Z: path but hands back neither its output nor its end, so the script writes a
// file and then a marker, and this waits for the marker.
std::string RunUnixShell(const AppRun *run, const std::string &commands);
// A Z: path of this machine as a Unix one.
std::string UnixPath(const std::string &windowsPath);
// A path of this machine as Wine's Z: drive shows it.
std::string WindowsPath(const char *unixPath);
// `first`, then `then`, then `last`.
ArgList Joined(ArgList first, const ArgList &then, const ArgList &last = ArgList());
// StartApp with ARGS_LOG_VAR set to argsPath.
bool StartAppWithArgsLog(AppRun *run, const char *argsPath, const char *args = NULL);

// ---- small file and window helpers ----

// Full path of a file in the run's temp dir; a failure fails the test and gives "".
std::string TempPath(const AppRun *run, const char *name);
bool ReadTempFile(const AppRun *run, const char *name, std::string *bytes);
bool WriteTempFile(const AppRun *run, const char *name, const std::string &bytes);
// A main window control's text; a failure fails the test and gives "".
std::string ControlText(const AppRun *run, int id);
// The one box with `caption`, answered with `button`: its message; "" (and a failure) when
// none shows.
std::string AnswerBox(const AppRun *run, const char *caption, int button = IDOK);

// Starts the program a second time over `first`'s files and waits for it to end; its exit code.
DWORD RunSecondStart(const AppRun *first, const char *args, const EnvVar *extra = NULL, int extraCount = 0);

// Processes in the run's job: the program and everything it started; -1 on failure.
int JobProcessCount(const AppRun *run);
