// Steps of the tests that run today's real yt-dlp: the program is the test build that carries
// the relay (vidmora_realtool.exe), whose runner on the Unix side (tests/realtool/relayd.py)
// runs the real tool and serves the local pages. Its logs say what each run was given, how
// it ended, and which requests the server saw.
#pragma once
#include "tests/e2e/addresssteps.h"

namespace {

// The whole of a file with a Unicode name; false when it cannot be read.
inline bool ReadWideFile(const std::wstring &path, std::string *bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size;
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart < (1 << 30);
    bytes->assign(ok ? (size_t)size.QuadPart : 0, '\0');
    DWORD got = 0;
    ok = ok && (bytes->empty() || ReadFile(file, &(*bytes)[0], (DWORD)bytes->size(), &got, NULL)) && got == bytes->size();
    CloseHandle(file);
    return ok;
}

class RealToolTest : public AddressTest {
protected:
    void SetUp() override
    {
        AddressTest::SetUp();
        state = WindowsPath(VIDMORA_REALTOOL_STATE) + "\\";
        std::string ports;
        ASSERT_TRUE(ReadWholeFile((state + "ports").c_str(), &ports))
            << state << "ports: the runner is not started (tests/realtool/relayd.sh start)";
        size_t at = ports.find("http ");
        ASSERT_NE(std::string::npos, at) << ports;
        httpPort = atoi(ports.c_str() + at + 5);
        // The runner logs every run's arguments as the stand-in did; each test reads its own.
        for (const char *log : {"args.log", "runs.log", "http.log"})
            DeleteFileA((state + log).c_str());
        snprintf(argsPath, sizeof argsPath, "%sargs.log", state.c_str());
        char dir[MAX_PATH], exe[MAX_PATH];
        ASSERT_TRUE(DriverDir(dir, sizeof dir) && JoinPath(exe, sizeof exe, dir, "vidmora_realtool.exe")) << DriverError();
        SetEnvironmentVariableA("VIDMORA_EXE", exe);
        folder = Temp("out") + "\\";
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), NULL));
        // The first destination's folder is this test's own.
        WriteRecord(BuildRecord("http://127.0.0.1/old", (folder + "old.mp4").c_str(), 0, {{22, "mp4", 720, 1280}}, 1));
    }

    void TearDown() override { SetEnvironmentVariableA("VIDMORA_EXE", NULL); }

    // A page of the local server; `rate` bytes a second throttles its media, 0 does not.
    std::string Page(const std::string &path, int rate = 0)
    {
        return "http://127.0.0.1:" + std::to_string(httpPort) + (rate ? "/rate/" + std::to_string(rate) : "") + path;
    }

    // One of the server's media files, as it serves them.
    std::string Media(const char *name) { return state + "media\\" + name; }

    std::string Log(const char *name)
    {
        std::string text;
        ReadWholeFile((state + name).c_str(), &text);
        return text;
    }

    static int CountLines(const std::string &text, const std::string &start)
    {
        int count = 0;
        for (size_t at = 0; at < text.size();) {
            size_t end = text.find('\n', at);
            count += text.compare(at, start.size(), start) == 0;
            at = end == std::string::npos ? text.size() : end + 1;
        }
        return count;
    }

    // The runner has seen every real tool it started gone, its process group included.
    bool EveryToolGone()
    {
        std::string runs = Log("runs.log");
        return CountLines(runs, "gone ") == CountLines(runs, "start ");
    }

    // Pastes `page` and waits for the proposed destination, in this test's folder.
    void PasteAndWaitForName(const std::string &page, const std::wstring &name)
    {
        // The restored destination may already bear the name; this one never does.
        ASSERT_TRUE(SetControlText(&run, IDC_DEST_EDIT, (folder + "before the paste").c_str())) << DriverError();
        ASSERT_TRUE(SetClipboardText(page.c_str())) << DriverError();
        ASSERT_TRUE(PostClick(&run, IDC_PASTE)) << DriverError();
        const std::wstring proposed = Wide(folder) + name;
        ASSERT_TRUE(WaitUntil([&] { return WideText(&run, IDC_DEST_EDIT) == proposed && IsControlEnabled(&run, IDC_START); }))
            << "proposed: " << Utf8(WideText(&run, IDC_DEST_EDIT)) << OpenBoxes();
    }

    void PressStartAndWaitForDone()
    {
        ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
        ASSERT_TRUE(WaitControlText(&run, IDC_STATUS, DONE_STATUS)) << DriverError() << OpenBoxes() << FolderFiles();
    }

    void CloseAndWaitForExit()
    {
        ASSERT_TRUE(CloseApp(&run)) << DriverError();
        ASSERT_TRUE(WaitExit(&run, E2E_WAIT_MS, NULL)) << DriverError();
    }

    // Stop, answered Yes, and the runner has seen every real tool gone.
    void StopAndWaitForTheToolGone()
    {
        ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
        EXPECT_EQ("Do you want to stop downloading right now?", AnswerBox(&run, "Vidmora", IDYES));
        ASSERT_TRUE(WaitUntil([&] { return EveryToolGone() && Text(IDC_START) == "Start Download"; }))
            << Log("runs.log") << Text(IDC_START);
    }

    void PauseCloseAndRestart()
    {
        ASSERT_TRUE(WaitUntil([&] { return IsControlEnabled(&run, IDC_PAUSE); }));
        ASSERT_TRUE(PostClick(&run, IDC_PAUSE)) << DriverError();
        ASSERT_TRUE(WaitUntil([&] { return Text(IDC_START) == "Continue"; })) << OpenBoxes();
        ASSERT_NO_FATAL_FAILURE(CloseAndWaitForExit());
        ASSERT_TRUE(Start()) << DriverError();
        ASSERT_TRUE(WaitUntil([&] { return Text(IDC_START) == "Continue"; })) << OpenBoxes();
    }

    // Chooses the MP3 row in the save dialog under STEM with the sound's own extension, and
    // waits for the destination STEM.mp3.
    void ChooseMp3(const std::string &stem)
    {
        ASSERT_NO_FATAL_FAILURE(TakeFilter(3, "MP3~sound only (converted from M4A 128k)", folder + stem + ".m4a"));
        std::string told = AnswerBox(&run, "Vidmora");
        EXPECT_NE(std::string::npos, told.find("so it is saved as ")) << told;
        const std::wstring mp3 = Wide(folder + stem + ".mp3");
        ASSERT_TRUE(WaitUntil([&] { return WideText(&run, IDC_DEST_EDIT) == mp3; }))
            << Utf8(WideText(&run, IDC_DEST_EDIT)) << OpenBoxes();
    }

    // Save File: filter `index` reads `entry`, and is taken with the file `path` (in any script).
    void TakeFilter(int index, const char *entry, const std::string &path)
    {
        HWND dialog = NULL;
        ASSERT_NO_FATAL_FAILURE(OpenSaveDialog(&dialog));
        char text[256] = "";
        EXPECT_TRUE(SaveDialogFilterText(dialog, index, text, sizeof text)) << DriverError();
        EXPECT_STREQ(entry, text);
        ASSERT_TRUE(SelectSaveDialogFilter(dialog, index)) << DriverError();
        ASSERT_TRUE(SetSaveDialogWideName(dialog, Wide(path)));
        ASSERT_TRUE(ConfirmSaveDialog(dialog)) << DriverError();
    }

    // The save dialog's file name box set to a name in any script.
    static bool SetSaveDialogWideName(HWND dialog, const std::wstring &name)
    {
        HWND box = GetDlgItem(dialog, E2E_SAVE_NAME_EDIT);
        if (!box)
            box = GetDlgItem(dialog, E2E_SAVE_NAME_COMBO);
        DWORD_PTR result = 0;
        return box && SendMessageTimeoutW(box, WM_SETTEXT, 0, (LPARAM)name.c_str(), SMTO_ABORTIFHUNG, 5000, &result);
    }

    bool WideExists(const std::string &name)
    {
        return GetFileAttributesW(Wide(folder + name).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    // The file in this test's folder (a name in any script) has its first bytes.
    bool WideBegun(const std::string &name)
    {
        WIN32_FILE_ATTRIBUTE_DATA data;
        return GetFileAttributesExW(Wide(folder + name).c_str(), GetFileExInfoStandard, &data) &&
               (data.nFileSizeLow > 0 || data.nFileSizeHigh > 0);
    }

    bool WriteWide(const std::string &name, const std::string &bytes)
    {
        HANDLE file = CreateFileW(Wide(folder + name).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        DWORD written = 0;
        bool ok = file != INVALID_HANDLE_VALUE && WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL) &&
                  written == bytes.size();
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        return ok;
    }

    // Seconds of the first stream of a file, by Debian's ffprobe.
    double Seconds(const std::string &name)
    {
        return atof(RunUnixShell(&run, "ffprobe -v error -show_entries format=duration -of csv=p=0 '" +
                                           UnixPath(folder + name) + "'").c_str());
    }

    // Debian's ffprobe on the Unix side: "CODEC,TYPE" a stream, one a line.
    std::string Streams(const std::wstring &file)
    {
        return RunUnixShell(&run, "ffprobe -v error -show_entries stream=codec_type,codec_name -of csv=p=0 '" +
                                      UnixPath(Utf8(file)) + "'");
    }

    std::string FolderFiles() { return FilesIn(folder); }

    // The file in this test's folder holds exactly the bytes the server serves as `media`.
    ::testing::AssertionResult SameBytes(const std::string &name, const char *media)
    {
        std::string got, want;
        if (!ReadWideFile(Wide(folder + name), &got))
            return ::testing::AssertionFailure() << name << " cannot be read; the folder holds\n" << FolderFiles();
        if (!ReadWholeFile(Media(media).c_str(), &want))
            return ::testing::AssertionFailure() << Media(media) << " cannot be read";
        if (got != want)
            return ::testing::AssertionFailure() << name << " has " << got.size() << " bytes unlike " << media << "'s "
                                                 << want.size();
        return ::testing::AssertionSuccess();
    }

    std::string state;
    std::string folder;
    int httpPort = 0;
};

}  // namespace
