// End-to-end tests of keeping the download tool current from the window menu: an update,
// a chosen tool, going back to the built-in one; and failures told in the tool's words.
#include "tests/e2e/addresssteps.h"
#include "tests/standin/version.h"

namespace {

const char NOT_A_TOOL[] = "This file is not a download tool: ";

class ToolKeepingTest : public AddressTest {
protected:
    void SetUp() override
    {
        AddressTest::SetUp();
        local = std::string(run.tempDir) + "\\local\\Vidmora";
        kept = local + "\\tool.exe";
    }

    bool Menu(int item) { return PostMessageA(run.window, WM_SYSCOMMAND, item, 0) != 0; }

    std::string AnswerBox(const char *caption, int button = IDOK) { return ::AnswerBox(&run, caption, button); }

    // The version inside a stand-in's exe file; "" when there is none (yet).
    static std::string VersionIn(const std::string &path)
    {
        std::string bytes;
        if (!ReadWholeFile(path.c_str(), &bytes))
            return "";
        long at = StandinFindVersion((const unsigned char *)bytes.data(), bytes.size());
        return at < 0 ? "" : std::string(bytes.c_str() + at);
    }

    // The version of the tool copy the next probe runs, read while it waits on its page.
    std::string VersionOfNextProbe()
    {
        std::string version;
        // A newly kept tool is asked its --help first, and the inputs wait for it.
        EXPECT_TRUE(WaitUntil([&] { return ProbeIdle(); })) << OpenBoxes();
        EXPECT_TRUE(SetClipboardText("http://standin.test/watch?v=which&title=Which&probedelay=2000"));
        EXPECT_TRUE(PostClick(&run, IDC_PASTE)) << DriverError();
        EXPECT_TRUE(WaitUntil([&] { return !(version = VersionIn(Copy(PROBE_TOOL_NAME))).empty(); }))
            << "no probe copy seen";
        EXPECT_TRUE(WaitUntil([&] { return ProbeIdle(); })) << OpenBoxes();
        return version;
    }

    bool ProbeIdle() { return IsControlEnabled(&run, IDC_PASTE) && !FileExists(Copy(PROBE_TOOL_NAME).c_str()); }

    // A copy of the stand-in with another version inside, at `path`.
    void MakeStandinCopy(const std::string &path, const char *version)
    {
        char dir[MAX_PATH], standin[MAX_PATH];
        ASSERT_TRUE(DriverDir(dir, sizeof dir) && JoinPath(standin, sizeof standin, dir, "standin.exe"));
        std::string bytes;
        ASSERT_TRUE(ReadWholeFile(standin, &bytes)) << DriverError();
        ASSERT_TRUE(StandinSetVersion((unsigned char *)&bytes[0], bytes.size(), version));
        ASSERT_TRUE(WriteWholeFile(path.c_str(), bytes.data(), bytes.size())) << DriverError();
    }

    // Chooses `path` in the Open dialog of "Choose a download tool…" (or of `item`).
    void Choose(const std::string &path, int item = IDM_TOOL_CHOOSE)
    {
        ASSERT_TRUE(Menu(item));
        HWND dialog = FindDialog(&run, "Open");
        ASSERT_TRUE(dialog != NULL) << DriverError() << OpenBoxes();
        ASSERT_TRUE(SetSaveDialogFileName(dialog, path.c_str())) << DriverError();
        ASSERT_TRUE(ConfirmSaveDialog(dialog)) << DriverError();
        ASSERT_TRUE(WaitDialogGone(dialog)) << DriverError();
    }

    // `dir` made, with an empty file, a text file, and a stand-in copy answering each version.
    void MakeChoices(const std::string &dir, const std::vector<std::pair<std::string, std::string>> &copies)
    {
        ASSERT_TRUE(CreateDirectoryA(dir.c_str(), NULL));
        ASSERT_TRUE(WriteWholeFile((dir + "empty.exe").c_str(), "", 0));
        ASSERT_TRUE(WriteWholeFile((dir + "notes.exe").c_str(), "just text\r\n", 11));
        for (const auto &copy : copies)
            ASSERT_NO_FATAL_FAILURE(MakeStandinCopy(dir + copy.first, copy.second.c_str()));
    }

    struct Refusal {
        const char *name;
        const char *reason;
    };

    // Each file of `dir` chosen with `item` is refused for its reason, and nothing is kept at `keptPath`.
    void ExpectRefused(const std::string &dir, const std::vector<Refusal> &refused, int item, const std::string &prefix,
                       const std::string &keptPath)
    {
        for (const Refusal &c : refused) {
            SCOPED_TRACE(c.name);
            ASSERT_NO_FATAL_FAILURE(Choose(dir + c.name, item));
            EXPECT_EQ(prefix + c.reason + ".", AnswerBox("Alert"));
            EXPECT_FALSE(FileExists(keptPath.c_str()));
        }
    }

