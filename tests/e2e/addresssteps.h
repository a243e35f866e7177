// The address tests' shared steps: probing by paste or command line, the argument log,
// the saved record, the save dialog and the boxes.
#pragma once
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <algorithm>
#include <vector>
#include "resources/resource.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/testdata.h"
#include "tests/standin/page.h"

namespace {

// The description part of a save filter, as the file-type box shows it.
inline std::string FilterText(int code, int height, int width)
{
    const CatalogueRow *row = CatalogueRowOf(code);
    if (!row)
        return "";
    char text[256];
    snprintf(text, sizeof text, "%s~%s-%s(%sMbit/s)[%dx%d]", row->fileType, row->resolution, row->encoding,
             row->bitrate, height, width);
    return text;
}

// A control's text as Unicode. GetWindowText would not ask another process's window.
inline std::wstring WideText(const AppRun *run, int id)
{
    wchar_t text[1024] = L"";
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(ControlOf(run, id), WM_GETTEXT, 1024, (LPARAM)text, SMTO_ABORTIFHUNG, 5000, &copied);
    return text;
}

inline std::string Utf8(const std::wstring &text)
{
    char bytes[2048] = "";
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, bytes, sizeof bytes, NULL, NULL);
    return bytes;
}

inline std::wstring Wide(const std::string &utf8)
{
    wchar_t text[1024] = L"";
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, text, 1024);
    return text;
}

