// End-to-end tests of the keyboard, with real key events (SendInput): the focus at start,
// Tab and Shift+Tab, the focus across downloads, probes and boxes, the Alt keys, Enter in the
// address box, Ctrl+V and the window menu's letters.
#include "tests/e2e/downloadsteps.h"

namespace {

// A page that downloads in about two seconds.
const char PAGE[] = "http://standin.test/watch?v=keys&formats=22,18&size=300000&step=15000&delay=100";

class KeyboardTest : public DownloadTest {
protected:
    // The prepared page's window, in front, with the controls of Idle (or Paused).
    void StartInFront(int paused = 0)
    {
        Prepare(PAGE, "out", "clip.mp4", paused);
        Start();
        ASSERT_TRUE(BringToFront(&run)) << DriverError();
    }

    void Keys(std::initializer_list<WORD> chord) { ASSERT_TRUE(PressKeys(chord)) << DriverError(); }

    // Hidden first, a dialog is destroyed as the program's own loop takes over again, and
    // only then do keys reach the window rather than the ending dialog.
    void CloseDialog(HWND dialog, int button)
    {
        ASSERT_TRUE(PressDialogButton(dialog, button)) << DriverError();
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); })) << "the dialog stays";
    }

    // Under Wine without a window manager the activation does not always come back by itself
    // when a box closes (X gives its input focus elsewhere): the window is brought to the front
    // as a click would, and must then give the focus back itself.
    void ExpectFocus(int id, const std::string &when)
    {
        EXPECT_TRUE(BringToFront(&run)) << when << ": " << DriverError();
        EXPECT_TRUE(WaitFocus(&run, id)) << when << ": " << DriverError() << "; " << StateReport();
    }

    // Alt+Space opens the window menu; `letter` then picks its entry. Under Wine, X can move
    // its input focus while the chord comes and the Alt is lost: the chord goes once more.
    void PickFromWindowMenu(WORD letter)
    {
        for (int tries = 0; tries < 2 && !MenuShown(); tries++) {
            ASSERT_TRUE(BringToFront(&run)) << DriverError();
            Keys({VK_MENU, VK_SPACE});
            WaitUntil([&] { return MenuShown(); }, E2E_WAIT_MS / 4);
        }
        ASSERT_TRUE(MenuShown())
            << "the window menu did not open; focus on " << FocusedId(&run) << ", in front "
            << (GetForegroundWindow() == run.window) << ", enabled " << IsWindowEnabled(run.window) << ", boxes "
            << CountDialogs(&run);
        Keys({letter});
    }

    // A popup menu of the program's on the screen.
    bool MenuShown()
    {
        MenuSearch search = {run.pi.dwProcessId, false};
        EnumWindows(FindMenu, (LPARAM)&search);
        return search.found;
    }

    struct MenuSearch {
        DWORD pid;
        bool found;
    };

    static BOOL CALLBACK FindMenu(HWND window, LPARAM param)
    {
        MenuSearch *search = (MenuSearch *)param;
        char name[16] = "";
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        search->found = owner == search->pid && IsWindowVisible(window) && GetClassNameA(window, name, sizeof name) &&
                        strcmp(name, "#32768") == 0;
        return !search->found;
    }

    std::string OtherPage(const char *id, const char *title)
    {
        return std::string("http://standin.test/watch?v=") + id + "&title=" + title + "&formats=18";
    }

    // `chord` pastes the page `id`: the window proposes `file` for it, and after the probe,
    // which disables every control, the focus is back on `focus`.
    void PasteWithKeys(std::initializer_list<WORD> chord, const char *id, const char *title, const char *file,
                       int focus)
    {
        const std::string address = OtherPage(id, title);
        ASSERT_TRUE(SetClipboardText(address.c_str())) << DriverError();
        Keys(chord);
        EXPECT_TRUE(WaitControlText(&run, IDC_DEST_EDIT, (DirectoryOfDest() + file).c_str())) << DriverError();
        EXPECT_EQ(address, Text(IDC_URL_EDIT));
        ExpectFocus(focus, "after the probe");
    }
};

TEST_F(KeyboardTest, FocusStartsOnPasteUrlAndTabGoesThroughTheEnabledControls)
{
    StartInFront();
    ExpectFocus(IDC_PASTE, "at start");
    // Creation order; Pause is disabled while nothing downloads, and is passed over.
    const struct {
        std::initializer_list<WORD> keys;
        int focus;
    } steps[] = {
        {{VK_TAB}, IDC_SAVE},
        {{VK_TAB}, IDC_START},
        {{VK_TAB}, IDC_URL_EDIT},
        {{VK_TAB}, IDC_DEST_EDIT},
        {{VK_TAB}, IDC_PASTE},
        {{VK_SHIFT, VK_TAB}, IDC_DEST_EDIT},
        {{VK_SHIFT, VK_TAB}, IDC_URL_EDIT},
        {{VK_SHIFT, VK_TAB}, IDC_START},
        {{VK_SHIFT, VK_TAB}, IDC_SAVE},
        {{VK_SHIFT, VK_TAB}, IDC_PASTE},
    };
    for (size_t i = 0; i < sizeof steps / sizeof steps[0]; ++i) {
        Keys(steps[i].keys);
        ExpectFocus(steps[i].focus, "step " + std::to_string(i + 1));
    }
    // Enter presses the button that has the focus.
    Keys({VK_TAB});
    ExpectFocus(IDC_SAVE, "Tab");
    Keys({VK_RETURN});
    HWND dialog = FindDialog(&run);
    ASSERT_TRUE(dialog != NULL) << "Enter on Save File: " << DriverError();
    CloseDialog(dialog, IDCANCEL);
    ExpectFocus(IDC_SAVE, "after the save dialog");
}

