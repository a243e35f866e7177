// Stand-in for vidmora.exe in the driver's self-test: same window class, title and control ids,
// with simple reactions the test can observe (status line text and files in the temp dir).
#include <windows.h>
#include <commdlg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "resources/resource.h"

static char g_tempPath[MAX_PATH]; // as GetTempPathA gives it, trailing backslash included
static int g_tabClicks;

// Written under another name and then renamed, so a test that sees the file sees it whole.
static void WriteTempFile(const char *name, const char *text)
{
    char path[MAX_PATH], partial[MAX_PATH];
    int n = snprintf(path, sizeof path, "%s%s", g_tempPath, name);
    if (n < 0 || (size_t)n >= sizeof path)
        return;
    n = snprintf(partial, sizeof partial, "%s.partial", path);
    if (n < 0 || (size_t)n >= sizeof partial)
        return;
    HANDLE file = CreateFileA(partial, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD put = 0;
    BOOL written = WriteFile(file, text, (DWORD)strlen(text), &put, NULL);
    CloseHandle(file);
    if (written)
        MoveFileExA(partial, path, MOVEFILE_REPLACE_EXISTING);
}

// Command line after the program name.
static const char *Arguments()
{
    const char *p = GetCommandLineA();
    if (*p == '"') {
        p = strchr(p + 1, '"');
        p = p ? p + 1 : "";
    } else {
        while (*p && *p != ' ')
            ++p;
    }
    while (*p == ' ')
        ++p;
    return p;
}

static void EnvOrUnset(const char *name, char *buf, DWORD size)
{
    DWORD n = GetEnvironmentVariableA(name, buf, size);
    if (n == 0 || n >= size)
        lstrcpynA(buf, "(unset)", (int)size);
}

static void RecordStart()
{
    char tempVar[MAX_PATH];
    char probe[256];
    char removed[256];
    char text[2048];
    EnvOrUnset("TEMP", tempVar, sizeof tempVar);
    EnvOrUnset("E2E_PROBE", probe, sizeof probe);
    EnvOrUnset("E2E_REMOVED", removed, sizeof removed);
    snprintf(text, sizeof text, "temp=%s\nTEMP=%s\nargs=%s\nprobe=%s\nremoved=%s\n", g_tempPath, tempVar, Arguments(),
             probe, removed);
    WriteTempFile("fake-start.txt", text);
}

// A second copy of this program, so the test can check children die with the run.
static void SpawnChild()
{
    char exe[MAX_PATH];
    char commandLine[MAX_PATH + 16];
    DWORD n = GetModuleFileNameA(NULL, exe, sizeof exe);
    if (n == 0 || n >= sizeof exe)
        return;
    snprintf(commandLine, sizeof commandLine, "\"%s\" --child", exe);
    STARTUPINFOA startup;
    PROCESS_INFORMATION child;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    if (CreateProcessA(exe, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &child)) {
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
    }
}

static void SetStatus(HWND window, const char *text)
{
    SetDlgItemTextA(window, IDC_STATUS, text);
}

static void PasteUrl(HWND window)
{
    bool pasted = false;
    if (OpenClipboard(window)) {
        HANDLE data = GetClipboardData(CF_TEXT);
        const char *text = data ? (const char *)GlobalLock(data) : NULL;
        if (text) {
            SetDlgItemTextA(window, IDC_URL_EDIT, text);
            GlobalUnlock(data);
            pasted = true;
        }
        CloseClipboard();
    }
    SetStatus(window, pasted ? "pasted" : "clipboard-empty");
}

static void SaveFile(HWND window)
{
    char file[MAX_PATH] = "";
    OPENFILENAMEA ofn;
    ZeroMemory(&ofn, sizeof ofn);
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = window;
    ofn.lpstrFilter = "Video file (*.mp4)\0*.mp4\0Audio file (*.m4a)\0*.m4a\0All files (*.*)\0*.*\0";
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrInitialDir = g_tempPath;
    ofn.lpstrTitle = "Save Video";
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
    char status[MAX_PATH + 32];
    if (GetSaveFileNameA(&ofn))
        snprintf(status, sizeof status, "saved %lu %s", ofn.nFilterIndex, file);
    else
        snprintf(status, sizeof status, "%s", "save-cancelled");
    SetStatus(window, status);
}

static void AskStart(HWND window)
{
    int answer = MessageBoxA(window, "Start the download now?", "Alert", MB_YESNO | MB_ICONQUESTION);
    if (answer == IDYES) {
        WriteTempFile("temp-path.txt", g_tempPath);
        SetStatus(window, "answer-yes");
    } else {
        SetStatus(window, "answer-no");
    }
}

static void OnCommand(HWND window, WPARAM wParam)
{
    // Buttons react only to the bare id, as the real program does.
    switch (wParam) {
    case IDC_PASTE:
        PasteUrl(window);
        return;
    case IDC_SAVE:
        SaveFile(window);
        return;
    case IDC_START:
        AskStart(window);
        return;
    case IDC_PAUSE:
        SetStatus(window, "paused");
        return;
    }
    char status[64];
    int id = LOWORD(wParam);
    int code = HIWORD(wParam);
    if (id == IDC_ABOUT_TAB && code == STN_CLICKED) {
        snprintf(status, sizeof status, "tab-click %d", ++g_tabClicks);
        SetStatus(window, status);
    } else if (id == IDC_ABOUT_TAB && code == STN_DBLCLK) {
        snprintf(status, sizeof status, "tab-dblclick after %d clicks", g_tabClicks);
        SetStatus(window, status);
    } else if (id == IDC_MINIMIZE_TAB && code == STN_CLICKED) {
        SetStatus(window, "hidden-tab-click");
    }
}

static HWND AddControl(HWND parent, const char *cls, const char *text, DWORD style, int x, int y, int w, int h,
                       int id)
{
    return CreateWindowExA(0, cls, text, WS_CHILD | style, x, y, w, h, parent, (HMENU)(INT_PTR)id,
                           GetModuleHandleA(NULL), NULL);
}

static void CreateControls(HWND window)
{
    AddControl(window, "STATIC", "URL:", WS_VISIBLE, 10, 10, 60, 18, IDC_URL_LABEL);
    AddControl(window, "STATIC", "Ready", WS_VISIBLE, 10, 150, 300, 18, IDC_STATUS);
    AddControl(window, "EDIT", "", WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 80, 10, 300, 20, IDC_URL_EDIT);
    AddControl(window, "EDIT", "", WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 80, 40, 300, 20, IDC_DEST_EDIT);
    AddControl(window, "BUTTON", "Paste URL", WS_VISIBLE | BS_PUSHBUTTON, 10, 70, 90, 24, IDC_PASTE);
    AddControl(window, "BUTTON", "Save File", WS_VISIBLE | BS_PUSHBUTTON, 110, 70, 90, 24, IDC_SAVE);
    AddControl(window, "BUTTON", "Start Download", WS_VISIBLE | BS_PUSHBUTTON, 210, 70, 110, 24, IDC_START);
    AddControl(window, "BUTTON", "Pause", WS_VISIBLE | WS_DISABLED | BS_PUSHBUTTON, 330, 70, 70, 24, IDC_PAUSE);
    AddControl(window, "STATIC", "About", WS_VISIBLE | SS_NOTIFY, 10, 110, 60, 18, IDC_ABOUT_TAB);
    AddControl(window, "STATIC", "Min", SS_NOTIFY, 80, 110, 60, 18, IDC_MINIMIZE_TAB);
    HWND frame = AddControl(window, "STATIC", "", WS_VISIBLE | SS_BLACKFRAME, 20, 200, 300, 20, IDC_PROGRESS_FRAME);
    AddControl(frame, "STATIC", "", WS_VISIBLE | SS_GRAYRECT, 2, 3, 100, 14, IDC_PROGRESS_FILL);
}

static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        CreateControls(window);
        return 0;
    case WM_COMMAND:
        OnCommand(window, wParam);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    DWORD n = GetTempPathA(sizeof g_tempPath, g_tempPath);
    if (n == 0 || n >= sizeof g_tempPath)
        return 2;
    const char *args = Arguments();
    if (strcmp(args, "--child") == 0) {
        char pid[32];
        snprintf(pid, sizeof pid, "%lu", GetCurrentProcessId());
        WriteTempFile("child-pid.txt", pid);
        Sleep(INFINITE); // lives until the driver kills it
        return 0;
    }
    if (strcmp(args, "--keep-desktop") == 0) {
        Sleep(INFINITE); // a user of the driver's desktop until the driver's job ends it
        return 0;
    }
    const char *early = strstr(args, "--exit-early=");
    if (early)
        return atoi(early + strlen("--exit-early="));
    RecordStart();
    if (strcmp(args, "--box-first") == 0)
        MessageBoxA(NULL, "Starting up", "Startup", MB_OK);
    if (strcmp(args, "--spawn-child") == 0)
        SpawnChild();

    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof wc);
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszClassName = "Vidmora";
    if (!RegisterClassA(&wc))
        return 3;
    HWND window = CreateWindowExA(0, "Vidmora", "Parvex-Vidmora", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU |
                                  WS_MINIMIZEBOX, CW_USEDEFAULT, CW_USEDEFAULT, 480, 280, NULL, NULL, instance, NULL);
    if (!window)
        return 4;
    ShowWindow(window, show);
    UpdateWindow(window);
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return (int)msg.wParam;
}
