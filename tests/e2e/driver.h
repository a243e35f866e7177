// End-to-end driver: starts vidmora.exe with a private temp dir and drives its window from outside.
// Calls return false/NULL on failure; DriverError() then says why, for assertion messages.
#pragma once
#include <windows.h>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

// Generous bound for every wait; Wine can be slow to start or paint.
enum { E2E_WAIT_MS = 30000 };

// Window identity of the program under test.
#define E2E_MAIN_CLASS "Vidmora"
#define E2E_MAIN_TITLE "Parvex-Vidmora"
#define E2E_DIALOG_CLASS "#32770"

// Main window control ids come from resources/resource.h (IDC_*).

// Ids inside message boxes and the save dialog.
enum {
    E2E_BOX_TEXT = 0xFFFF,
    E2E_SAVE_FILTER_COMBO = 0x470,
    E2E_SAVE_NAME_COMBO = 0x47c,
    E2E_SAVE_NAME_EDIT = 0x480
};

// One variable for the child's environment; a NULL value removes it.
struct EnvVar {
    const char *name;
    const char *value;
};

// One run of the program. The destructor kills whatever is still running, so a
// failed assertion never leaves the program (or anything it started) behind.
struct AppRun {
    PROCESS_INFORMATION pi;
    HANDLE job;
    HWND window;
    char exePath[MAX_PATH];
    char tempDir[MAX_PATH]; // no trailing backslash
    char workDir[MAX_PATH]; // the program's current directory; "" for its own folder
    AppRun();
    ~AppRun();

private:
    AppRun(const AppRun &);
    AppRun &operator=(const AppRun &);
};

// Why the last failing call failed.
const char *DriverError();

// Polls done() every 20 ms until it holds or timeoutMs passes; checks once more at the end.
bool WaitUntil(const std::function<bool()> &done, DWORD timeoutMs = E2E_WAIT_MS);

// ---- paths and files ----
bool DriverDir(char *out, size_t size);  // folder of the running test exe
bool JoinPath(char *out, size_t size, const char *dir, const char *name);
bool TempFilePath(const AppRun *run, const char *name, char *out, size_t size);
bool FileExists(const char *path);
long long FileSize(const char *path); // -1 when missing
bool ReadWholeFile(const char *path, std::string *out);
bool WriteWholeFile(const char *path, const void *data, size_t size);
bool DeleteTree(const char *dir); // removes everything inside dir and dir itself

// ---- starting and stopping ----
// Makes <driverdir>\e2e-tmp\<name> empty and records it as run->tempDir.
// A NULL name means the current GoogleTest test ("Suite.Name").
bool PrepareRun(AppRun *run, const char *name = NULL);
// Starts the program (VIDMORA_EXE, else vidmora.exe beside the driver) with TMP and TEMP
// set to run->tempDir, LOCALAPPDATA to run->tempDir\local (made if missing; PrepareRun is
// called first if needed) plus `extra`, then waits
// for its visible main window. Can be called again on the same run after it exited.
// On failure the program is killed.
bool StartApp(AppRun *run, const char *args = NULL, const EnvVar *extra = NULL, int extraCount = 0);
// The two halves of StartApp, for programs that show a box before their window.
bool LaunchApp(AppRun *run, const char *args = NULL, const EnvVar *extra = NULL, int extraCount = 0);
bool WaitMainWindow(AppRun *run, DWORD timeoutMs = E2E_WAIT_MS);
bool IsAppRunning(const AppRun *run);
bool CloseApp(const AppRun *run); // posts WM_CLOSE
bool WaitExit(AppRun *run, DWORD timeoutMs, DWORD *exitCode);
void KillApp(AppRun *run); // kills the program and its children, closes handles

// ---- main window controls ----
HWND ControlOf(const AppRun *run, int id); // any depth below the main window
// Posts WM_COMMAND(id) like a mouse click; refuses (false) when the control is
// missing, hidden or disabled, because a user could not click it then.
bool PostClick(const AppRun *run, int id);
// Click on an SS_NOTIFY static: STN_CLICKED; a double click posts STN_CLICKED then
// STN_DBLCLK, the order a real mouse produces.
bool PostTabClick(const AppRun *run, int id, bool doubleClick);
// Posts WM_COMMAND(MAKEWPARAM(id, code)) with no checks, for exact message tests.
bool PostControlNotify(const AppRun *run, int id, WORD code);
bool GetControlText(const AppRun *run, int id, char *buf, size_t size);
bool SetControlText(const AppRun *run, int id, const char *text);
bool IsControlEnabled(const AppRun *run, int id);
bool IsControlVisible(const AppRun *run, int id);
bool GetControlRect(const AppRun *run, int id, RECT *rect); // in its parent's client coordinates
bool WaitControlText(const AppRun *run, int id, const char *expected, DWORD timeoutMs = E2E_WAIT_MS);

// ---- message boxes and dialogs ----
// A visible "#32770" top-level window of the program; caption NULL matches any.
HWND FindDialog(const AppRun *run, const char *caption = NULL, DWORD timeoutMs = E2E_WAIT_MS);
int CountDialogs(const AppRun *run); // visible ones, right now
bool DialogCaption(HWND dialog, char *buf, size_t size);
bool DialogItemText(HWND dialog, int id, char *buf, size_t size);
bool DialogText(HWND box, char *buf, size_t size); // message text (static 0xFFFF)
bool DialogHasButton(HWND dialog, int id);
// Posts WM_COMMAND(id); refuses when the dialog has no enabled control with that id.
bool PressDialogButton(HWND dialog, int id);
bool WaitDialogGone(HWND dialog, DWORD timeoutMs = E2E_WAIT_MS);

// ---- the save dialog ----
int SaveDialogFilterCount(HWND dialog); // -1 on failure
bool SaveDialogFilterText(HWND dialog, int index, char *buf, size_t size);
int SaveDialogSelectedFilter(HWND dialog); // from 0; -1 on failure
bool SelectSaveDialogFilter(HWND dialog, int index);
bool SetSaveDialogFileName(HWND dialog, const char *name);
bool GetSaveDialogFileName(HWND dialog, char *buf, size_t size);
bool ConfirmSaveDialog(HWND dialog);
bool CancelSaveDialog(HWND dialog);

// ---- the keyboard ----
// Makes the program's window the foreground one, which real keys go to.
bool BringToFront(const AppRun *run);
// Presses the keys of `chord` in order (a modifier first) and releases them in reverse,
// through SendInput, as a person would type them.
bool PressKeys(std::initializer_list<WORD> chord);
// The id of the program's control that has the keyboard focus; 0 for the main window
// itself, -1 for none of its windows.
int FocusedId(const AppRun *run);
// Waits until the control `id` has the focus.
bool WaitFocus(const AppRun *run, int id, DWORD timeoutMs = E2E_WAIT_MS);

// ---- drag and drop (dragdrop.cpp) ----
// One format of the dragged data, as the bytes of its global memory block.
struct DragFormat {
    const char *name;  // a registered format's name, or NULL for `format`
    UINT format;
    std::string bytes;
};
// Drags data of `formats` from this process onto the middle of `control` of the program and
// drops it there, with OLE's own DoDragDrop. `*effect` is what the drop did; `*cursor` the
// effect the program last showed during the drag (the cursor). False when it did not run.
bool DropOnControl(const AppRun *run, int control, const std::vector<DragFormat> &formats, DWORD *effect,
                   DWORD *cursor);

// ---- clipboard ----
bool SetClipboardText(const char *text);
bool EmptyClipboardText();
bool GetClipboardText(char *buf, size_t size); // false when no text is there