TEST_F(KeyboardTest, APausedStartFocusesContinue)
{
    StartInFront(1);
    // Paste URL is disabled: the first enabled control in tab order is Continue.
    ExpectFocus(IDC_START, "at start, paused");
    Keys({VK_TAB});
    ExpectFocus(IDC_START, "Tab with nothing else enabled");
}

TEST_F(KeyboardTest, AltKeysPressTheButtonsAndTheFocusFollowsTheDownload)
{
    StartInFront();
    ExpectFocus(IDC_PASTE, "at start");
    Keys({VK_MENU, 'T'});
    ASSERT_TRUE(WaitUntil([&] { return IsDownloading(); })) << "Alt+T: " << StateReport();
    // Paste URL and Save File were disabled with the focus on the first: it moved on to Stop.
    ExpectFocus(IDC_START, "downloading");
    ASSERT_TRUE(WaitPartBeyond(0)) << part;
    Keys({VK_TAB});
    ExpectFocus(IDC_PAUSE, "Tab while downloading");
    Keys({VK_MENU, 'U'});
    ASSERT_TRUE(WaitUntil([&] { return IsPaused(); })) << "Alt+U: " << StateReport();
    ExpectFocus(IDC_START, "Pause disabled by the pause");
    Keys({VK_MENU, 'T'});
    ExpectCompleted("keys", 300000);
    ExpectFocus(IDC_START, "after the download");
    EXPECT_EQ(2u, ToolRuns().size()) << "a start and a continue";

    Keys({VK_MENU, 'S'});
    HWND dialog = FindDialog(&run);
    ASSERT_TRUE(dialog != NULL) << "Alt+S: " << DriverError();
    CloseDialog(dialog, IDCANCEL);
    ExpectFocus(IDC_START, "after the save dialog");

    PasteWithKeys({VK_MENU, 'P'}, "altp", "Alt%20P", "Alt P.mp4", IDC_START);
}

// A key whose button is disabled does nothing; the key read after it shows it was read.
TEST_F(KeyboardTest, ADisabledButtonIgnoresItsKey)
{
    StartInFront();
    Keys({VK_MENU, 'U'});
    Keys({VK_MENU, 'S'});
    HWND dialog = FindDialog(&run);
    ASSERT_TRUE(dialog != NULL) << "Alt+S: " << DriverError();
    CloseDialog(dialog, IDCANCEL);
    EXPECT_TRUE(IsIdle()) << "Alt+U while idle: " << StateReport();
    EXPECT_FALSE(FileExists(argsPath)) << "the tool ran";

    const std::string other = OtherPage("other", "Other");
    ASSERT_TRUE(SetClipboardText(other.c_str())) << DriverError();
    Keys({VK_MENU, 'T'});
    ASSERT_TRUE(WaitUntil([&] { return IsDownloading(); })) << "Alt+T: " << StateReport();
    ASSERT_TRUE(WaitPartBeyond(0)) << part;
    // Downloading, then paused: Paste URL and Save File are disabled, and Pause when paused.
    for (int paused = 0; paused < 2; ++paused) {
        SCOPED_TRACE(paused ? "paused" : "downloading");
        Keys({VK_MENU, 'P'});
        Keys({VK_CONTROL, 'V'});
        Keys({VK_MENU, 'S'});
        if (paused)
            Keys({VK_MENU, 'U'});
        Keys({VK_MENU, paused ? (WORD)'T' : (WORD)'U'});
        ASSERT_TRUE(WaitUntil([&] { return paused ? IsDownloading() || FileExists(dest) : IsPaused(); }))
            << StateReport();
        EXPECT_EQ(0, CountDialogs(&run));
        EXPECT_EQ(PAGE, Text(IDC_URL_EDIT));
    }
    ExpectCompleted("keys", 300000);
    std::vector<ArgList> runs = ToolRuns();
    ASSERT_EQ(2u, runs.size()) << "only the download and its continuation ran";
    EXPECT_EQ(JoinArgs(ExpectedArgs()), JoinArgs(runs[1]));
}

