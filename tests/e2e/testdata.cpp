// Test data shared by the end-to-end feature tests; see testdata.h. Every expected value here is
// written by hand from the record layout and the catalogue, never taken from the program.
#include "tests/e2e/testdata.h"

#include <algorithm>

#include "toolbridge/paths.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>

// ---- the state record ----

void PutInt32(std::string *record, size_t offset, int value)
{
    unsigned int v = (unsigned int)value;
    for (int i = 0; i < 4; ++i)
        (*record)[offset + i] = (char)((v >> (8 * i)) & 0xFF);
}

int GetInt32(const std::string &record, size_t offset)
{
    unsigned int v = 0;
    for (int i = 0; i < 4; ++i)
        v |= (unsigned int)(unsigned char)record[offset + i] << (8 * i);
    return (int)v;
}

void PutText(std::string *record, size_t offset, size_t room, const char *text)
{
    size_t n = strlen(text);
    if (n >= room)
        n = room - 1;
    record->replace(offset, n, text, n);
}

std::string GetText(const std::string &record, size_t offset, size_t room)
{
    const char *start = record.data() + offset;
    size_t n = 0;
    while (n < room && start[n] != '\0')
        ++n;
    return std::string(start, n);
}

std::string BuildRecord(const char *address, const char *dest, int paused, const std::vector<FormatEntry> &formats,
                        int selected)
{
    std::string record(RECORD_SIZE, '\0');
    PutText(&record, REC_ADDRESS, REC_ADDRESS_LEN, address);
    PutText(&record, REC_DEST, REC_DEST_LEN, dest);
    PutInt32(&record, REC_PAUSED, paused);
    for (size_t i = 0; i < formats.size() && i < REC_FORMAT_SLOTS; ++i) {
        size_t at = REC_FORMATS + i * REC_FORMAT_SIZE;
        PutInt32(&record, at + SLOT_CODE, formats[i].code);
        PutText(&record, at + SLOT_EXT, SLOT_EXT_LEN, formats[i].ext);
        PutInt32(&record, at + SLOT_HEIGHT, formats[i].height);
        PutInt32(&record, at + SLOT_WIDTH, formats[i].width);
    }
    PutInt32(&record, REC_FORMAT_COUNT, (int)formats.size());
    PutInt32(&record, REC_SELECTED, selected);
    return record;
}

StoredFormat GetFormat(const std::string &record, int index)
{
    size_t at = REC_FORMATS + (size_t)index * REC_FORMAT_SIZE;
    StoredFormat format;
    format.code = GetInt32(record, at + SLOT_CODE);
    format.ext = GetText(record, at + SLOT_EXT, SLOT_EXT_LEN);
    format.height = GetInt32(record, at + SLOT_HEIGHT);
    format.width = GetInt32(record, at + SLOT_WIDTH);
    return format;
}

int GetFormatCode(const std::string &record, int index)
{
    return GetInt32(record, REC_FORMATS + (size_t)index * REC_FORMAT_SIZE + SLOT_CODE);
}

// ---- the catalogue ----

static const CatalogueRow CATALOGUE[] = {
    {5, "FLV", "240p", "Sorenson H.263", "N/A", "0.25", "MP3", "64"},
    {17, "3GP", "144p", "MPEG-4 Visual", "Simple", "0.05", "AAC", "24"},
    {18, "MP4", "270p/360p", "H.264", "Baseline", "0.5", "AAC", "96"},
    {22, "MP4", "720p", "H.264", "High", "2-2.9", "AAC", "192"},
    {34, "FLV", "360p", "H.264", "Main", "0.5", "AAC", "128"},
    {35, "FLV", "480p", "H.264", "Main", "0.8-1", "AAC", "128"},
    {37, "MP4", "1080p", "H.264", "High", "3\x96" "5.9", "AAC", "192"},
    {43, "WebM", "360p", "VP8", "N/A", "0.5", "Vorbis", "128"},
    {44, "WebM", "480p", "VP8", "N/A", "1", "Vorbis", "128"},
    {45, "WebM", "720p", "VP8", "N/A", "2", "Vorbis", "192"},
    {46, "WebM", "1080p", "VP8", "N/A", "N/A", "Vorbis", "192"},
};

const CatalogueRow *CatalogueRowOf(int code)
{
    for (size_t i = 0; i < sizeof CATALOGUE / sizeof CATALOGUE[0]; ++i)
        if (CATALOGUE[i].code == code)
            return &CATALOGUE[i];
    return NULL;
}

