// End-to-end tests of Paste URL, the command-line address, the probe and its quoting, and Save File,
// ending with the whole story from a command-line address to a complete file.
#include "tests/e2e/addresssteps.h"
#include "tests/e2e/downloadsteps.h"

#include <shlobj.h>

namespace {

TEST_F(AddressTest, PasteProbesTheStrippedClipboardAddress)
{
    ASSERT_TRUE(Start()) << DriverError();
    std::string previous = Text(IDC_DEST_EDIT);
    std::string directory = DirectoryOf(previous);
    ASSERT_FALSE(directory.empty()) << "default destination has no directory: " << previous;

    const std::string address = "http://standin.test/watch?v=paste1&title=Clip: part 1/2? <yes>&formats=45,22,5";
    // '?' removed, ':' -> " -", '/' '<' '>' -> '_'; the first format (45) gives the extension.
    const std::string destination = directory + "Clip - part 1_2 _yes_.webm";
    ASSERT_NO_FATAL_FAILURE(PasteAndWaitForDestination(" \r\n  " + address + "  \r\n\r\n", destination));

    EXPECT_EQ(address, Text(IDC_URL_EDIT));
    EXPECT_EQ(Description(45), Text(IDC_FORMAT_INFO));
    std::vector<ArgList> runs = Runs();
    EXPECT_EQ(2u, runs.size());
    ExpectProbeRuns(runs, 0, address);
    ExpectProbeCopyGone();

    // The probe's output stays in the temp dir.
    std::string titleOut;
    std::string formatOut;
    EXPECT_TRUE(ReadTempFile(&run, TITLE_OUT_NAME, &titleOut)) << DriverError();
    EXPECT_EQ(0u, titleOut.find("Clip - part 1_2 _yes_.webm")) << titleOut;
    EXPECT_TRUE(ReadTempFile(&run, FORMAT_OUT_NAME, &formatOut)) << DriverError();
    EXPECT_NE(std::string::npos, formatOut.find("45\t:\twebm\t[720x1280]")) << formatOut;
    EXPECT_NE(std::string::npos, formatOut.find("5\t:\tflv\t[240x400]")) << formatOut;

    Record record;
    ASSERT_NO_FATAL_FAILURE(CloseAndReadRecord(&record));
    EXPECT_EQ(address, record.address);
    EXPECT_EQ(destination, record.destination);
    ExpectFormats(record, {{45, "webm", 720, 1280}, {22, "mp4", 720, 1280}, {5, "flv", 240, 400}});
    EXPECT_EQ(1, record.selectedFormat);
}

TEST_F(AddressTest, PasteReplacesAnEarlierPageAndResetsTheSelection)
{
    ASSERT_TRUE(Start()) << DriverError();
    std::string directory = DirectoryOf(Text(IDC_DEST_EDIT));
    const std::string first = "http://standin.test/watch?v=one&title=First&formats=22,18,43";
    ASSERT_NO_FATAL_FAILURE(PasteAndWaitForDestination(first, directory + "First.mp4"));

    // Choose the third format so the next paste has a selection to reset.
    HWND dialog = NULL;
    ASSERT_NO_FATAL_FAILURE(OpenSaveDialog(&dialog));
    const std::string chosen = Temp("picked");
    ASSERT_NO_FATAL_FAILURE(ChooseInSaveDialog(dialog, 2, chosen, ".webm"));

    // The new name goes into the directory of the destination chosen just before.
    const std::string second = "http://standin.test/watch?v=two&title=Second&formats=17,35";
    ASSERT_NO_FATAL_FAILURE(PasteAndWaitForDestination(second, Temp("Second.3gp")));
    EXPECT_EQ(second, Text(IDC_URL_EDIT));
    EXPECT_EQ(Description(17), Text(IDC_FORMAT_INFO));
    std::vector<ArgList> runs = Runs();
    EXPECT_EQ(4u, runs.size());
    ExpectProbeRuns(runs, 0, first);
    ExpectProbeRuns(runs, 2, second);

    Record record;
    ASSERT_NO_FATAL_FAILURE(CloseAndReadRecord(&record));
    ExpectFormats(record, {{17, "3gp", 144, 176}, {35, "flv", 480, 854}});
    EXPECT_EQ(1, record.selectedFormat);
}

// A watch address copied while a list plays names the video of v=: the tools read the whole
// list unless told --no-playlist, and would name and fetch the list's first entry.
TEST_F(AddressTest, WatchAddressFromAListGivesTheVideoItNames)
{
    WriteOldPageRecord();
    ASSERT_TRUE(Start()) << DriverError();
    const std::string address =
        "http://standin.test/watch?v=meant&list=PLx&entries=6&title=Meant&style=yt-dlp&formats=22&size=3000&delay=0";
    ASSERT_NO_FATAL_FAILURE(PasteAndWaitForDestination(address, Temp("Meant.mp4")));
    ASSERT_TRUE(WaitUntil([&] { return IsControlEnabled(&run, IDC_START); })) << OpenBoxes();
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    ASSERT_TRUE(WaitControlText(&run, IDC_STATUS, DONE_STATUS)) << DriverError() << OpenBoxes();
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(Temp("Meant.mp4").c_str(), &bytes)) << DriverError();
    ASSERT_EQ(3000u, bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i)
        ASSERT_EQ(StandinByte("meant", i), (unsigned char)bytes[i]) << "byte " << i;
    std::vector<ArgList> runs = Runs();
    ASSERT_EQ(3u, runs.size());
    ExpectProbeRuns(runs, 0, address);
    EXPECT_NE(runs[2].end(), std::find(runs[2].begin(), runs[2].end(), "--no-playlist")) << JoinArgs(runs[2]);
}