    std::string KeptVersionFile()
    {
        std::string text;
        ReadWholeFile((local + "\\tool-version.txt").c_str(), &text);
        return text;
    }

    std::string local, kept;
};

TEST_F(ToolKeepingTest, UpdateIsKeptAndUsedByTheNextProbeAndAfterARestart)
{
    ASSERT_TRUE(Start()) << DriverError();
    EXPECT_EQ(STANDIN_DEFAULT_VERSION, VersionOfNextProbe()) << "the built-in tool first";
    ASSERT_TRUE(Menu(IDM_TOOL_UPDATE));
    EXPECT_EQ("Updated yt-dlp to stable@" STANDIN_LATEST_VERSION " from yt-dlp/yt-dlp\n\n"
              "Download tool: " STANDIN_LATEST_VERSION " (updated)",
              AnswerBox("Vidmora"));
    EXPECT_EQ(STANDIN_LATEST_VERSION, VersionIn(kept));
    EXPECT_EQ(STANDIN_LATEST_VERSION "\nupdated\n", KeptVersionFile());
    EXPECT_TRUE(WaitUntil([&] { return !FileExists((kept + ".old").c_str()) && !FileExists((kept + ".new").c_str()); }))
        << "the update's leftovers stay";
    EXPECT_EQ(STANDIN_LATEST_VERSION, VersionOfNextProbe());

    ASSERT_TRUE(CloseApp(&run)) << DriverError();
    ASSERT_TRUE(WaitExit(&run, E2E_WAIT_MS, NULL)) << DriverError();
    ASSERT_TRUE(Start()) << DriverError();
    EXPECT_EQ(STANDIN_LATEST_VERSION, VersionOfNextProbe()) << "after a restart";
}

// A failed update says why in the tool's words and leaves the tool in use as it was.
TEST_F(ToolKeepingTest, FailedUpdateSaysWhyAndChangesNothing)
{
    struct {
        const char *variable;
        const char *message;  // the tool's words follow the first line
    } cases[] = {
        {"STANDIN_UPDATE_FAIL", "The download tool could not be updated (exit code 100).\n\nERROR: Unable to write to "},
        {"STANDIN_UPDATE_DEAD",
         "The download tool could not be updated (exit code 0).\n\nERROR: can't find the current version. Please try "
         "again later."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.variable);
        ASSERT_TRUE(Start(NULL, {{c.variable, "1"}})) << DriverError();
        ASSERT_TRUE(Menu(IDM_TOOL_UPDATE));
        std::string shown = AnswerBox("Alert");
        EXPECT_EQ(c.message, shown.substr(0, strlen(c.message)));
        EXPECT_TRUE(WaitUntil([&] { return ProbeIdle(); })) << OpenBoxes();
        EXPECT_FALSE(FileExists(kept.c_str())) << "the copy written for the update stays";
        EXPECT_EQ(STANDIN_DEFAULT_VERSION, VersionOfNextProbe());
        ASSERT_TRUE(CloseApp(&run)) << DriverError();
        ASSERT_TRUE(WaitExit(&run, E2E_WAIT_MS, NULL)) << DriverError();
    }
}

TEST_F(ToolKeepingTest, BadFilesAreRefusedAGoodOneIsKeptAndTheBuiltInOneComesBack)
{
    std::string dir = std::string(run.tempDir) + "\\choices\\";
    ASSERT_NO_FATAL_FAILURE(
        MakeChoices(dir, {{"silent.exe", ""}, {"hangs.exe", "HANG"}, {"Werkzeug \xe9t\xe9.exe", "2024.05.06"}}));
    ASSERT_TRUE(Start()) << DriverError();
    ASSERT_NO_FATAL_FAILURE(ExpectRefused(dir,
                                          {{"empty.exe", "it is empty"},
                                           {"notes.exe", "it is not a Windows program"},
                                           {"silent.exe", "it printed no version"},
                                           {"hangs.exe", "it did not answer --version within 20 seconds"}},
                                          IDM_TOOL_CHOOSE, NOT_A_TOOL, kept));
    // ffmpeg is checked the same way, by its own first line.
    ASSERT_NO_FATAL_FAILURE(ExpectRefused(dir,
                                          {{"notes.exe", "it is not a Windows program"},
                                           // a download tool knows no -version
                                           {"Werkzeug \xe9t\xe9.exe", "-version failed (exit code 2)"}},
                                          IDM_FFMPEG_CHOOSE, "This file is not ffmpeg: ", local + "\\ffmpeg.exe"));
    ASSERT_NO_FATAL_FAILURE(Choose(dir + "Werkzeug \xe9t\xe9.exe"));
    EXPECT_EQ("Download tool: 2024.05.06 (chosen)", AnswerBox("Vidmora"));
    EXPECT_EQ("2024.05.06\nchosen\n", KeptVersionFile());
    EXPECT_EQ("2024.05.06", VersionOfNextProbe());

    ASSERT_TRUE(Menu(IDM_TOOL_BUILT_IN));
    EXPECT_EQ("Remove the kept download tool and use the built-in one again?", AnswerBox("Vidmora", IDYES));
    EXPECT_FALSE(FileExists(kept.c_str()));
    EXPECT_EQ("", KeptVersionFile());
    EXPECT_EQ(STANDIN_DEFAULT_VERSION, VersionOfNextProbe());
}

// A tool of before 2014 knows none of the options that tell a run where everything is. Its
// --help, read when it is chosen, says so: its probe and download go as they always did,
// with no run refused on the way.
TEST_F(ToolKeepingTest, ToolThatKnowsNoneOfTheNewOptionsRunsAsBeforeWithNoRefusedRun)
{
    const std::string old = std::string(run.tempDir) + "\\youtube-dl-2013.exe";
    ASSERT_NO_FATAL_FAILURE(MakeStandinCopy(old, "2013.11.15"));
    WriteOldPageRecord();
    ASSERT_TRUE(Start()) << DriverError();
    ASSERT_NO_FATAL_FAILURE(Choose(old));
    EXPECT_EQ("Download tool: 2013.11.15 (chosen)", AnswerBox("Vidmora"));
    ASSERT_TRUE(WaitUntil([&] { return ProbeIdle(); })) << OpenBoxes();
    const std::vector<ArgList> keeping = {{"--version"}, {"--help"}};
    ASSERT_EQ(keeping, AllRuns());

    const std::string address = "http://standin.test/watch?v=o13&title=Then&formats=22&size=3000&delay=0";
    ASSERT_NO_FATAL_FAILURE(PasteAndWaitForDestination(address, Temp("Then.mp4")));
    ASSERT_TRUE(WaitUntil([&] { return ProbeIdle(); })) << OpenBoxes();
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    ASSERT_TRUE(WaitControlText(&run, IDC_STATUS, DONE_STATUS)) << DriverError() << OpenBoxes();
    std::vector<ArgList> runs = AllRuns();
    ASSERT_EQ(5u, runs.size()) << "a run was refused";
    const ArgList title = {"--get-filename", "-o", "%(title)s.%(ext)s", "--", address};
    const ArgList formats = {"--list-formats", "--", address};
    EXPECT_TRUE((runs[2] == title && runs[3] == formats) || (runs[2] == formats && runs[3] == title))
        << JoinArgs(runs[2]) << " " << JoinArgs(runs[3]);
    EXPECT_EQ(JoinArgs({"-o", Temp("Then.mp4"), "--format", "22", "--console-title", "--", address}),
              JoinArgs(runs[4]));
    // A list's address is read as the list by such a tool, as it always was: the window
    // still fills, with the list's first entry.
    ASSERT_TRUE(WaitUntil([&] { return ProbeIdle(); })) << OpenBoxes();
    ASSERT_NO_FATAL_FAILURE(PasteAndWaitForDestination(address + "&list=PLy&entries=3", Temp("Stand-in video PLy-1.mp4")));
}

// Runs `program` with `arguments` in `directory`, with `variables` added to this process's
// environment for it; its exit code, or -1 when it did not end within the wait.
static long RunBesideTheProgram(const std::string &program, const std::string &arguments, const std::string &directory,
                                const std::vector<EnvVar> &variables)
{
    for (const EnvVar &v : variables)
        SetEnvironmentVariableA(v.name, v.value);
    std::string line = "\"" + program + "\" " + arguments;
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    BOOL started = CreateProcessA(program.c_str(), &line[0], NULL, NULL, FALSE, CREATE_NO_WINDOW, NULL,
                                  directory.c_str(), &startup, &process);
    for (const EnvVar &v : variables)
        SetEnvironmentVariableA(v.name, NULL);
    if (!started)
        return -1;
    DWORD code = (DWORD)-1;
    if (WaitForSingleObject(process.hProcess, E2E_WAIT_MS) != WAIT_OBJECT_0 || !GetExitCodeProcess(process.hProcess, &code))
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return (long)code;
}

// A configuration whose --exec would write a file, an ffmpeg.exe and a deno.exe, in the
// temporary folder, in the program's current directory and in the person's own yt-dlp
// folder, are found by a tool that runs from there: and by none of the program's runs.
TEST_F(ToolKeepingTest, NothingOfTheTemporaryFolderOrTheCurrentDirectoryIsReadOrRun)
{
    const std::string temp = run.tempDir, cwd = temp + "\\cwd", appData = temp + "\\appdata";
    const std::string marker = temp + "\\exec-ran.txt", log = temp + "\\helpers.txt";
    const std::string exec = "--exec \"echo planted > " + marker + "\"\r\n";
    for (const std::string &folder : {cwd, appData, appData + "\\yt-dlp"})
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), NULL)) << folder;
    for (const std::string &conf : {temp + "\\yt-dlp.conf", cwd + "\\yt-dlp.conf", appData + "\\yt-dlp\\config"})
        ASSERT_TRUE(WriteWholeFile(conf.c_str(), exec.data(), exec.size())) << conf;
    for (const std::string &folder : {temp, cwd})
        for (const char *helper : {"\\ffmpeg.exe", "\\deno.exe"})
            ASSERT_NO_FATAL_FAILURE(MakeStandinCopy(folder + helper, STANDIN_DEFAULT_VERSION));
    const std::string address =
        "http://standin.test/watch?v=near&title=Near&formats=22&size=3000&delay=0&style=yt-dlp";
    const std::vector<EnvVar> variables = {{"STANDIN_HELPER_LOG", log.c_str()}, {"APPDATA", appData.c_str()}};

    // A tool started from the temporary folder in that directory finds every one of them.
    const std::string loose = temp + "\\loose.exe";
    ASSERT_NO_FATAL_FAILURE(MakeStandinCopy(loose, STANDIN_DEFAULT_VERSION));
    ASSERT_EQ(0, RunBesideTheProgram(loose, "-o x.mp4 -- \"" + address + "\"", cwd, variables));
    std::string found;
    ASSERT_TRUE(ReadWholeFile(log.c_str(), &found)) << DriverError();
    for (const std::string &line : {"config " + temp + "\\yt-dlp.conf", "config " + cwd + "\\yt-dlp.conf",
                                    "config " + appData + "\\yt-dlp\\config", "run " + temp + "\\ffmpeg.exe -version",
                                    "run " + temp + "\\deno.exe --version"})
        EXPECT_NE(std::string::npos, found.find(line + "\n")) << line << " not in:\n" << found;
    EXPECT_TRUE(FileExists(marker.c_str())) << "the planted --exec did not run";
    ASSERT_TRUE(DeleteFileA(marker.c_str()) && DeleteFileA(log.c_str()));

    // The program's probe and download, started in that same directory.
    WriteOldPageRecord();
    lstrcpynA(run.workDir, cwd.c_str(), sizeof run.workDir);
    ASSERT_TRUE(Start(NULL, variables)) << DriverError();
    ASSERT_NO_FATAL_FAILURE(PasteAndWaitForDestination(address, Temp("Near.mp4")));
    ASSERT_TRUE(WaitUntil([&] { return ProbeIdle(); })) << OpenBoxes();
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    ASSERT_TRUE(WaitControlText(&run, IDC_STATUS, DONE_STATUS)) << DriverError() << OpenBoxes();
    EXPECT_EQ(3000, FileSize(Temp("Near.mp4").c_str()));
    // The probe's two runs, the tool's --help beside them (a tool never seen before), the download.
    EXPECT_EQ(4u, AllRuns().size()) << "the tool ran, with the same environment";
    ReadWholeFile(log.c_str(), &found);
    EXPECT_FALSE(FileExists(log.c_str())) << "a run read or started:\n" << found;
    EXPECT_FALSE(FileExists(marker.c_str())) << "a planted --exec ran";
}

