// The process entry: registers the window class, creates the main window and runs the loop.
#include <windows.h>

#include "resources/resource.h"
#include "toolbridge/alert.h"
#include "toolbridge/textrules.h"
#include "ui/dpi.h"
#include "ui/instance.h"
#include "ui/mainwindow.h"

static bool RegisterMainClass(HINSTANCE instance)
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
    windowClass.hIconSm = (HICON)LoadImageA(instance, MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON,
                                            GetSystemMetrics(SM_CXSMICON),
                                            GetSystemMetrics(SM_CYSMICON), 0);
    windowClass.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    windowClass.hbrBackground =
        CreatePatternBrush(LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_BACKGROUND)));
    windowClass.lpszClassName = MAIN_WINDOW_CLASS;
    return RegisterClassExA(&windowClass) != 0;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand)
{
    // UTF-8 where the system honours the manifest's request; a legacy code page elsewhere.
    SetTextCodePage(GetACP());
    // A second start over the same files hands its address to the first window and ends.
    if (!ClaimInstance(commandLine))
        return 0;
    if (!RegisterMainClass(instance)) {
        Alert("Failed to register class!", "Alert", ALERT_WARNING);
        return 0;
    }
    // Created minimised, so nothing shows before the show command below; sized for the
    // system DPI, which is the screen's where it shows first.
    const DWORD style = WS_CAPTION | WS_SYSMENU, exStyle = WS_EX_APPWINDOW;
    SIZE size = WindowSizeForDpi(MAIN_WINDOW_WIDTH, MAIN_WINDOW_HEIGHT, style, exStyle, SystemDpi());
    HWND window = CreateWindowExA(exStyle, MAIN_WINDOW_CLASS, MAIN_WINDOW_TITLE, style | WS_MINIMIZE, CW_USEDEFAULT,
                                  CW_USEDEFAULT, size.cx, size.cy, NULL, NULL, instance, NULL);
    if (!window) {
        Alert("Failed to create window!", "Alert", ALERT_WARNING);
        return 0;
    }
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    FocusAtStart();
    if (commandLine && commandLine[0] != '\0')
        LoadCommandLineAddress(commandLine);
    HACCEL keys = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDA_KEYS));
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        // The Alt keys and Ctrl+V first; then Tab, Shift+Tab and Enter among the controls.
        if (TranslateAcceleratorA(window, keys, &message) || IsDialogMessageA(window, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