// A program installed where it may not write (Program Files) proposes its first destination in
// the person's Downloads folder. As root every folder can be written, so the program's copy
// lies in a folder made immutable for the test.
TEST_F(AddressTest, FirstDestinationIsInDownloadsWhereTheProgramsFolderCannotBeWritten)
{
    char dir[MAX_PATH], own[MAX_PATH];
    ASSERT_TRUE(DriverDir(dir, sizeof dir) && JoinPath(own, sizeof own, dir, "vidmora.exe")) << DriverError();
    const std::string folder = "Z:\\tmp\\vidmora-unwritable-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), NULL);
    ASSERT_TRUE(CopyFileA(own, (folder + "\\vidmora.exe").c_str(), FALSE));
    std::string said = RunUnixShell(&run, "chattr +i '" + UnixPath(folder) + "' && echo fixed");
    struct Unfix {
        const AppRun *run;
        std::string folder;
        ~Unfix() { RunUnixShell(run, "chattr -i '" + UnixPath(folder) + "'; rm -rf '" + UnixPath(folder) + "'"); }
    } unfix = {&run, folder};
    if (said.find("fixed") == std::string::npos)
        GTEST_SKIP() << "this file system cannot make a folder unwritable for root: " << said;
    ASSERT_FALSE(WriteWholeFile((folder + "\\probe.txt").c_str(), "x", 1)) << "the folder can still be written";

    wchar_t *downloads = NULL;
    ASSERT_EQ(S_OK, SHGetKnownFolderPath(FOLDERID_Downloads, 0, NULL, &downloads));
    char expected[MAX_PATH];
    WideCharToMultiByte(CP_UTF8, 0, downloads, -1, expected, sizeof expected, NULL, NULL);
    CoTaskMemFree(downloads);
    SetEnvironmentVariableA("VIDMORA_EXE", (folder + "\\vidmora.exe").c_str());
    bool started = Start();
    SetEnvironmentVariableA("VIDMORA_EXE", NULL);
    ASSERT_TRUE(started) << DriverError();
    EXPECT_EQ(std::string(expected) + "\\Vidmora sample.mp4", Text(IDC_DEST_EDIT));
    ASSERT_TRUE(CloseApp(&run)) << DriverError();
    ASSERT_TRUE(WaitExit(&run, E2E_WAIT_MS, NULL)) << DriverError();
}

TEST_F(AddressTest, PasteWithNoTextOnTheClipboardDoesNothing)
{
    ASSERT_TRUE(Start()) << DriverError();
    std::string address = Text(IDC_URL_EDIT);
    std::string destination = Text(IDC_DEST_EDIT);
    std::string info = Text(IDC_FORMAT_INFO);

    ASSERT_TRUE(EmptyClipboardText()) << DriverError();
    char text[16];
    ASSERT_FALSE(GetClipboardText(text, sizeof text)) << "the clipboard still holds text";
    ASSERT_TRUE(PostClick(&run, IDC_PASTE)) << DriverError();
    // Save File is handled after the paste, so its dialog shows the paste is over.
    HWND dialog = NULL;
    ASSERT_NO_FATAL_FAILURE(OpenSaveDialog(&dialog));
    char caption[128];
    ASSERT_TRUE(DialogCaption(dialog, caption, sizeof caption)) << DriverError();
    EXPECT_STRNE("Alert", caption) << "an empty clipboard is not an error";
    EXPECT_EQ(1, CountDialogs(&run));
    ASSERT_NO_FATAL_FAILURE(CloseSaveDialog(dialog, false));

    EXPECT_EQ(address, Text(IDC_URL_EDIT));
    EXPECT_EQ(destination, Text(IDC_DEST_EDIT));
    EXPECT_EQ(info, Text(IDC_FORMAT_INFO));
    EXPECT_FALSE(FileExists(argsPath)) << "the tool ran without an address";
    EXPECT_FALSE(FileExists(Temp(TITLE_OUT_NAME).c_str())) << "a probe ran";
}