// Reading the built-in tool's version, which the first opening of the window menu starts,
// is a keeping run like any other: an Update clicked meanwhile waits for nothing, starts
// nothing, and leaves no copy and no handle behind.
TEST_F(ToolKeepingTest, UpdateDuringTheVersionReadStartsNoSecondRun)
{
    ASSERT_TRUE(Start()) << DriverError();
    DWORD handlesBefore = 0, handlesAfter = 0;
    ASSERT_TRUE(GetProcessHandleCount(run.pi.hProcess, &handlesBefore));
    // The window menu opening, as the system tells it (another process cannot have the menu's
    // handle), and the update right behind it, while the version run has only just started.
    ASSERT_TRUE(PostMessageA(run.window, WM_INITMENUPOPUP, 0, MAKELPARAM(0, TRUE)));
    ASSERT_TRUE(Menu(IDM_TOOL_UPDATE));
    ASSERT_TRUE(WaitUntil([&] { return AllRuns().size() >= 1 && ProbeIdle() && !FileExists(Copy(VERSION_TOOL_NAME).c_str()); }))
        << OpenBoxes();
    EXPECT_EQ(0, CountDialogs(&run)) << OpenBoxes();
    EXPECT_EQ(std::vector<ArgList>({{"--version"}}), AllRuns()) << "a second keeping run started";
    EXPECT_FALSE(FileExists(kept.c_str())) << "the update wrote a tool";
    EXPECT_EQ(1, JobProcessCount(&run));
    ASSERT_TRUE(GetProcessHandleCount(run.pi.hProcess, &handlesAfter));
    EXPECT_LE(handlesAfter, handlesBefore + 2) << "handles of a run are left open";
}

