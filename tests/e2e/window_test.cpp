// End-to-end tests of the main window: first-start texts, layout, the state record it restores
// and writes at exit, the About box and the minimise tab.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/testdata.h"

namespace {

// What a start without a usable record shows, and the format list it then writes back.
const char WATCH_PREFIX[] = "http://www.youtube.com/watch?v=";
const int DEFAULT_CODES[] = {37, 46, 22, 45, 35, 44, 34, 18, 43, 5, 17};
const int DEFAULT_COUNT = (int)(sizeof DEFAULT_CODES / sizeof DEFAULT_CODES[0]);

// Shows tabs and line ends so a mismatch is readable in the failure message.
std::string Visible(const std::string &text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = (unsigned char)text[i];
        char piece[8];
        if (c == '\t')
            snprintf(piece, sizeof piece, "\\t");
        else if (c == '\n')
            snprintf(piece, sizeof piece, "\\n");
        else if (c == '\r')
            snprintf(piece, sizeof piece, "\\r");
        else if (c < 0x20 || c >= 0x7F)
            snprintf(piece, sizeof piece, "\\x%02X", c);
        else
            snprintf(piece, sizeof piece, "%c", c);
        out += piece;
    }
    return out;
}

// ---- small window helpers ----

struct ChildInfo {
    HWND window;
    std::string className;
    LONG style;
    int id;
    std::string text;
};

BOOL CALLBACK CollectChild(HWND window, LPARAM param)
{
    std::vector<ChildInfo> *children = (std::vector<ChildInfo> *)param;
    ChildInfo info;
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    char text[1024] = "";
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_ABORTIFHUNG, 5000, &result);
    text[sizeof text - 1] = '\0';
    info.window = window;
    info.className = name;
    info.style = GetWindowLongA(window, GWL_STYLE);
    info.id = GetDlgCtrlID(window) & 0xFFFF;
    info.text = text;
    children->push_back(info);
    return TRUE;
}

std::vector<ChildInfo> ChildrenOf(HWND parent)
{
    std::vector<ChildInfo> children;
    EnumChildWindows(parent, CollectChild, (LPARAM)&children);
    return children;
}

struct DialogScan {
    DWORD pid;
    int count;
    std::string texts;
};

// Every top-level dialog window of the program, shown or not, with its message text.
BOOL CALLBACK ScanDialog(HWND window, LPARAM param)
{
    DialogScan *scan = (DialogScan *)param;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char name[64] = "";
    if (pid != scan->pid || !GetClassNameA(window, name, sizeof name) || strcmp(name, E2E_DIALOG_CLASS) != 0)
        return TRUE;
    char caption[256] = "";
    char text[512] = "";
    GetWindowTextA(window, caption, sizeof caption);
    DialogText(window, text, sizeof text);
    scan->count++;
    scan->texts += std::string("[") + caption + ": " + text + "] ";
    return TRUE;
}

DialogScan ScanDialogs(const AppRun &run)
{
    DialogScan scan = {run.pi.dwProcessId, 0, ""};
    EnumWindows(ScanDialog, (LPARAM)&scan);
    return scan;
}

// Round trips through the program's message queue, so anything it shows right after
// handling earlier messages (a failure box after the About box) already exists.
bool SyncWithProgram(const AppRun &run)
{
    for (int i = 0; i < 3; ++i) {
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutA(run.window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, E2E_WAIT_MS, &result))
            return false;
    }
    return true;
}

bool StartsWithNoCase(const std::string &text, const std::string &head)
{
    return text.size() >= head.size() && _strnicmp(text.c_str(), head.c_str(), head.size()) == 0;
}