TEST_F(AddressTest, PastedAddressWithQuoteOrControlCharacterIsRefused)
{
    ASSERT_TRUE(Start()) << DriverError();
    std::string address = Text(IDC_URL_EDIT);
    std::string destination = Text(IDC_DEST_EDIT);
    std::string info = Text(IDC_FORMAT_INFO);

    const char *refused[] = {"http://standin.test/watch?v=q&title=say \"hi\"",
                             "http://standin.test/watch?v=tab&title=a\tb",
                             "http://standin.test/watch?v=ctl&title=a\x01z",
                             "http://standin.test/watch?v=esc&title=a\x1b[31mz"};
    for (const char *text : refused) {
        SCOPED_TRACE(text);
        ASSERT_TRUE(SetClipboardText(text)) << DriverError();
        ASSERT_TRUE(PostClick(&run, IDC_PASTE)) << DriverError();
        ASSERT_NO_FATAL_FAILURE(ExpectRefusedWithAlert(address, destination, info));
    }
}

// An address is never an option: Paste and the command line refuse one that begins with '-'.
TEST_F(AddressTest, OptionLikeAddressIsRefused)
{
    ASSERT_TRUE(Start()) << DriverError();
    std::string address = Text(IDC_URL_EDIT);
    std::string destination = Text(IDC_DEST_EDIT);
    std::string info = Text(IDC_FORMAT_INFO);
    const char *refused[] = {"--version", "--exec=calc.exe http://standin.test/watch?v=x", "  -U",
                             "--config-locations=C:\\x.conf"};
    for (const char *text : refused) {
        SCOPED_TRACE(text);
        ASSERT_TRUE(SetClipboardText(text)) << DriverError();
        ASSERT_TRUE(PostClick(&run, IDC_PASTE)) << DriverError();
        ASSERT_NO_FATAL_FAILURE(ExpectRefusedWithAlert(address, destination, info));
    }
    Record record;
    ASSERT_NO_FATAL_FAILURE(CloseAndReadRecord(&record));
    ASSERT_TRUE(Start("--exec=calc.exe")) << DriverError();
    ASSERT_NO_FATAL_FAILURE(ExpectRefusedWithAlert(address, destination, info));
}

// ---- the command-line address ----

// A second start over the same files ends at once with exit code 0, and the first window
// probes the address it was given.
TEST_F(AddressTest, SecondStartHandsItsAddressToTheFirstWindow)
{
    ASSERT_TRUE(Start()) << DriverError();
    std::string directory = DirectoryOf(Text(IDC_DEST_EDIT));
    const std::string address = "http://standin.test/watch?v=handed&title=Handed";
    EnvVar env[] = {{ARGS_LOG_VAR, argsPath}};
    EXPECT_EQ(0u, RunSecondStart(&run, ("  \"" + address + "\"").c_str(), env, 1));
    EXPECT_TRUE(WaitControlText(&run, IDC_DEST_EDIT, (directory + "Handed.mp4").c_str())) << DriverError();
    EXPECT_EQ(address, Text(IDC_URL_EDIT));
    ExpectProbeRuns(Runs(), 0, address);
    EXPECT_EQ(0, CountDialogs(&run));
}