// Stop is a Stop whatever the tool does meanwhile: the window menu reads the built-in tool's
// version beside a download.
TEST_F(ToolKeepingTest, StopDuringTheVersionReadStopsTheDownload)
{
    const char page[] = "http://standin.test/watch?v=slow&style=yt-dlp&formats=22&size=300000&step=3000&delay=200";
    WriteRecord(BuildRecord(page, Temp("slow.mp4").c_str(), 0, {{22, "mp4", 720, 1280}}, 1));
    ASSERT_TRUE(Start(NULL, {{"STANDIN_VERSION_DELAY_MS", "20000"}})) << DriverError();
    ASSERT_TRUE(WaitUntil([&] { return IsControlEnabled(&run, IDC_START); })) << OpenBoxes();
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    ASSERT_TRUE(WaitUntil([&] { return FileSize((Temp("slow.mp4") + ".part").c_str()) > 0; })) << OpenBoxes();
    ASSERT_TRUE(PostMessageA(run.window, WM_INITMENUPOPUP, 0, MAKELPARAM(0, TRUE)));
    ASSERT_TRUE(WaitUntil([&] { return FileExists(Copy(VERSION_TOOL_NAME).c_str()); })) << "no version read";
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    EXPECT_EQ("Do you want to stop downloading right now?", AnswerBox("Vidmora", IDYES));
    EXPECT_TRUE(WaitUntil([&] { return Text(IDC_START) == "Start Download"; })) << Text(IDC_START);
    EXPECT_FALSE(FileExists((Temp("slow.mp4") + ".part").c_str()));
}