TEST_F(KeyboardTest, EnterLoadsTheTypedAddressWithPasteUrlsChecks)
{
    StartInFront();
    ExpectFocus(IDC_PASTE, "at start");
    Keys({VK_SHIFT, VK_TAB});
    Keys({VK_SHIFT, VK_TAB});
    ExpectFocus(IDC_URL_EDIT, "Shift+Tab twice");
    ASSERT_TRUE(SetControlText(&run, IDC_URL_EDIT, "-o x")) << DriverError();
    Keys({VK_RETURN});
    EXPECT_EQ(OPTION_REFUSED, AnswerBox(&run, "Alert"));
    ExpectFocus(IDC_URL_EDIT, "after the box");
    EXPECT_FALSE(FileExists(argsPath)) << "the tool ran for a refused address";

    const std::string address = OtherPage("typed", "Typed");
    ASSERT_TRUE(SetControlText(&run, IDC_URL_EDIT, ("  " + address + " ").c_str())) << DriverError();
    Keys({VK_RETURN});
    EXPECT_TRUE(WaitControlText(&run, IDC_DEST_EDIT, (DirectoryOfDest() + "Typed.mp4").c_str())) << DriverError();
    EXPECT_EQ(address, Text(IDC_URL_EDIT));
    std::vector<ArgList> runs = ToolRuns();
    ASSERT_EQ(2u, runs.size()) << "the probe's two runs";
    EXPECT_EQ(address, runs[1].back());
    ExpectFocus(IDC_URL_EDIT, "after the probe");
}

TEST_F(KeyboardTest, CtrlVIsPasteUrlOutsideTheBoxesAndPastesInsideThem)
{
    StartInFront();
    Keys({VK_TAB});
    ExpectFocus(IDC_SAVE, "Tab");
    // Outside input, checked as Paste URL checks the clipboard: the focus comes back after the box.
    ASSERT_TRUE(SetClipboardText("--exec rm")) << DriverError();
    Keys({VK_CONTROL, 'V'});
    EXPECT_EQ(OPTION_REFUSED, AnswerBox(&run, "Alert"));
    ExpectFocus(IDC_SAVE, "after the box");

    PasteWithKeys({VK_CONTROL, 'V'}, "ctrlv", "Pasted", "Pasted.mp4", IDC_SAVE);
    ASSERT_EQ(2u, ToolRuns().size());

    // In a box Ctrl+V pastes into it; Tab selected the box's text, so the paste replaces it.
    Keys({VK_SHIFT, VK_TAB});
    Keys({VK_SHIFT, VK_TAB});
    ExpectFocus(IDC_DEST_EDIT, "Shift+Tab twice");
    ASSERT_TRUE(SetClipboardText("C:\\typed over.mp4")) << DriverError();
    Keys({VK_CONTROL, 'V'});
    EXPECT_TRUE(WaitControlText(&run, IDC_DEST_EDIT, "C:\\typed over.mp4")) << DriverError();
    EXPECT_EQ(OtherPage("ctrlv", "Pasted"), Text(IDC_URL_EDIT));
    EXPECT_EQ("", Text(IDC_STATUS));
    EXPECT_EQ(2u, ToolRuns().size()) << "no probe for a paste into a box";
}

// Each letter is taken by one entry only, so it chooses that entry at once.
TEST_F(KeyboardTest, WindowMenuLettersChooseTheirEntries)
{
    StartInFront();
    Keys({VK_TAB});
    ExpectFocus(IDC_SAVE, "Tab");

    PickFromWindowMenu('V');
    HWND about = FindDialog(&run, "About Me");
    ASSERT_TRUE(about != NULL) << "About Vidmora: " << DriverError();
    CloseDialog(about, IDOK);
    ExpectFocus(IDC_SAVE, "after the About box");

    // The menu's first opening read the built-in tool's version, which greys the tool's
    // entries while it runs.
    const std::string versionCopy = RunFolder(&run) + "\\" + VERSION_TOOL_NAME;
    ASSERT_TRUE(WaitUntil([&] {
        return !ReadArgsLog(argsPath).empty() && !FileExists(versionCopy.c_str()) && IsIdle();
    })) << "the version read did not end: " << StateReport();
    PickFromWindowMenu('D');
    HWND open = FindDialog(&run, "Open");
    ASSERT_TRUE(open != NULL) << "Choose a download tool: " << DriverError();
    CloseDialog(open, IDCANCEL);
    ExpectFocus(IDC_SAVE, "after the Open dialog");

    PickFromWindowMenu('Z');
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(run.window) != 0; })) << "Minimize";
    ShowWindow(run.window, SW_RESTORE);
    ASSERT_TRUE(BringToFront(&run)) << DriverError();
    ExpectFocus(IDC_SAVE, "restored and active again");

    PickFromWindowMenu('C');
    DWORD code = 99;
    EXPECT_TRUE(WaitExit(&run, E2E_WAIT_MS, &code)) << "Close: " << DriverError();
    EXPECT_EQ(0u, code);
}

}  // namespace