TEST_F(AddressTest, CommandLineAddressIsUnquotedAndProbed)
{
    ASSERT_NO_FATAL_FAILURE(WriteRecord(BuildRecord("http://standin.test/watch?v=old", Temp("old name.mp4").c_str(),
                                                    0, {{22, "mp4", 720, 1280}, {18, "mp4", 360, 640}}, 2)));
    const std::string address = "http://standin.test/watch?v=cmd1&formats=43,18&title=Quoted&x=a & b";
    ASSERT_TRUE(Start(("  \"" + address + "\"  ").c_str())) << DriverError();

    // The first answer the window gives must already show the address, the probe under way or done.
    char url[1024] = "";
    ASSERT_TRUE(WaitUntil([&] { return GetControlText(&run, IDC_URL_EDIT, url, sizeof url); })) << DriverError();
    EXPECT_EQ(address, std::string(url));
    EXPECT_TRUE(WaitControlText(&run, IDC_DEST_EDIT, Temp("Quoted.webm").c_str())) << DriverError();
    EXPECT_EQ(Description(43), Text(IDC_FORMAT_INFO));

    std::vector<ArgList> runs = Runs();
    EXPECT_EQ(2u, runs.size());
    ExpectProbeRuns(runs, 0, address);
    ExpectProbeCopyGone();
    EXPECT_EQ(0, CountDialogs(&run));

    Record record;
    ASSERT_NO_FATAL_FAILURE(CloseAndReadRecord(&record));
    EXPECT_EQ(address, record.address);
    ExpectFormats(record, {{43, "webm", 360, 640}, {18, "mp4", 360, 640}});
    EXPECT_EQ(1, record.selectedFormat);
}

TEST_F(AddressTest, CommandLineAddressWithQuoteIsRefused)
{
    const std::string oldAddress = "http://standin.test/watch?v=kept";
    const std::string oldDestination = Temp("kept.mp4");
    ASSERT_NO_FATAL_FAILURE(WriteRecord(BuildRecord(oldAddress.c_str(), oldDestination.c_str(), 0,
                                                    {{22, "mp4", 720, 1280}, {43, "webm", 360, 640}}, 2)));
    ASSERT_TRUE(Start("http://standin.test/watch?v=bad&title=a\"b")) << DriverError();
    ASSERT_NO_FATAL_FAILURE(ExpectRefusedWithAlert(oldAddress, oldDestination, Description(43)));

    Record record;
    ASSERT_NO_FATAL_FAILURE(CloseAndReadRecord(&record));
    EXPECT_EQ(oldAddress, record.address);
    ExpectFormats(record, {{22, "mp4", 720, 1280}, {43, "webm", 360, 640}});
    EXPECT_EQ(2, record.selectedFormat);
}

// Shell characters, blanks and %NAME% text must reach the tool as one argument, and run nothing.
TEST_F(AddressTest, CommandLineAddressWithShellCharactersReachesTheToolUnchanged)
{
    ASSERT_NO_FATAL_FAILURE(WriteOldPageRecord());
    // "%TE" is no escape, so the title keeps %TEMP% as written.
    const std::string address = "http://standin.test/watch?title=Rock (live) ^2 %TEMP% 50%&v=sh1&formats=22"
                                "&junk=a|b<c>d & echo INJECTED>inj.txt & echo INJECTED>inj2.txt";
    ASSERT_TRUE(Start(("\"" + address + "\"").c_str())) << DriverError();
    ASSERT_TRUE(WaitControlText(&run, IDC_DEST_EDIT, Temp("Rock (live) ^2 %TEMP% 50%.mp4").c_str()))
        << DriverError() << OpenBoxes();
    EXPECT_EQ(address, Text(IDC_URL_EDIT));
    ExpectOneQuietProbe(address);
}

// The same through the clipboard, also with a trailing backslash, which quoting must not turn into an escape.
TEST_F(AddressTest, PastedAddressWithShellCharactersReachesTheToolUnchanged)
{
    ASSERT_NO_FATAL_FAILURE(WriteOldPageRecord());
    ASSERT_TRUE(Start()) << DriverError();
    // The title ends at the '&'; the rest of the address is ignored by the page.
    const std::string address = "http://standin.test/watch?v=sh2&formats=43&title=Tom ^& Jerry (%PATH%)"
                                "&x=1 | echo INJECTED>inj.txt &(echo INJECTED>inj2.txt) <nul ^ dir\\";
    ASSERT_NO_FATAL_FAILURE(PasteAndWaitForDestination(address, Temp("Tom ^.webm")));
    EXPECT_EQ(address, Text(IDC_URL_EDIT));
    ExpectOneQuietProbe(address);
}