bool EndsWith(const std::string &text, const std::string &tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::vector<std::string> FilesIn(const char *dir)
{
    std::vector<std::string> names;
    char pattern[MAX_PATH];
    if (!JoinPath(pattern, sizeof pattern, dir, "*"))
        return names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(pattern, &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return names;
}

std::string Join(const std::vector<std::string> &names)
{
    std::string out;
    for (size_t i = 0; i < names.size(); ++i)
        out += (i ? ", " : "") + names[i];
    return out;
}

class MainWindowTest : public ::testing::Test {
protected:
    std::string Text(int id) { return ControlText(&run, id); }

    std::string RecordPath() { return TempPath(&run, RECORD_NAME); }

    void WriteRecord(const std::string &bytes)
    {
        ASSERT_TRUE(PrepareRun(&run)) << DriverError();
        ASSERT_TRUE(WriteTempFile(&run, RECORD_NAME, bytes)) << DriverError();
    }

    // Closes the idle program (no question may block it) and returns the record it wrote.
    void CloseAndReadRecord(std::string *record)
    {
        ASSERT_TRUE(CloseApp(&run)) << DriverError();
        DWORD code = 99;
        bool exited = WaitExit(&run, E2E_WAIT_MS, &code);
        ASSERT_TRUE(exited) << DriverError() << "; dialogs shown: " << ScanDialogs(run).texts;
        EXPECT_EQ(0u, code) << "exit code of an orderly close";
        std::string path = RecordPath();
        ASSERT_EQ(RECORD_SIZE, FileSize(path.c_str())) << path;
        ASSERT_TRUE(ReadWholeFile(path.c_str(), record)) << DriverError();
        ASSERT_EQ((size_t)RECORD_SIZE, record->size());
    }

    // Types into both boxes after start, so the record proves the boxes are read at exit,
    // then closes the program and returns its record.
    void EditBoxesAndClose(const char *address, const char *dest, std::string *record)
    {
        ASSERT_TRUE(SetControlText(&run, IDC_URL_EDIT, address)) << DriverError();
        ASSERT_TRUE(SetControlText(&run, IDC_DEST_EDIT, dest)) << DriverError();
        CloseAndReadRecord(record);
    }

    void ExpectDefaultCodes(const std::string &record)
    {
        EXPECT_EQ(DEFAULT_COUNT, GetInt32(record, REC_FORMAT_COUNT)) << "formatCount";
        for (int i = 0; i < DEFAULT_COUNT; ++i)
            EXPECT_EQ(DEFAULT_CODES[i], GetFormatCode(record, i)) << "format record " << i;
    }

    // The panel is filled at start; wait for it rather than race the first paint.
    void ExpectPanelDescribes(int code, const char *context)
    {
        std::string expected = Description(code);
        ASSERT_FALSE(expected.empty()) << "code " << code << " must be in the catalogue";
        std::string shown;
        bool ok = WaitUntil([&] {
            char text[1024];
            if (!GetControlText(&run, IDC_FORMAT_INFO, text, sizeof text))
                return false;
            shown = text;
            return shown == expected;
        });
        EXPECT_TRUE(ok) << context << ": panel should describe code " << code << "\n  expected: "
                        << Visible(expected) << "\n  shown:    " << Visible(shown);
    }

    // Texts a start without a usable record must show.
    void ExpectCreationTexts(const char *context)
    {
        std::string address = Text(IDC_URL_EDIT);
        EXPECT_EQ(0u, address.find(WATCH_PREFIX)) << context << ": address box holds \"" << address << "\"";
        EXPECT_GT(address.size(), strlen(WATCH_PREFIX)) << context << ": sample address needs a video id";

        char dir[MAX_PATH];
        ASSERT_TRUE(DriverDir(dir, sizeof dir)) << DriverError();
        std::string folder = std::string(dir) + "\\";
        std::string dest = Text(IDC_DEST_EDIT);
        EXPECT_TRUE(StartsWithNoCase(dest, folder)) << context << ": destination \"" << dest
                                                    << "\" should be in " << folder;
        std::string name = dest.size() > folder.size() ? dest.substr(folder.size()) : "";
        EXPECT_TRUE(name.size() > 4 && EndsWith(name, ".mp4") && name.find('\\') == std::string::npos &&
                    name.find('/') == std::string::npos)
            << context << ": destination file name \"" << name << "\" should be a plain name ending .mp4";
        ExpectPanelDescribes(37, context);
    }

    AppRun run;
};

// ---- first start ----

TEST_F(MainWindowTest, FirstStartShowsSampleAddressDefaultsAndLabels)
{
    ASSERT_TRUE(StartApp(&run)) << DriverError();
    ExpectCreationTexts("first start");

    EXPECT_EQ("YouTube URL:", Text(IDC_URL_LABEL));
    EXPECT_EQ("Destination File: ", Text(IDC_DEST_LABEL));
    EXPECT_EQ("Status: ", Text(IDC_STATUS_LABEL));
    EXPECT_EQ("", Text(IDC_STATUS)) << "status line is empty at start";
    EXPECT_EQ("Start Download", Text(IDC_START));
    EXPECT_EQ("Paste URL", Text(IDC_PASTE));
    EXPECT_EQ("Save File", Text(IDC_SAVE));
    EXPECT_EQ("Pause", Text(IDC_PAUSE));

    EXPECT_TRUE(WaitUntil([&] { return !IsControlEnabled(&run, IDC_PAUSE); }))
        << "Pause must be disabled while nothing is downloading";
    EXPECT_TRUE(IsControlEnabled(&run, IDC_START));
    EXPECT_TRUE(IsControlEnabled(&run, IDC_PASTE));
    EXPECT_TRUE(IsControlEnabled(&run, IDC_SAVE));
    EXPECT_TRUE(IsControlEnabled(&run, IDC_URL_EDIT));
    EXPECT_TRUE(IsControlEnabled(&run, IDC_DEST_EDIT));
    EXPECT_EQ(0, CountDialogs(&run)) << ScanDialogs(run).texts;
}

TEST_F(MainWindowTest, ControlsHaveTheirIdsAndPlaces)
{
    ASSERT_TRUE(StartApp(&run)) << DriverError();

    char name[64] = "";
    char title[64] = "";
    GetClassNameA(run.window, name, sizeof name);
    GetWindowTextA(run.window, title, sizeof title);
    EXPECT_STREQ("Vidmora", name);
    EXPECT_STREQ("Parvex-Vidmora", title);
    RECT outer;
    ASSERT_TRUE(GetWindowRect(run.window, &outer));
    EXPECT_EQ(480, outer.right - outer.left) << "outer width";
    EXPECT_EQ(280, outer.bottom - outer.top) << "outer height";

    struct Place {
        int id;
        const char *what;
        int x, y, w, h;
    };
    const Place places[] = {
        {IDC_URL_LABEL, "address label", 5, 5, 100, 15},
        {IDC_DEST_LABEL, "destination label", 5, 30, 100, 15},
        {IDC_STATUS_LABEL, "status label", 5, 55, 100, 15},
        {IDC_STATUS, "status line", 90, 55, 300, 20},
        {IDC_FORMAT_INFO, "format panel", 320, 120, 150, 120},
        {IDC_URL_EDIT, "address box", 90, 5, 300, 20},
        {IDC_DEST_EDIT, "destination box", 90, 30, 300, 20},
        {IDC_PASTE, "Paste URL", 400, 5, 70, 25},
        {IDC_SAVE, "Save File", 400, 30, 70, 25},
        {IDC_START, "Start", 300, 80, 95, 25},
        {IDC_PAUSE, "Pause", 400, 80, 70, 25},
        {IDC_ABOUT_TAB, "About tab", -2, 120, 20, 79},
        {IDC_MINIMIZE_TAB, "minimise tab", -2, 200, 20, 40},
        {IDC_PROGRESS_FRAME, "progress frame", 5, 80, 290, 25},
    };
    for (size_t i = 0; i < sizeof places / sizeof places[0]; ++i) {
        const Place &p = places[i];
        HWND control = ControlOf(&run, p.id);
        ASSERT_TRUE(control != NULL) << p.what << ": " << DriverError();
        EXPECT_EQ(run.window, GetParent(control)) << p.what << " should sit directly in the main window";
        RECT r;
        ASSERT_TRUE(GetControlRect(&run, p.id, &r)) << DriverError();
        EXPECT_TRUE(r.left == p.x && r.top == p.y && r.right - r.left == p.w && r.bottom - r.top == p.h)
            << p.what << " (id " << p.id << ") is at " << r.left << "," << r.top << " " << r.right - r.left
            << "x" << r.bottom - r.top << ", expected " << p.x << "," << p.y << " " << p.w << "x" << p.h;
        EXPECT_TRUE(IsControlVisible(&run, p.id)) << p.what << " should be shown";
    }

    HWND frame = ControlOf(&run, IDC_PROGRESS_FRAME);
    HWND fill = ControlOf(&run, IDC_PROGRESS_FILL);
    ASSERT_TRUE(fill != NULL) << DriverError();
    EXPECT_EQ(frame, GetParent(fill)) << "the fill lives inside the frame";
    RECT r;
    ASSERT_TRUE(GetControlRect(&run, IDC_PROGRESS_FILL, &r)) << DriverError();
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(0, r.top);
    EXPECT_EQ(0, r.right - r.left) << "no progress yet";
    EXPECT_EQ(25, r.bottom - r.top);
}

// ---- the record read at start ----

TEST_F(MainWindowTest, SavedRecordRestoresBoxesAndChosenFormat)
{
    const char *address = "http://standin.test/watch?v=restored&title=Kept";
    const char *dest = "C:\\videos\\kept clip.webm";
    const std::vector<FormatEntry> formats = {{22, "mp4", 720, 1280}, {43, "webm", 360, 640}};
    WriteRecord(BuildRecord(address, dest, 0, formats, 2));
    if (HasFatalFailure())
        return;

    ASSERT_TRUE(StartApp(&run)) << DriverError();
    EXPECT_EQ(address, Text(IDC_URL_EDIT));
    EXPECT_EQ(dest, Text(IDC_DEST_EDIT));
    ExpectPanelDescribes(43, "second of two formats chosen");
    EXPECT_EQ("Start Download", Text(IDC_START));
    EXPECT_TRUE(WaitUntil([&] { return !IsControlEnabled(&run, IDC_PAUSE); })) << "not paused: Pause is off";
    EXPECT_TRUE(IsControlEnabled(&run, IDC_PASTE));
    EXPECT_TRUE(IsControlEnabled(&run, IDC_URL_EDIT));

    // The restored list and choice are what the next exit writes back.
    std::string record;
    CloseAndReadRecord(&record);
    if (HasFatalFailure())
        return;
    EXPECT_EQ(address, GetText(record, REC_ADDRESS, REC_ADDRESS_LEN));
    EXPECT_EQ(dest, GetText(record, REC_DEST, REC_DEST_LEN));
    EXPECT_EQ(0, GetInt32(record, REC_PAUSED));
    EXPECT_EQ(2, GetInt32(record, REC_FORMAT_COUNT));
    EXPECT_EQ(22, GetFormatCode(record, 0));
    EXPECT_EQ(43, GetFormatCode(record, 1));
    EXPECT_EQ(2, GetInt32(record, REC_SELECTED));
}

TEST_F(MainWindowTest, PausedRecordOffersContinueAndLocksTheRest)
{
    const std::vector<FormatEntry> formats = {{22, "mp4", 720, 1280}, {43, "webm", 360, 640}};
    const char *address = "http://standin.test/watch?v=paused";
    const char *dest = "C:\\videos\\paused.mp4";
    WriteRecord(BuildRecord(address, dest, 1, formats, 1));
    if (HasFatalFailure())
        return;

    ASSERT_TRUE(StartApp(&run)) << DriverError();
    EXPECT_TRUE(WaitControlText(&run, IDC_START, "Continue")) << DriverError();
    EXPECT_TRUE(WaitUntil([&] {
        return !IsControlEnabled(&run, IDC_PASTE) && !IsControlEnabled(&run, IDC_SAVE) &&
               !IsControlEnabled(&run, IDC_URL_EDIT) && !IsControlEnabled(&run, IDC_DEST_EDIT) &&
               !IsControlEnabled(&run, IDC_PAUSE);
    })) << "enabled: paste=" << IsControlEnabled(&run, IDC_PASTE) << " save=" << IsControlEnabled(&run, IDC_SAVE)
        << " address=" << IsControlEnabled(&run, IDC_URL_EDIT) << " dest=" << IsControlEnabled(&run, IDC_DEST_EDIT)
        << " pause=" << IsControlEnabled(&run, IDC_PAUSE);
    EXPECT_TRUE(IsControlEnabled(&run, IDC_START)) << "Continue must stay clickable";
    EXPECT_EQ(address, Text(IDC_URL_EDIT));
    EXPECT_EQ(dest, Text(IDC_DEST_EDIT));
    ExpectPanelDescribes(22, "paused record, first format chosen");
}

TEST_F(MainWindowTest, ShortRecordStartsLikeNoRecord)
{
    const std::vector<FormatEntry> formats = {{22, "mp4", 720, 1280}, {43, "webm", 360, 640}};
    std::string full = BuildRecord("http://standin.test/watch?v=short", "C:\\videos\\short.webm", 0, formats, 2);
    const size_t sizes[] = {0, 1000, RECORD_SIZE - 1};
    for (size_t i = 0; i < sizeof sizes / sizeof sizes[0]; ++i) {
        char name[128];
        snprintf(name, sizeof name, "MainWindowTest.ShortRecord.%u", (unsigned)sizes[i]);
        char context[64];
        snprintf(context, sizeof context, "record of %u bytes", (unsigned)sizes[i]);
        SCOPED_TRACE(context);
        ASSERT_TRUE(PrepareRun(&run, name)) << DriverError();
        ASSERT_TRUE(WriteTempFile(&run, RECORD_NAME, full.substr(0, sizes[i]))) << DriverError();

        ASSERT_TRUE(StartApp(&run)) << DriverError();
        ExpectCreationTexts(context);
        EXPECT_EQ("Start Download", Text(IDC_START));

        std::string record;
        CloseAndReadRecord(&record);
        if (HasFatalFailure())
            return;
        ExpectDefaultCodes(record);
        EXPECT_EQ(1, GetInt32(record, REC_SELECTED));
    }
}

TEST_F(MainWindowTest, BadFormatCountFallsBackToDefaultList)
{
    // Valid-looking codes sit in the slots so that using them would show on the panel.
    const std::vector<FormatEntry> formats = {{22, "mp4", 720, 1280}, {43, "webm", 360, 640}};
    const int counts[] = {99, REC_FORMAT_SLOTS + 1, -1};
    for (size_t i = 0; i < sizeof counts / sizeof counts[0]; ++i) {
        char name[128];
        snprintf(name, sizeof name, "MainWindowTest.BadCount.%d", counts[i]);
        char context[64];
        snprintf(context, sizeof context, "formatCount %d", counts[i]);
        SCOPED_TRACE(context);
        ASSERT_TRUE(PrepareRun(&run, name)) << DriverError();
        std::string bytes = BuildRecord("http://standin.test/watch?v=count", "C:\\videos\\count.mp4", 0, formats, 1);
        PutInt32(&bytes, REC_FORMAT_COUNT, counts[i]);
        ASSERT_TRUE(WriteTempFile(&run, RECORD_NAME, bytes)) << DriverError();

        ASSERT_TRUE(StartApp(&run)) << DriverError();
        ExpectPanelDescribes(37, context);
        EXPECT_TRUE(IsAppRunning(&run));

        std::string record;
        CloseAndReadRecord(&record);
        if (HasFatalFailure())
            return;
        ExpectDefaultCodes(record);
        EXPECT_EQ(1, GetInt32(record, REC_SELECTED));
    }
}

TEST_F(MainWindowTest, BadSelectionFallsBackToFirstFormat)
{
    const std::vector<FormatEntry> formats = {{22, "mp4", 720, 1280}, {43, "webm", 360, 640}};
    const int selections[] = {0, 3, -7};
    for (size_t i = 0; i < sizeof selections / sizeof selections[0]; ++i) {
        char name[128];
        snprintf(name, sizeof name, "MainWindowTest.BadSelection.%d", selections[i]);
        char context[64];
        snprintf(context, sizeof context, "selectedFormat %d of 2", selections[i]);
        SCOPED_TRACE(context);
        ASSERT_TRUE(PrepareRun(&run, name)) << DriverError();
        std::string bytes = BuildRecord("http://standin.test/watch?v=select", "C:\\videos\\select.mp4", 0, formats,
                                        selections[i]);
        ASSERT_TRUE(WriteTempFile(&run, RECORD_NAME, bytes)) << DriverError();

        ASSERT_TRUE(StartApp(&run)) << DriverError();
        ExpectPanelDescribes(22, context);
        EXPECT_TRUE(IsAppRunning(&run));

        std::string record;
        CloseAndReadRecord(&record);
        if (HasFatalFailure())
            return;
        EXPECT_EQ(2, GetInt32(record, REC_FORMAT_COUNT));
        EXPECT_EQ(22, GetFormatCode(record, 0));
        EXPECT_EQ(43, GetFormatCode(record, 1));
        EXPECT_EQ(1, GetInt32(record, REC_SELECTED));
    }
}

// ---- the record written at exit ----

TEST_F(MainWindowTest, IdleCloseAsksNothingAndSavesTheBoxes)
{
    ASSERT_TRUE(StartApp(&run)) << DriverError();
    const char *address = "http://standin.test/watch?v=atexit&title=Saved%20at%20exit";
    const char *dest = "C:\\somewhere else\\saved at exit.mp4";
    std::string record;
    EditBoxesAndClose(address, dest, &record);
    if (HasFatalFailure())
        return;
    EXPECT_EQ(address, GetText(record, REC_ADDRESS, REC_ADDRESS_LEN));
    EXPECT_EQ(dest, GetText(record, REC_DEST, REC_DEST_LEN));
    EXPECT_EQ(0, GetInt32(record, REC_PAUSED));
    ExpectDefaultCodes(record);
    EXPECT_EQ(1, GetInt32(record, REC_SELECTED));
}

TEST_F(MainWindowTest, SecondRunRestoresAndKeepsOneRecord)
{
    ASSERT_TRUE(StartApp(&run)) << DriverError();
    const char *address = "http://standin.test/watch?v=tworuns";
    const char *dest = "C:\\videos\\two runs.mp4";
    std::string first;
    EditBoxesAndClose(address, dest, &first);
    if (HasFatalFailure())
        return;

    ASSERT_TRUE(StartApp(&run)) << DriverError();
    EXPECT_EQ(address, Text(IDC_URL_EDIT)) << "second run restores the saved address";
    EXPECT_EQ(dest, Text(IDC_DEST_EDIT)) << "second run restores the saved destination";
    ExpectPanelDescribes(37, "second run");
    std::string second;
    CloseAndReadRecord(&second);
    if (HasFatalFailure())
        return;
    EXPECT_TRUE(first == second) << "nothing changed, so the second record should equal the first";

    std::vector<std::string> files = FilesIn(run.tempDir);
    int records = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        if (_strnicmp(files[i].c_str(), RECORD_STEM, strlen(RECORD_STEM)) == 0)
            ++records;
        EXPECT_NE(0, lstrcmpiA(files[i].c_str(), RECORD_NEW_NAME)) << "files: " << Join(files);
        EXPECT_NE(0, lstrcmpiA(files[i].c_str(), TOOL_COPY_NAME)) << "files: " << Join(files);
    }
    EXPECT_EQ(1, records) << "files: " << Join(files);
    EXPECT_EQ(RECORD_SIZE, FileSize(RecordPath().c_str()));
}

// ---- tabs and the About box ----

class AboutBoxTest : public MainWindowTest {
protected:
    HWND OpenByNotification(WORD code)
    {
        if (code == STN_CLICKED) {
            EXPECT_TRUE(PostTabClick(&run, IDC_ABOUT_TAB, false)) << DriverError();
        } else {
            EXPECT_TRUE(PostControlNotify(&run, IDC_ABOUT_TAB, code)) << DriverError();
        }
        HWND box = FindDialog(&run, "About Me");
        EXPECT_TRUE(box != NULL) << DriverError() << "; dialogs: " << ScanDialogs(run).texts;
        return box;
    }

    // After the box is gone, the program is back to its window with no box of any kind.
    void ExpectClosedCleanly(HWND box, const char *how)
    {
        ASSERT_TRUE(WaitDialogGone(box)) << how << ": " << DriverError();
        ASSERT_TRUE(SyncWithProgram(run)) << how << ": program does not answer";
        DialogScan scan = ScanDialogs(run);
        EXPECT_EQ(0, scan.count) << how << ": dialogs left: " << scan.texts;
        EXPECT_EQ(std::string::npos, scan.texts.find("Failed 0x2!")) << how;
        EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(run.window) != 0; }))
            << how << ": main window should be usable again";
        EXPECT_TRUE(IsAppRunning(&run)) << how;
    }
};