// A build that carries a JavaScript runtime writes it before a run names it; "Use no
// JavaScript runtime" holds for every later page, also after a restart.
TEST_F(ToolKeepingTest, NoRuntimeIsKeptInABuildThatCarriesOne)
{
    char dir[MAX_PATH], exe[MAX_PATH];
    ASSERT_TRUE(DriverDir(dir, sizeof dir) && JoinPath(exe, sizeof exe, dir, "vidmora_runtime.exe")) << DriverError();
    SetEnvironmentVariableA("VIDMORA_EXE", exe);
    const std::string runtime = local + "\\js-runtime.exe";
    WriteOldPageRecord();
    for (int paste = 0; paste < 3; paste++) {
        SCOPED_TRACE(paste);
        if (paste != 1) {
            ASSERT_TRUE(Start()) << DriverError();
        }
        const std::string title = "Runtime" + std::to_string(paste);
        ASSERT_NO_FATAL_FAILURE(PasteAndWaitForDestination(
            "http://standin.test/watch?v=rt&style=yt-dlp&formats=22&title=" + title, Temp((title + ".mp4").c_str())));
        ASSERT_TRUE(WaitUntil([&] { return IsControlEnabled(&run, IDC_PASTE); })) << OpenBoxes();
        // The carried "runtime" is a stand-in too, and logs its --version: the format run is the probe's.
        ArgList last;
        for (const ArgList &args : AllRuns())
            if (!args.empty() && args[0] == "--list-formats")
                last = args;
        EXPECT_EQ(paste == 0, FileExists(runtime.c_str()));
        EXPECT_EQ(paste == 0, std::find(last.begin(), last.end(), "node:" + runtime) != last.end()) << JoinArgs(last);
        if (paste == 0) {
            ASSERT_TRUE(Menu(IDM_RUNTIME_NONE));
            EXPECT_EQ("Remove the kept JavaScript runtime? Some formats of YouTube pages may then be missing.",
                      AnswerBox("Vidmora", IDYES));
            EXPECT_FALSE(FileExists(runtime.c_str()));
        } else if (paste == 1) {
            ASSERT_TRUE(CloseApp(&run)) << DriverError();
            ASSERT_TRUE(WaitExit(&run, E2E_WAIT_MS, NULL)) << DriverError();
        }
    }
    SetEnvironmentVariableA("VIDMORA_EXE", NULL);
}