// A paste right after the previous probe (the command-line one, then each other) must probe again cleanly.
TEST_F(AddressTest, ProbesInQuickSuccessionAllSucceed)
{
    ASSERT_NO_FATAL_FAILURE(WriteOldPageRecord());
    const std::string first = "http://standin.test/watch?v=q0&title=Quick 0&formats=22";
    ASSERT_TRUE(Start(first.c_str())) << DriverError();
    ASSERT_TRUE(WaitControlText(&run, IDC_DEST_EDIT, Temp("Quick 0.mp4").c_str())) << DriverError() << OpenBoxes();

    const char *extensions[] = {"webm", "flv", "3gp", "mp4"};
    const char *codes[] = {"43", "5", "17", "18"};
    for (int i = 0; i < 4; ++i) {
        char address[256];
        char name[64];
        snprintf(address, sizeof address, "http://standin.test/watch?v=q%d&title=Quick %d&formats=%s", i + 1, i + 1,
                 codes[i]);
        snprintf(name, sizeof name, "Quick %d.%s", i + 1, extensions[i]);
        SCOPED_TRACE(address);
        ASSERT_NO_FATAL_FAILURE(PasteAndWaitForDestination(address, Temp(name)));
        EXPECT_EQ(Description(atoi(codes[i])), Text(IDC_FORMAT_INFO));
    }
    EXPECT_EQ(10u, Runs().size());
    EXPECT_EQ(0, CountDialogs(&run));
}

TEST_F(AddressTest, FailingPageLeavesTheDirectoryNoFormatsAndSaysSo)
{
    ASSERT_NO_FATAL_FAILURE(WriteRecord(BuildRecord("http://standin.test/watch?v=old", Temp("old.mp4").c_str(), 0,
                                                    {{22, "mp4", 720, 1280}, {18, "mp4", 360, 640}}, 1)));
    ASSERT_TRUE(Start()) << DriverError();
    ASSERT_EQ(Temp("old.mp4"), Text(IDC_DEST_EDIT));
    const std::string address = "http://standin.test/watch?v=broken&title=Never&fail=1";
    ASSERT_NO_FATAL_FAILURE(PasteAndWaitForDestination(address, std::string(run.tempDir) + "\\"));

    EXPECT_EQ(address, Text(IDC_URL_EDIT));
    std::vector<ArgList> runs = Runs();
    EXPECT_EQ(2u, runs.size());
    ExpectProbeRuns(runs, 0, address);
    EXPECT_EQ(0, FileSize(Temp(TITLE_OUT_NAME).c_str())) << "the failing page printed a title";
    ExpectProbeCopyGone();
    ASSERT_NO_FATAL_FAILURE(AnswerAlert("The download tool could not read this page (exit code 1).\n\n"
                                        "ERROR: broken: This video is unavailable.\n\n"
                                        "If this page worked before, the site may have changed: update the "
                                        "download tool from the window menu."));
    EXPECT_EQ(NULL, FindDialog(&run, NULL, 1000)) << "the failure is told once";

    Record record;
    ASSERT_NO_FATAL_FAILURE(CloseAndReadRecord(&record));
    EXPECT_EQ(0, record.formatCount);
    EXPECT_EQ(address, record.address);
}