std::string Description(int code)
{
    const CatalogueRow *row = CatalogueRowOf(code);
    if (!row)
        return "";
    char text[512];
    snprintf(text, sizeof text,
             "File type:\t%s\nResolution:\t%s\nV.Profile:\t%s\nV.encode:\t%s\nV.bitrate:\t%s\n"
             "A.encode:\t%s\nA.bitrate:\t%s",
             row->fileType, row->resolution, row->profile, row->encoding, row->bitrate, row->audio,
             row->audioBitrate);
    return text;
}

// ---- the argument log ----

bool ParseArgsLog(const std::string &log, std::vector<ArgList> *runs, std::string *why)
{
    runs->clear();
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < log.size()) {
        size_t end = log.find('\n', start);
        if (end == std::string::npos) {
            *why = "last line has no line end"; // each run ends with "END\n"
            return false;
        }
        lines.push_back(log.substr(start, end - start));
        start = end + 1;
    }
    for (size_t i = 0; i < lines.size();) {
        int count = -1;
        if (sscanf(lines[i].c_str(), "ARGC %d", &count) != 1 || count < 0 || i + count + 1 >= lines.size() ||
            lines[i + count + 1] != "END") {
            char note[64];
            snprintf(note, sizeof note, "malformed block at line %u", (unsigned)(i + 1));
            *why = note;
            return false;
        }
        runs->push_back(ArgList(lines.begin() + i + 1, lines.begin() + i + 1 + count));
        i += count + 2;
    }
    return true;
}

std::string JoinArgs(const ArgList &args)
{
    std::string text;
    for (size_t i = 0; i < args.size(); ++i)
        text += "[" + args[i] + "]";
    return text;
}

std::vector<ArgList> ReadArgsLog(const char *path)
{
    std::vector<ArgList> runs;
    if (!FileExists(path))
        return runs;
    std::string log;
    EXPECT_TRUE(ReadWholeFile(path, &log)) << DriverError();
    std::string why;
    EXPECT_TRUE(ParseArgsLog(log, &runs, &why)) << "malformed argument log (" << why << "):\n" << log;
    return runs;
}

bool StartAppWithArgsLog(AppRun *run, const char *argsPath, const char *args)
{
    EnvVar extra[] = {{ARGS_LOG_VAR, argsPath}};
    return StartApp(run, args, extra, 1);
}

// ---- small file and window helpers ----

std::string TempPath(const AppRun *run, const char *name)
{
    char path[MAX_PATH];
    bool ok = TempFilePath(run, name, path, sizeof path);
    EXPECT_TRUE(ok) << DriverError();
    return ok ? path : "";
}

bool ReadTempFile(const AppRun *run, const char *name, std::string *bytes)
{
    char path[MAX_PATH];
    return TempFilePath(run, name, path, sizeof path) && ReadWholeFile(path, bytes);
}

bool WriteTempFile(const AppRun *run, const char *name, const std::string &bytes)
{
    char path[MAX_PATH];
    return TempFilePath(run, name, path, sizeof path) && WriteWholeFile(path, bytes.data(), bytes.size());
}

std::string ControlText(const AppRun *run, int id)
{
    char text[2048];
    EXPECT_TRUE(GetControlText(run, id, text, sizeof text)) << DriverError();
    return text;
}

int JobProcessCount(const AppRun *run)
{
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info;
    if (!run->job ||
        !QueryInformationJobObject(run->job, JobObjectBasicAccountingInformation, &info, sizeof info, NULL))
        return -1;
    return (int)info.ActiveProcesses;
}

std::string AnswerBox(const AppRun *run, const char *caption, int button)
{
    HWND box = FindDialog(run, caption);
    EXPECT_TRUE(box != NULL) << DriverError();
    char shown[1024] = "";
    if (!box)
        return "";
    EXPECT_TRUE(DialogText(box, shown, sizeof shown)) << DriverError();
    EXPECT_TRUE(PressDialogButton(box, button)) << DriverError();
    EXPECT_TRUE(WaitDialogGone(box)) << DriverError();
    return shown;
}

DWORD RunSecondStart(const AppRun *first, const char *args, const EnvVar *extra, int extraCount)
{
    AppRun second;
    snprintf(second.tempDir, sizeof second.tempDir, "%s", first->tempDir);
    DWORD code = 99;
    EXPECT_TRUE(LaunchApp(&second, args, extra, extraCount) && WaitExit(&second, E2E_WAIT_MS, &code))
        << DriverError();
    return code;
}

static std::string KeptFolder(const AppRun *run)
{
    return std::string(run->tempDir) + "\\local\\Vidmora";
}