TEST_F(AboutBoxTest, ClickOpensAboutBoxWithNamePictureAndOk)
{
    ASSERT_TRUE(StartApp(&run)) << DriverError();
    HWND box = OpenByNotification(STN_CLICKED);
    ASSERT_TRUE(box != NULL);
    EXPECT_EQ(1, CountDialogs(&run)) << ScanDialogs(run).texts;

    std::vector<ChildInfo> children = ChildrenOf(box);
    const ChildInfo *group = NULL;
    const ChildInfo *info = NULL;
    const ChildInfo *picture = NULL;
    for (size_t i = 0; i < children.size(); ++i) {
        const ChildInfo &c = children[i];
        bool button = lstrcmpiA(c.className.c_str(), "Button") == 0;
        bool isStatic = lstrcmpiA(c.className.c_str(), "Static") == 0;
        if (button && (c.style & 0x0F) == BS_GROUPBOX && !group)
            group = &c;
        if (isStatic && c.text.find("Program Name:") != std::string::npos && !info)
            info = &c;
        if (c.id == IDC_ABOUT_PICTURE)
            picture = &c;
    }
    ASSERT_TRUE(group != NULL) << "About box needs a group box";
    EXPECT_EQ(0u, group->text.find("Parvex Vidmora")) << "group box reads \"" << group->text << "\"";
    ASSERT_TRUE(info != NULL) << "About box needs the program information";
    std::string lines = "\n" + info->text;
    for (size_t at = 0; (at = lines.find("\r\n")) != std::string::npos;)
        lines.erase(at, 1);
    lines += "\n";
    EXPECT_NE(std::string::npos, lines.find("\nProgram Name:\tParvex Vidmora\n"))
        << "information reads \"" << Visible(info->text) << "\"";
    ASSERT_TRUE(picture != NULL) << "About box needs its picture control " << IDC_ABOUT_PICTURE;
    EXPECT_EQ(0, lstrcmpiA(picture->className.c_str(), "Static")) << picture->className;
    EXPECT_TRUE(IsWindowVisible(picture->window));
    EXPECT_FALSE(IsWindowEnabled(run.window)) << "the About box is modal to the main window";

    ASSERT_TRUE(DialogHasButton(box, IDOK));
    ASSERT_TRUE(PressDialogButton(box, IDOK)) << DriverError();
    ExpectClosedCleanly(box, "OK");
}