// A paused download and a new address, on the command line or from a second start: the new
// page would replace it and leave its parts behind, so the person is asked. No keeps it as it
// was; Yes removes its parts and loads the new page, which then downloads.
TEST_F(AddressTest, PausedDownloadIsDroppedForAHandedAddressOnlyWhenThePersonSaysSo)
{
    const std::string oldAddress = "http://standin.test/watch?v=old&formats=22,18";
    ASSERT_NO_FATAL_FAILURE(WriteRecord(BuildRecord(oldAddress.c_str(), Temp("old.mp4").c_str(), 1,
                                                    {{22, "mp4", 720, 1280}, {18, "mp4", 360, 640}}, 2)));
    ASSERT_TRUE(WriteTempFile(&run, "old.mp4.part", "half")) << DriverError();
    // Unquoted, with blanks inside: the whole command line is the address.
    const std::string address = "http://standin.test/watch?v=fresh&title=Fresh Page&formats=43,5"
                                "&size=40000&step=4000&delay=20";
    const char question[] = "old.mp4 is paused. Drop it (its partial files are removed) and load the new address?";
    ASSERT_TRUE(Start((" " + address + " ").c_str())) << DriverError();
    EXPECT_EQ(question, AnswerBox(&run, "Vidmora", IDNO));
    EXPECT_EQ(oldAddress, Text(IDC_URL_EDIT));
    EXPECT_TRUE(WaitControlText(&run, IDC_START, "Continue")) << DriverError();
    EXPECT_TRUE(FileExists(Temp("old.mp4.part").c_str()));
    EXPECT_TRUE(AllRuns().empty()) << "the new page was read";

    EXPECT_EQ(0u, RunSecondStart(&run, address.c_str()));
    EXPECT_EQ(question, AnswerBox(&run, "Vidmora", IDYES));
    const std::string target = Temp("Fresh Page.webm");
    EXPECT_TRUE(WaitControlText(&run, IDC_DEST_EDIT, target.c_str())) << DriverError();
    EXPECT_FALSE(FileExists(Temp("old.mp4.part").c_str()));
    ASSERT_TRUE(WaitControlText(&run, IDC_START, "Start Download")) << DriverError();
    EXPECT_EQ(Description(43), Text(IDC_FORMAT_INFO));
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    ASSERT_TRUE(WaitControlText(&run, IDC_STATUS, DONE_STATUS)) << DriverError();
    std::vector<ArgList> runs = Runs();
    ASSERT_EQ(3u, runs.size());
    ExpectProbeRuns(runs, 0, address);
    EXPECT_EQ(address, runs[2].back()) << "download run: " << JoinArgs(runs[2]);
    std::string bytes;
    ASSERT_TRUE(WaitUntil([&] { return FileSize(target.c_str()) == 40000; })) << target;
    ASSERT_TRUE(ReadWholeFile(target.c_str(), &bytes)) << DriverError();
    for (size_t i = 0; i < bytes.size(); ++i)
        ASSERT_EQ(StandinByte("fresh", i), (unsigned char)bytes[i]) << "byte " << i << " of " << target;
}

// ---- Save File ----

TEST_F(AddressTest, SaveFileOffersOneFilterPerFormatAndChoosesTheFormat)
{
    ASSERT_TRUE(Start()) << DriverError();
    std::string directory = DirectoryOf(Text(IDC_DEST_EDIT));
    const std::string address = "http://standin.test/watch?v=save1&title=Saved&formats=22,18,43";
    ASSERT_NO_FATAL_FAILURE(PasteAndWaitForDestination(address, directory + "Saved.mp4"));

    HWND dialog = NULL;
    ASSERT_NO_FATAL_FAILURE(OpenSaveDialog(&dialog));
    EXPECT_EQ(run.window, GetWindow(dialog, GW_OWNER)) << "the save dialog must be owned by the main window";
    const std::string expected[] = {FilterText(22, 720, 1280), FilterText(18, 360, 640), FilterText(43, 360, 640)};
    ASSERT_EQ(3, SaveDialogFilterCount(dialog)) << DriverError();
    for (int i = 0; i < 3; ++i) {
        char entry[256];
        ASSERT_TRUE(SaveDialogFilterText(dialog, i, entry, sizeof entry)) << DriverError();
        EXPECT_EQ(expected[i], std::string(entry)) << "filter " << i + 1;
    }
    EXPECT_EQ(0, SaveDialogSelectedFilter(dialog)) << "selection 1 is the first filter";

    const std::string chosen = Temp("my clip");
    ASSERT_NO_FATAL_FAILURE(ChooseInSaveDialog(dialog, 2, chosen, ".webm"));
    EXPECT_TRUE(WaitControlText(&run, IDC_FORMAT_INFO, Description(43).c_str())) << DriverError();

    // Opening it again starts from the format chosen.
    ASSERT_NO_FATAL_FAILURE(OpenSaveDialog(&dialog));
    EXPECT_EQ(2, SaveDialogSelectedFilter(dialog));
    ASSERT_NO_FATAL_FAILURE(CloseSaveDialog(dialog, false));

    Record record;
    ASSERT_NO_FATAL_FAILURE(CloseAndReadRecord(&record));
    EXPECT_EQ(3, record.selectedFormat);
    EXPECT_EQ(chosen + ".webm", record.destination);
    EXPECT_EQ(3, record.formatCount);
}