ArgList SurroundingArgs(const AppRun *run, const std::string &runtime)
{
    ArgList args = {"--encoding", "utf-8", "--ignore-config", "--no-plugin-dirs", "--ffmpeg-location",
                    KeptFolder(run) + "\\ffmpeg.exe", "--no-js-runtimes"};
    // A kept runtime is named to every run.
    std::string kept = KeptFolder(run) + "\\js-runtime.exe";
    if (!runtime.empty() || FileExists(kept.c_str()))
        args.insert(args.end(), {"--js-runtimes", runtime.empty() ? "node:" + kept : runtime});
    args.insert(args.end(), {"--no-playlist", "--playlist-items", "1"});
    return args;
}

bool IsTodaysPage(const std::string &address)
{
    return address.compare(0, 17, "http://127.0.0.1:") == 0 || address.find("style=yt-dlp") != std::string::npos ||
           address.find("style=youtube-dl") != std::string::npos;
}

std::vector<ArgList> WorkingRuns(const std::vector<ArgList> &runs)
{
    std::vector<ArgList> kept;
    for (const ArgList &run : runs) {
        bool refused = !run.empty() && !IsTodaysPage(run.back()) &&
                       std::find(run.begin(), run.end(), "--encoding") != run.end();
        if (!refused && run != ArgList{"--help"})
            kept.push_back(run);
    }
    return kept;
}

ArgList SurroundingArgsFor(const AppRun *run, const std::string &address)
{
    ArgList args = SurroundingArgs(run);
    if (!IsTodaysPage(address))
        args.erase(args.begin(), args.begin() + 2);
    return args;
}

ArgList ListSurroundingArgs(const AppRun *run)
{
    ArgList args = SurroundingArgs(run);
    args.resize(args.size() - 3);
    args.push_back("--yes-playlist");
    return args;
}

ArgList Joined(ArgList first, const ArgList &then, const ArgList &last)
{
    first.insert(first.end(), then.begin(), then.end());
    first.insert(first.end(), last.begin(), last.end());
    return first;
}

std::string RunFolder(const AppRun *run)
{
    char name[16];
    snprintf(name, sizeof name, "%08lx", PathHash((std::string(run->tempDir) + "\\").c_str()));
    std::string folder = run->tempDir;
    for (const std::string &part : {std::string("\\local"), std::string("\\Vidmora"), std::string("\\run"), "\\" + std::string(name)})
        CreateDirectoryA((folder += part).c_str(), NULL);
    return folder;
}

std::string WindowsPath(const char *unixPath)
{
    std::string path = std::string("Z:") + unixPath;
    for (char &c : path)
        c = c == '/' ? '\\' : c;
    return path;
}

bool KeepRealNode(const AppRun *run)
{
    const std::string folder = KeptFolder(run), node = WindowsPath(VIDMORA_TEST_NODE);
    CreateDirectoryA((std::string(run->tempDir) + "\\local").c_str(), NULL);
    CreateDirectoryA(folder.c_str(), NULL);
    static const char VERSION[] = "node 22.23.2\nchosen\n";
    bool kept = CopyFileA(node.c_str(), (folder + "\\js-runtime.exe").c_str(), FALSE) &&
                WriteWholeFile((folder + "\\js-runtime-version.txt").c_str(), VERSION, sizeof VERSION - 1);
    EXPECT_TRUE(kept) << node << " could not be kept; scripts/fetch-exe.sh node fetches it";
    return kept;
}

std::string UnixPath(const std::string &windowsPath)
{
    std::string path = windowsPath.substr(2);
    for (char &c : path)
        c = c == '\\' ? '/' : c;
    return path;
}

std::string RunUnixShell(const AppRun *run, const std::string &commands)
{
    std::string script = TempPath(run, "unix.sh"), output = TempPath(run, "unix.txt"), marker = TempPath(run, "unix.done");
    DeleteFileA(marker.c_str());
    std::string text = "(" + commands + ") > '" + UnixPath(output) + "' 2>&1; touch '" + UnixPath(marker) + "'\n";
    EXPECT_TRUE(WriteWholeFile(script.c_str(), text.data(), text.size()));
    std::string commandLine = "Z:\\bin\\sh " + UnixPath(script);
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof process);
    if (!CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        return "the shell did not start";
    if (process.hProcess)
        CloseHandle(process.hProcess);
    if (process.hThread)
        CloseHandle(process.hThread);
    std::string printed;
    EXPECT_TRUE(WaitUntil([&] { return FileExists(marker.c_str()); })) << "the shell gave no answer: " << commands;
    ReadWholeFile(output.c_str(), &printed);
    return printed;
}