// YouTube's bot check told with what to do; Firefox, once it keeps cookies here, signs in, and
// every run is given its store.
TEST_F(ToolKeepingTest, BotCheckIsToldWhatToDoAndFirefoxSignsIn)
{
    const std::string appData = Temp("appdata"), profile = appData + "\\Mozilla\\Firefox\\Profiles\\x1.default";
    ASSERT_TRUE(CreateDirectoryA(appData.c_str(), NULL));
    const std::string page = "http://standin.test/watch?v=bot&style=yt-dlp&formats=22&title=Bot&botcheck=1";
    WriteOldPageRecord();
    ASSERT_TRUE(Start(NULL, {{"APPDATA", appData.c_str()}})) << DriverError();
    ASSERT_TRUE(SetClipboardText(page.c_str())) << DriverError();
    ASSERT_TRUE(PostClick(&run, IDC_PASTE)) << DriverError();
    std::string told = AnswerBox("Alert");
    EXPECT_NE(std::string::npos, told.find("ERROR: [youtube] bot: Sign in to confirm you")) << told;
    // The tool's line is cut to 300 bytes; the advice is whole.
    const std::string advice = "The site asks who you are: sign in from the window menu (Alt+Space), with Firefox's "
                               "cookies or a cookies file.";
    EXPECT_EQ(told.size() - advice.size(), told.rfind(advice)) << told;
    ASSERT_TRUE(WaitUntil([&] { return ProbeIdle(); })) << OpenBoxes();

    ASSERT_TRUE(Menu(IDM_SIGNIN_FIREFOX));
    EXPECT_EQ(0u, AnswerBox("Alert").find("Firefox's cookies were not found")) << "nothing changes";
    for (std::string folder : {appData + "\\Mozilla", appData + "\\Mozilla\\Firefox",
                               appData + "\\Mozilla\\Firefox\\Profiles", profile})
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), NULL)) << folder;
    ASSERT_TRUE(WriteWholeFile((profile + "\\cookies.sqlite").c_str(), "SQLite format 3", 15));
    ASSERT_TRUE(Menu(IDM_SIGNIN_FIREFOX));
    EXPECT_EQ("Signed in: Firefox", AnswerBox("Vidmora"));
    ASSERT_NO_FATAL_FAILURE(PasteAndWaitForDestination(page, Temp("Bot.mp4")));
    ASSERT_TRUE(WaitUntil([&] { return ProbeIdle(); })) << OpenBoxes();
    std::vector<ArgList> runs = Runs();
    ASSERT_GE(runs.size(), 2u);
    const ArgList firefox = {"--cookies-from-browser", "firefox", "--", page};
    EXPECT_TRUE(std::search(runs.back().begin(), runs.back().end(), firefox.begin(), firefox.end()) !=
                runs.back().end())
        << JoinArgs(runs.back());
    EXPECT_EQ(0, CountDialogs(&run)) << OpenBoxes();
}

// A cookies file is checked before it is kept: what yt-dlp would refuse or skip is refused and
// changes nothing; a byte-order mark is dropped from the copy; a name in any script is fine.
TEST_F(ToolKeepingTest, CookiesFilesAreCheckedBeforeTheyAreKept)
{
    const std::string header = "# Netscape HTTP Cookie File\n", cookie = ".example.com\tTRUE\t/\tFALSE\t0\tid\tv\n";
    const std::string keptPath = local + "\\cookies.txt";
    const struct {
        const char *name;
        std::string bytes;
        const char *told;
    } files[] = {
        {"empty.txt", "", "Alert: This file cannot sign you in: it is empty. Nothing was changed."},
        {"notes.txt", "my notes\r\n", "Alert: This file cannot sign you in: its first line is not \"# Netscape HTTP "
                                       "Cookie File\". Nothing was changed."},
        {"cookies.json", "[{\"name\": \"id\"}]", "Alert: This file cannot sign you in: it is JSON; export the cookies "
                                                 "as a Netscape cookies.txt file. Nothing was changed."},
        {"huge.txt", header + std::string(50 * 1024 * 1024, '#'),
         "Alert: This file cannot sign you in: it is larger than 10 MB. Nothing was changed."},
        {"with bom.txt", "\xEF\xBB\xBF" + header + cookie, "Vidmora: Signed in: cookies file (1 cookie)"},
        {"long line.txt", header + std::string(10000, 'x') + "\n",
         "Alert: This file cannot sign you in: line 2 is not a cookie: it has 1 fields, not 7. Nothing was changed."},
        {"\xE6\x97\xA5\xE6\x9C\xAC.txt", header + cookie + cookie, "Vidmora: Signed in: cookies file (2 cookies)"},
    };
    ASSERT_TRUE(Start()) << DriverError();
    std::string keptBefore;
    for (const auto &file : files) {
        SCOPED_TRACE(file.name);
        const std::string path = std::string(run.tempDir) + "\\" + file.name;
        wchar_t wide[MAX_PATH];
        MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide, MAX_PATH);
        HANDLE out = CreateFileW(wide, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        DWORD written = 0;
        ASSERT_TRUE(out != INVALID_HANDLE_VALUE && WriteFile(out, file.bytes.data(), (DWORD)file.bytes.size(), &written, NULL));
        CloseHandle(out);
        EXPECT_EQ(file.told, ChooseCookiesFile(path));
        std::string kept;
        ReadWholeFile(keptPath.c_str(), &kept);
        if (file.told[0] == 'A') {
            EXPECT_EQ(keptBefore, kept) << "a refused file changed the kept copy";
        } else {
            EXPECT_EQ(file.bytes.substr(file.bytes[0] == '\xEF' ? 3 : 0), kept) << "the copy is the file, less its mark";
        }
        keptBefore = kept;
    }
}