TEST_F(AddressTest, SaveFileCancelKeepsDestinationAndSelection)
{
    ASSERT_TRUE(Start()) << DriverError();
    std::string directory = DirectoryOf(Text(IDC_DEST_EDIT));
    const std::string address = "http://standin.test/watch?v=save2&title=Kept&formats=18,22,43";
    const std::string destination = directory + "Kept.mp4";
    ASSERT_NO_FATAL_FAILURE(PasteAndWaitForDestination(address, destination));

    HWND dialog = NULL;
    ASSERT_NO_FATAL_FAILURE(OpenSaveDialog(&dialog));
    ASSERT_TRUE(SelectSaveDialogFilter(dialog, 2)) << DriverError();
    ASSERT_TRUE(SetSaveDialogFileName(dialog, Temp("discarded").c_str())) << DriverError();
    ASSERT_NO_FATAL_FAILURE(CloseSaveDialog(dialog, false));

    EXPECT_EQ(destination, Text(IDC_DEST_EDIT));
    EXPECT_EQ(Description(18), Text(IDC_FORMAT_INFO));
    Record record;
    ASSERT_NO_FATAL_FAILURE(CloseAndReadRecord(&record));
    EXPECT_EQ(1, record.selectedFormat);
    EXPECT_EQ(destination, record.destination);
}

// Every offered record gets a filter, a sound-only one and one the catalogue does not know
// included, so filter positions are list positions.
TEST_F(AddressTest, SaveFileOffersEveryFormatIncludingUnknownOnes)
{
    ASSERT_TRUE(Start()) << DriverError();
    std::string directory = DirectoryOf(Text(IDC_DEST_EDIT));
    const std::string address = "http://standin.test/watch?v=save3&title=Gap&formats=22,140,9999,43";
    ASSERT_NO_FATAL_FAILURE(PasteAndWaitForDestination(address, directory + "Gap.mp4"));

    HWND dialog = NULL;
    ASSERT_NO_FATAL_FAILURE(OpenSaveDialog(&dialog));
    // 140 is AAC sound at 128 kbit/s; the stand-in knows no size for 140 and 9999.
    const std::string expected[] = {FilterText(22, 720, 1280), "M4A~AAC(128kbit/s) no picture",
                                    "MP4~Code 9999[0x0]", FilterText(43, 360, 640)};
    ASSERT_EQ(4, SaveDialogFilterCount(dialog)) << DriverError();
    for (int i = 0; i < 4; ++i) {
        char entry[256];
        ASSERT_TRUE(SaveDialogFilterText(dialog, i, entry, sizeof entry)) << DriverError();
        EXPECT_EQ(expected[i], std::string(entry)) << "filter " << i;
    }
    const std::string chosen = Temp("gap clip");
    ASSERT_NO_FATAL_FAILURE(ChooseInSaveDialog(dialog, 3, chosen, ".webm"));
    EXPECT_TRUE(WaitControlText(&run, IDC_FORMAT_INFO, Description(43).c_str())) << DriverError();

    ASSERT_NO_FATAL_FAILURE(OpenSaveDialog(&dialog));
    EXPECT_EQ(3, SaveDialogSelectedFilter(dialog));
    ASSERT_NO_FATAL_FAILURE(CloseSaveDialog(dialog, false));

    Record record;
    ASSERT_NO_FATAL_FAILURE(CloseAndReadRecord(&record));
    EXPECT_EQ(4, record.selectedFormat);
    ExpectFormats(record, {{22, "mp4", 720, 1280}, {140, "m4a", 0, 0}, {9999, "mp4", 0, 0}, {43, "webm", 360, 640}});
}

// ---- the whole story ----