TEST_F(AboutBoxTest, DoubleClickAlsoOpensIt)
{
    ASSERT_TRUE(StartApp(&run)) << DriverError();
    // The notification a double click brings, alone, so the click cannot be what opened it.
    HWND box = OpenByNotification(STN_DBLCLK);
    ASSERT_TRUE(box != NULL);
    ASSERT_TRUE(PressDialogButton(box, IDOK)) << DriverError();
    ExpectClosedCleanly(box, "OK after double click");
}

TEST_F(AboutBoxTest, CancelAndCloseBoxCloseIt)
{
    ASSERT_TRUE(StartApp(&run)) << DriverError();
    struct Way {
        const char *how;
        UINT message;
        WPARAM wParam;
    };
    const Way ways[] = {
        {"Escape (IDCANCEL)", WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED)},
        {"WM_CLOSE", WM_CLOSE, 0},
        {"SC_CLOSE", WM_SYSCOMMAND, SC_CLOSE},
    };
    for (size_t i = 0; i < sizeof ways / sizeof ways[0]; ++i) {
        HWND box = OpenByNotification(STN_CLICKED);
        ASSERT_TRUE(box != NULL) << "opening for " << ways[i].how;
        ASSERT_TRUE(PostMessageA(box, ways[i].message, ways[i].wParam, 0)) << ways[i].how;
        ExpectClosedCleanly(box, ways[i].how);
        if (HasFatalFailure())
            return;
    }
}

TEST_F(MainWindowTest, MinimiseTabMinimisesTheWindow)
{
    ASSERT_TRUE(StartApp(&run)) << DriverError();
    ASSERT_FALSE(IsIconic(run.window)) << "window starts restored";
    ASSERT_TRUE(PostTabClick(&run, IDC_MINIMIZE_TAB, false)) << DriverError();
    EXPECT_TRUE(WaitUntil([&] { return IsIconic(run.window) != 0; })) << "window should be minimised";
    EXPECT_TRUE(IsAppRunning(&run));
}

} // namespace