// The names of the files in `folder` (which ends in a backslash) in UTF-8, sorted, one a line.
inline std::string FilesIn(const std::string &folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((Wide(folder) + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                names.push_back(Utf8(found.cFileName));
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    std::sort(names.begin(), names.end());
    std::string lines;
    for (const std::string &name : names)
        lines += name + "\n";
    return lines;
}

// The record as the program saved it.
struct Record {
    std::string address;
    std::string destination;
    int paused;
    std::vector<StoredFormat> formats;
    int formatCount;
    int selectedFormat;
};

inline std::string DirectoryOf(const std::string &path)
{
    size_t slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

class AddressTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(PrepareRun(&run)) << DriverError();
        ASSERT_TRUE(TempFilePath(&run, ARGS_LOG_NAME, argsPath, sizeof argsPath)) << DriverError();
    }

    // The program's folder: its working directory and the default destination's directory.
    std::string ExeDir()
    {
        return DirectoryOf(run.exePath);
    }

    bool Start(const char *args = NULL, std::vector<EnvVar> env = {})
    {
        env.push_back({ARGS_LOG_VAR, argsPath});
        return StartApp(&run, args, env.data(), (int)env.size());
    }

    std::string Temp(const char *name) { return TempPath(&run, name); }
    // A tool copy, in the folder the runs start in.
    std::string Copy(const char *name) { return RunFolder(&run) + "\\" + name; }

    std::string Text(int id) { return ControlText(&run, id); }

    void WriteRecord(const std::string &bytes)
    {
        ASSERT_TRUE(WriteTempFile(&run, RECORD_NAME, bytes)) << DriverError();
    }

    // Closes the program in an orderly way and reads the record it saved.
    void CloseAndReadRecord(Record *record)
    {
        ASSERT_TRUE(CloseApp(&run)) << DriverError();
        ASSERT_TRUE(WaitExit(&run, E2E_WAIT_MS, NULL)) << DriverError();
        std::string bytes;
        ASSERT_TRUE(ReadTempFile(&run, RECORD_NAME, &bytes)) << DriverError();
        ASSERT_EQ((size_t)RECORD_SIZE, bytes.size());
        record->address = GetText(bytes, REC_ADDRESS, REC_ADDRESS_LEN);
        record->destination = GetText(bytes, REC_DEST, REC_DEST_LEN);
        record->paused = GetInt32(bytes, REC_PAUSED);
        record->formatCount = GetInt32(bytes, REC_FORMAT_COUNT);
        record->selectedFormat = GetInt32(bytes, REC_SELECTED);
        record->formats.clear();
        for (int i = 0; i < record->formatCount && i < REC_FORMAT_SLOTS; ++i)
            record->formats.push_back(GetFormat(bytes, i));
    }

    void ExpectFormats(const Record &record, const std::vector<FormatEntry> &expected)
    {
        ASSERT_EQ((int)expected.size(), record.formatCount);
        for (size_t i = 0; i < expected.size(); ++i) {
            SCOPED_TRACE("format record " + std::to_string(i + 1));
            EXPECT_EQ(expected[i].code, record.formats[i].code);
            EXPECT_STREQ(expected[i].ext, record.formats[i].ext.c_str());
            EXPECT_EQ(expected[i].height, record.formats[i].height);
            EXPECT_EQ(expected[i].width, record.formats[i].width);
        }
    }

    static bool TodaysStyle(const std::string &address) { return IsTodaysPage(address); }

    // Every run the stand-in logged.
    std::vector<ArgList> AllRuns() { return ReadArgsLog(argsPath); }

    // The runs that did the work (see WorkingRuns), less a list's flat read, which runs beside
    // the probe in no fixed order: the list tests look at it.
    std::vector<ArgList> Runs()
    {
        std::vector<ArgList> kept;
        for (const ArgList &run : WorkingRuns(AllRuns()))
            if (std::find(run.begin(), run.end(), "--flat-playlist") == run.end())
                kept.push_back(run);
        return kept;
    }

    // The two probe runs for `address` start at runs[first]; they start together, so the
    // log may hold them in either order. Today's tools are asked for UTF-8.
    void ExpectProbeRuns(const std::vector<ArgList> &runs, size_t first, const std::string &address)
    {
        ASSERT_GE(runs.size(), first + 2) << "the probe did not run the tool twice";
        ArgList title = {"--get-filename", "-o", "%(title)s.%(ext)s"};
        ArgList formats = {"--list-formats"};
        for (ArgList *probeRun : {&title, &formats})
            *probeRun = Joined(*probeRun, SurroundingArgsFor(&run, address), {"--", address});
        bool titleFirst = runs[first] == title;
        EXPECT_EQ(title, runs[titleFirst ? first : first + 1]) << "title run: " << JoinArgs(runs[first]);
        EXPECT_EQ(formats, runs[titleFirst ? first + 1 : first]) << "format run: " << JoinArgs(runs[first + 1]);
    }

    void PasteAndWaitForDestination(const std::string &clipboard, const std::string &destination)
    {
        ASSERT_TRUE(SetClipboardText(clipboard.c_str())) << DriverError();
        ASSERT_TRUE(PostClick(&run, IDC_PASTE)) << DriverError();
        bool shown = WaitControlText(&run, IDC_DEST_EDIT, destination.c_str());
        std::string why = DriverError();
        ASSERT_TRUE(shown) << why << OpenBoxes();
    }

    // Chooses the real Windows ffmpeg (scripts/fetch-exe.sh) in the window menu and waits for
    // it to be kept. The relay's runner gives the real tool Debian's ffmpeg in its place.
    void ChooseFfmpeg()
    {
        const std::string ffmpeg = WindowsPath(VIDMORA_TEST_FFMPEG);
        ASSERT_TRUE(FileExists(ffmpeg.c_str())) << ffmpeg << ": scripts/fetch-exe.sh ffmpeg fetches it";
        ASSERT_TRUE(PostMessageA(run.window, WM_SYSCOMMAND, IDM_FFMPEG_CHOOSE, 0));
        HWND dialog = FindDialog(&run, "Open");
        ASSERT_TRUE(dialog != NULL) << DriverError() << OpenBoxes();
        ASSERT_TRUE(SetSaveDialogFileName(dialog, ffmpeg.c_str())) << DriverError();
        ASSERT_TRUE(ConfirmSaveDialog(dialog)) << DriverError();
        EXPECT_EQ("ffmpeg: 2018 build (chosen)", AnswerBox(&run, "Vidmora"));
    }

    // Signs in with the cookies file at `path` (UTF-8, any script) from the window menu, and
    // answers the box that follows: "CAPTION: TEXT".
    std::string ChooseCookiesFile(const std::string &path)
    {
        EXPECT_TRUE(PostMessageA(run.window, WM_SYSCOMMAND, IDM_SIGNIN_FILE, 0));
        HWND dialog = FindDialog(&run, "Open");
        EXPECT_TRUE(dialog != NULL) << DriverError() << OpenBoxes();
        if (!dialog)
            return "";
        wchar_t wide[MAX_PATH * 2] = L"";
        MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide, MAX_PATH * 2);
        HWND box = GetDlgItem(dialog, E2E_SAVE_NAME_EDIT) ? GetDlgItem(dialog, E2E_SAVE_NAME_EDIT)
                                                          : GetDlgItem(dialog, E2E_SAVE_NAME_COMBO);
        DWORD_PTR result = 0;
        EXPECT_TRUE(box && SendMessageTimeoutW(box, WM_SETTEXT, 0, (LPARAM)wide, SMTO_ABORTIFHUNG, 5000, &result));
        EXPECT_TRUE(ConfirmSaveDialog(dialog)) << DriverError();
        EXPECT_TRUE(WaitDialogGone(dialog)) << DriverError();
        HWND told = FindDialog(&run);
        char caption[64] = "", text[512] = "";
        if (!told || !DialogCaption(told, caption, sizeof caption) || !DialogText(told, text, sizeof text))
            return "";
        EXPECT_TRUE(PressDialogButton(told, IDOK)) << DriverError();
        EXPECT_TRUE(WaitDialogGone(told)) << DriverError();
        return std::string(caption) + ": " + text;
    }

    // Caption and text of a box now open, for failure messages.
    // Clicks Save File and gives its dialog.
    void OpenSaveDialog(HWND *dialog)
    {
        ASSERT_TRUE(PostClick(&run, IDC_SAVE)) << DriverError();
        *dialog = FindDialog(&run);
        ASSERT_TRUE(*dialog != NULL) << DriverError();
    }

    // Confirms or cancels the save dialog and waits until it has gone.
    void CloseSaveDialog(HWND dialog, bool confirm)
    {
        ASSERT_TRUE(confirm ? ConfirmSaveDialog(dialog) : CancelSaveDialog(dialog)) << DriverError();
        ASSERT_TRUE(WaitDialogGone(dialog)) << DriverError();
    }

    // Picks filter `filter` (from 0) and the file `name`, confirms, and waits until the
    // destination box holds `name` with the extension `ext` the dialog appends.
    void ChooseInSaveDialog(HWND dialog, int filter, const std::string &name, const char *ext)
    {
        ASSERT_TRUE(SelectSaveDialogFilter(dialog, filter)) << DriverError();
        ASSERT_TRUE(SetSaveDialogFileName(dialog, name.c_str())) << DriverError();
        ASSERT_NO_FATAL_FAILURE(CloseSaveDialog(dialog, true));
        ASSERT_TRUE(WaitControlText(&run, IDC_DEST_EDIT, (name + ext).c_str())) << DriverError();
    }

    std::string OpenBoxes()
    {
        std::string list;
        HWND box = FindDialog(&run, NULL, 0);
        if (box) {
            char caption[128] = "";
            char text[512] = "";
            DialogCaption(box, caption, sizeof caption);
            DialogText(box, text, sizeof text);
            list = std::string("; open box \"") + caption + "\": " + text;
        }
        return list;
    }

    void ExpectProbeCopyGone()
    {
        std::string copy = Copy(PROBE_TOOL_NAME);
        EXPECT_TRUE(WaitUntil([&] { return !FileExists(copy.c_str()); })) << copy << " was left behind";
    }

    // Removes what it finds, so one failure does not spill into the next run.
    void ExpectNoInjectedFiles()
    {
        for (const char *name : {"inj.txt", "inj2.txt"}) {
            std::string inTemp = Temp(name);
            std::string inProgramDir = ExeDir() + name;
            EXPECT_FALSE(FileExists(inTemp.c_str())) << name << " appeared in the temp dir";
            EXPECT_FALSE(FileExists(inProgramDir.c_str())) << name << " appeared in " << ExeDir();
            DeleteFileA(inTemp.c_str());
            DeleteFileA(inProgramDir.c_str());
        }
    }

    // A saved record of an earlier page offering format 22 only.
    void WriteOldPageRecord()
    {
        WriteRecord(BuildRecord("http://standin.test/watch?v=old", Temp("old.mp4").c_str(), 0,
                                {{22, "mp4", 720, 1280}}, 1));
    }

    // Exactly one probe ran for `address`, the shell made nothing of it, and no box is open.
    void ExpectOneQuietProbe(const std::string &address)
    {
        std::vector<ArgList> runs = Runs();
        EXPECT_EQ(2u, runs.size());
        ExpectProbeRuns(runs, 0, address);
        ExpectNoInjectedFiles();
        EXPECT_EQ(0, CountDialogs(&run));
    }

    // Answers the one "Alert" box, which has no owner and shows `text`.
    void AnswerAlert(const char *text)
    {
        HWND box = FindDialog(&run, "Alert");
        ASSERT_TRUE(box != NULL) << DriverError();
        char shown[256] = "";
        EXPECT_TRUE(DialogText(box, shown, sizeof shown)) << DriverError();
        EXPECT_STREQ(text, shown);
        EXPECT_EQ(run.window, GetWindow(box, GW_OWNER)) << "a box over the window is owned by it, which disables it";
        ASSERT_TRUE(PressDialogButton(box, IDOK)) << DriverError();
        ASSERT_TRUE(WaitDialogGone(box)) << DriverError();
    }

    // A refused address shows one "Alert" box with no owner; answering it leaves everything as it was.
    void ExpectRefusedWithAlert(const std::string &address, const std::string &destination,
                                const std::string &info)
    {
        HWND box = FindDialog(&run, "Alert");
        ASSERT_TRUE(box != NULL) << DriverError();
        EXPECT_EQ(run.window, GetWindow(box, GW_OWNER)) << "a box over the window is owned by it, which disables it";
        EXPECT_TRUE(DialogHasButton(box, IDOK));
        ASSERT_TRUE(PressDialogButton(box, IDOK)) << DriverError();
        ASSERT_TRUE(WaitDialogGone(box)) << DriverError();
        EXPECT_EQ(address, Text(IDC_URL_EDIT));
        EXPECT_EQ(destination, Text(IDC_DEST_EDIT));
        EXPECT_EQ(info, Text(IDC_FORMAT_INFO));
        EXPECT_FALSE(FileExists(argsPath)) << "the tool ran for a refused address";
        EXPECT_EQ(0, CountDialogs(&run));
    }

    AppRun run;
    char argsPath[MAX_PATH];
};

// ---- Paste URL ----

}  // namespace