// A runtime is checked as the tool and ffmpeg are, by its own answer to --version, and kept
// only when it is node 22 or later (or deno 2.3 or later); "Use no JavaScript runtime" drops it.
TEST_F(ToolKeepingTest, ChosenRuntimeIsCheckedAndKeptOrRefused)
{
    const std::string dir = std::string(run.tempDir) + "\\runtimes\\", runtime = local + "\\js-runtime.exe";
    ASSERT_NO_FATAL_FAILURE(
        MakeChoices(dir, {{"node20.exe", "v20.20.2"}, {"hangs.exe", "HANG"}, {"Laufzeit \xe9t\xe9.exe", "v22.23.2"}}));
    ASSERT_TRUE(Start()) << DriverError();
    ASSERT_NO_FATAL_FAILURE(ExpectRefused(dir,
                                          {{"empty.exe", "it is empty"},
                                           {"notes.exe", "it is not a Windows program"},
                                           {"node20.exe", "node 20.20.2 is too old: node 22 or deno 2.3 or later is needed"},
                                           {"hangs.exe", "it did not answer --version within 20 seconds"}},
                                          IDM_RUNTIME_CHOOSE, "This file is not node 22 or later, nor deno 2.3 or later: ",
                                          runtime));
    ASSERT_NO_FATAL_FAILURE(Choose(dir + "Laufzeit \xe9t\xe9.exe", IDM_RUNTIME_CHOOSE));
    EXPECT_EQ("JavaScript: node 22.23.2 (chosen)", AnswerBox("Vidmora"));
    std::string version;
    EXPECT_TRUE(ReadWholeFile((local + "\\js-runtime-version.txt").c_str(), &version));
    EXPECT_EQ("node 22.23.2\nchosen\n", version);
    ASSERT_TRUE(WaitUntil([&] { return ProbeIdle(); })) << OpenBoxes();
    ASSERT_TRUE(Menu(IDM_RUNTIME_NONE));
    EXPECT_EQ("Remove the kept JavaScript runtime? Some formats of YouTube pages may then be missing.",
              AnswerBox("Vidmora", IDYES));
    EXPECT_FALSE(FileExists(runtime.c_str()));
}

// A page of today's YouTube: without a runtime the tool offers the formats with picture and
// sound only, and the status line says why; with the real node.exe chosen, node answers the
// page's challenge and every format is offered, the runtime named on the command line.
TEST_F(ToolKeepingTest, ChosenNodeSolvesThePagesChallengeAndEveryFormatIsOffered)
{
    const std::string page = "http://standin.test/watch?v=ejs&title=Ejs&formats=137,18,140&size=3000&delay=0&style=yt-dlp";
    const std::string log = Temp("helpers.txt"), runtime = local + "\\js-runtime.exe";
    auto offered = [&] {
        std::string record;
        return ReadTempFile(&run, RECORD_NAME, &record) && record.size() == RECORD_SIZE
                   ? GetInt32(record, REC_FORMAT_COUNT) : -1;
    };
    WriteOldPageRecord();
    ASSERT_TRUE(Start(NULL, {{"STANDIN_HELPER_LOG", log.c_str()}})) << DriverError();
    ASSERT_NO_FATAL_FAILURE(PasteAndWaitForDestination(page, Temp("Ejs.mp4")));
    ASSERT_TRUE(WaitUntil([&] { return ProbeIdle(); })) << OpenBoxes();
    EXPECT_EQ(1, offered()) << "only 18 has picture and sound";
    EXPECT_EQ("Some formats missing: Choose a JavaScript runtime", Text(IDC_STATUS));

    ASSERT_NO_FATAL_FAILURE(Choose(WindowsPath(VIDMORA_TEST_NODE), IDM_RUNTIME_CHOOSE));
    EXPECT_EQ("JavaScript: node 22.23.2 (chosen)", AnswerBox("Vidmora"));
    ASSERT_TRUE(WaitUntil([&] { return ProbeIdle(); })) << OpenBoxes();
    size_t before = AllRuns().size();
    ASSERT_TRUE(WriteTempFile(&run, "helpers.txt", "")) << DriverError();
    ASSERT_TRUE(SetClipboardText(page.c_str())) << DriverError();
    ASSERT_TRUE(PostClick(&run, IDC_PASTE)) << DriverError();
    ASSERT_TRUE(WaitUntil([&] { return !IsControlEnabled(&run, IDC_PASTE); })) << "the probe did not start";
    // The inputs come back just before the record is saved: the record is waited for.
    EXPECT_TRUE(WaitUntil([&] { return ProbeIdle() && offered() == 3; })) << offered() << " " << Text(IDC_STATUS);
    EXPECT_EQ("", Text(IDC_STATUS));
    std::string helpers;
    ASSERT_TRUE(ReadWholeFile(log.c_str(), &helpers));
    EXPECT_NE(std::string::npos, helpers.find("run " + runtime + " --experimental-permission --no-warnings=ExperimentalWarning -\n"))
        << helpers;
    std::vector<ArgList> runs = AllRuns();
    ASSERT_EQ(before + 2, runs.size());
    const ArgList title = Joined({"--get-filename", "-o", "%(title)s.%(ext)s"}, SurroundingArgs(&run, "node:" + runtime),
                                 {"--", page});
    EXPECT_TRUE(runs[before] == title || runs[before + 1] == title)
        << JoinArgs(runs[before]) << "\n" << JoinArgs(runs[before + 1]);
}