TEST_F(AddressTest, WholeStoryFromCommandLineToCompleteFile)
{
    const std::string address = "http://standin.test/watch?v=story&title=Story&formats=22,18,43"
                                "&size=300000&step=30000&delay=50";
    ASSERT_TRUE(Start(address.c_str())) << DriverError();
    ASSERT_TRUE(WaitControlText(&run, IDC_URL_EDIT, address.c_str())) << DriverError();
    ASSERT_TRUE(WaitControlText(&run, IDC_DEST_EDIT, (ExeDir() + "Story.mp4").c_str())) << DriverError();

    HWND dialog = NULL;
    ASSERT_NO_FATAL_FAILURE(OpenSaveDialog(&dialog));
    char entry[256];
    ASSERT_TRUE(SaveDialogFilterText(dialog, 0, entry, sizeof entry)) << DriverError();
    ASSERT_EQ(FilterText(22, 720, 1280), std::string(entry));
    const std::string target = Temp("story");
    ASSERT_NO_FATAL_FAILURE(ChooseInSaveDialog(dialog, 0, target, ".mp4"));
    const std::string file = target + ".mp4";
    EXPECT_EQ(Description(22), Text(IDC_FORMAT_INFO));

    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    ASSERT_TRUE(WaitControlText(&run, IDC_STATUS, DONE_STATUS)) << DriverError();
    RECT fill;
    ASSERT_TRUE(GetControlRect(&run, IDC_PROGRESS_FILL, &fill)) << DriverError();
    EXPECT_EQ(290, fill.right - fill.left);
    EXPECT_EQ(25, fill.bottom - fill.top);

    ASSERT_TRUE(WaitUntil([&] { return FileSize(file.c_str()) == 300000; }))
        << file << " has " << FileSize(file.c_str()) << " bytes";
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(file.c_str(), &bytes)) << DriverError();
    ASSERT_EQ(300000u, bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i)
        ASSERT_EQ(StandinByte("story", i), (unsigned char)bytes[i]) << "byte " << i;
    EXPECT_FALSE(FileExists((file + ".part").c_str()));
    const std::string toolCopy = Copy(TOOL_COPY_NAME);
    EXPECT_TRUE(WaitUntil([&] { return !FileExists(toolCopy.c_str()); })) << toolCopy << " was left behind";
    EXPECT_FALSE(FileExists(Copy(PROBE_TOOL_NAME).c_str()));
    EXPECT_FALSE(FileExists((ExeDir() + "Story.mp4").c_str())) << "downloaded to the proposed name, not the chosen one";

    std::vector<ArgList> runs = Runs();
    ASSERT_EQ(3u, runs.size());
    ExpectProbeRuns(runs, 0, address);
    ASSERT_FALSE(runs[2].empty());
    EXPECT_EQ(address, runs[2].back()) << "download run: " << JoinArgs(runs[2]);
    EXPECT_EQ(0, CountDialogs(&run));
}

} // namespace

// ---- A whole list ----

// A list's flat read that takes long holds nothing up: the window fills when the title and the
// formats are read, and the list's count joins when it comes.
TEST_F(AddressTest, SlowFlatReadOfAListDoesNotHoldUpTheWindow)
{
    WriteOldPageRecord();
    ASSERT_TRUE(Start()) << DriverError();
    const std::string page = "http://standin.test/watch?v=L-1&list=L&entries=3&style=yt-dlp&formats=22&size=3000"
                             "&flatdelay=12000";
    DWORD pasted = GetTickCount();
    ASSERT_NO_FATAL_FAILURE(PasteAndWaitForDestination(page, Temp("Stand-in video L-1.mp4")));
    ASSERT_TRUE(WaitUntil([&] { return IsControlEnabled(&run, IDC_START) && IsControlEnabled(&run, IDC_SAVE); }))
        << OpenBoxes();
    EXPECT_LT(GetTickCount() - pasted, 8000u) << "the window waited for the flat read";
    EXPECT_EQ(std::string::npos, Text(IDC_FORMAT_INFO).find("In a list")) << Text(IDC_FORMAT_INFO);
    EXPECT_TRUE(WaitUntil([&] { return Text(IDC_FORMAT_INFO).find("\nIn a list of 3 videos") != std::string::npos; }))
        << Text(IDC_FORMAT_INFO);
    EXPECT_EQ(0, CountDialogs(&run)) << OpenBoxes();
}

// The 2013 tool knows no flat read: no list is offered, and the video itself still downloads.
TEST_F(AddressTest, TheOldToolOffersNoListAndDownloadsTheVideo)
{
    WriteOldPageRecord();
    ASSERT_TRUE(Start()) << DriverError();
    const std::string page = "http://standin.test/watch?v=L-1&list=L&entries=3&style=2013&formats=22&size=3000&delay=0";
    ASSERT_NO_FATAL_FAILURE(PasteAndWaitForDestination(page, Temp("Stand-in video L-1.mp4")));
    ASSERT_TRUE(WaitUntil([&] { return IsControlEnabled(&run, IDC_START); })) << OpenBoxes();
    EXPECT_EQ(std::string::npos, Text(IDC_FORMAT_INFO).find("In a list")) << Text(IDC_FORMAT_INFO);
    HWND dialog = NULL;
    ASSERT_NO_FATAL_FAILURE(OpenSaveDialog(&dialog));
    EXPECT_EQ(1, SaveDialogFilterCount(dialog));
    ASSERT_NO_FATAL_FAILURE(CloseSaveDialog(dialog, false));
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    ASSERT_TRUE(WaitControlText(&run, IDC_STATUS, DONE_STATUS)) << DriverError() << OpenBoxes();
    EXPECT_TRUE(FileHoldsStandinBytes(Temp("Stand-in video L-1.mp4").c_str(), "L-1", 3000));
}