// youtube-dl 2021.12.17 and yt-dlp 2023.03.04 know none of the newest options (no plugin
// folders, no runtimes): chosen, they probe and download with what they know.
TEST_F(ToolKeepingTest, ToolsOfBeforeTheRuntimesProbeAndDownload)
{
    // Signed in with Firefox: yt-dlp reads its store, youtube-dl cannot, and says so once.
    const std::string appData = Temp("appdata"), profile = appData + "\\Mozilla\\Firefox\\Profiles\\p.default";
    for (std::string folder : {appData, appData + "\\Mozilla", appData + "\\Mozilla\\Firefox",
                               appData + "\\Mozilla\\Firefox\\Profiles", profile})
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), NULL)) << folder;
    ASSERT_TRUE(WriteWholeFile((profile + "\\cookies.sqlite").c_str(), "SQLite format 3", 15));
    WriteOldPageRecord();
    ASSERT_TRUE(Start(NULL, {{"APPDATA", appData.c_str()}})) << DriverError();
    ASSERT_TRUE(Menu(IDM_SIGNIN_FIREFOX));
    EXPECT_EQ("Signed in: Firefox", AnswerBox("Vidmora"));
    for (const char *version : {"2021.12.17", "2023.03.04"}) {
        SCOPED_TRACE(version);
        const std::string tool = std::string(run.tempDir) + "\\tool-" + version + ".exe";
        ASSERT_NO_FATAL_FAILURE(MakeStandinCopy(tool, version));
        ASSERT_NO_FATAL_FAILURE(Choose(tool));
        EXPECT_EQ(std::string("Download tool: ") + version + " (chosen)", AnswerBox("Vidmora"));
        ASSERT_TRUE(WaitUntil([&] { return ProbeIdle(); })) << OpenBoxes();
        const std::string page = std::string("http://standin.test/watch?v=old") + version +
                                 "&title=Old " + version + "&formats=22&size=3000&delay=0&style=yt-dlp";
        const std::string file = Temp((std::string("Old ") + version + ".mp4").c_str());
        ASSERT_NO_FATAL_FAILURE(PasteAndWaitForDestination(page, file));
        bool youtubeDl = strcmp(version, "2021.12.17") == 0;
        if (youtubeDl) {
            EXPECT_EQ(0u, AnswerBox("Alert").find("This download tool cannot read Firefox's cookies"));
        }
        ASSERT_TRUE(WaitUntil([&] { return ProbeIdle(); })) << OpenBoxes();
        size_t before = AllRuns().size();
        ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
        ASSERT_TRUE(WaitControlText(&run, IDC_STATUS, DONE_STATUS)) << DriverError() << OpenBoxes();
        EXPECT_EQ(3000, FileSize(file.c_str()));
        std::vector<ArgList> runs = AllRuns();
        ASSERT_EQ(before + 1, runs.size()) << "a run was refused";
        ArgList expected = {"-o", file, "--format", "22", "--encoding", "utf-8", "--ignore-config",
                            "--ffmpeg-location", local + "\\ffmpeg.exe", "--no-playlist", "--playlist-items", "1",
                            "--console-title", "--", page};
        if (!youtubeDl)
            expected.insert(expected.end() - 3, {"--cookies-from-browser", "firefox"});
        EXPECT_EQ(JoinArgs(expected), JoinArgs(runs.back()));
    }
}

// A failing page is told with the tool's own line, picked from its errors after its warnings.
TEST_F(ToolKeepingTest, FailingProbeCarriesTheToolsWords)
{
    ASSERT_TRUE(Start()) << DriverError();
    ASSERT_TRUE(SetClipboardText("http://standin.test/watch?v=gone&style=yt-dlp&fail=1")) << DriverError();
    ASSERT_TRUE(PostClick(&run, IDC_PASTE)) << DriverError();
    EXPECT_EQ("The download tool could not read this page (exit code 1).\n\nERROR: [youtube] gone: Video "
              "unavailable\n\nIf this page worked before, the site may have changed: update the download tool "
              "from the window menu.",
              AnswerBox("Alert"));
    EXPECT_EQ(NULL, FindDialog(&run, NULL, 1000)) << "the failure is told once";
}

}  // namespace
