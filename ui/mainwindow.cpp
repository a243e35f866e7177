// The main window procedure, the creation of its controls at the window's DPI and their colours.
#include "ui/mainwindow.h"

#include <stdlib.h>
#include <string.h>

#include "control/controller.h"
#include "control/focus.h"
#include "control/statewindow.h"
#include "resources/resource.h"
#include "toolbridge/paths.h"
#include "ui/about.h"
#include "ui/commands.h"
#include "ui/dpi.h"
#include "ui/droptarget.h"
#include "ui/instance.h"
#include "ui/keyboard.h"
#include "control/keeping.h"
#include "ui/toolmenu.h"
#include "control/mainstate.h"
#include "toolbridge/alert.h"

#define SAMPLE_ADDRESS "http://www.youtube.com/watch?v=Vidmora0001"

// The one main window's state, owned by it from WM_CREATE to WM_DESTROY.
static MainState mainState;

enum ControlFont { WITH_FONT, NO_FONT };

struct ControlLayout {
    int id;
    const char *className;
    DWORD style;
    DWORD exStyle;
    int x, y, width, height;
    ControlFont font;
};

static const DWORD PLAIN_STATIC = WS_CHILD | WS_VISIBLE;
// Tab and Shift+Tab go through the boxes and buttons in creation order. Each is a group of
// its own, and the first tab starts one, so the arrow keys never take the focus to a picture.
static const DWORD EDIT_STYLE = WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | ES_AUTOVSCROLL | WS_TABSTOP | WS_GROUP;
static const DWORD BUTTON_STYLE = WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | BS_FLAT | WS_TABSTOP | WS_GROUP;
static const DWORD TAB_STYLE = WS_CHILD | WS_VISIBLE | SS_BITMAP | SS_NOTIFY | WS_GROUP;

// In creation order; the timer starts between the minimise tab and the progress frame.
static const ControlLayout CONTROLS_BEFORE_TIMER[] = {
    {IDC_URL_LABEL, "STATIC", PLAIN_STATIC, WS_EX_TRANSPARENT, 5, 5, 100, 15, WITH_FONT},
    {IDC_DEST_LABEL, "STATIC", PLAIN_STATIC, WS_EX_TRANSPARENT, 5, 30, 100, 15, WITH_FONT},
    {IDC_STATUS_LABEL, "STATIC", PLAIN_STATIC, WS_EX_TRANSPARENT, 5, 55, 100, 15, WITH_FONT},
    {IDC_STATUS, "STATIC", PLAIN_STATIC, WS_EX_STATICEDGE, 90, 55, 300, 20, WITH_FONT},
    {IDC_FORMAT_INFO, "STATIC", PLAIN_STATIC, WS_EX_TRANSPARENT, 320, 120, 150, 120, WITH_FONT},
    {IDC_URL_EDIT, "EDIT", EDIT_STYLE, WS_EX_STATICEDGE, 90, 5, 300, 20, WITH_FONT},
    {IDC_DEST_EDIT, "EDIT", EDIT_STYLE, WS_EX_STATICEDGE, 90, 30, 300, 20, WITH_FONT},
    {IDC_PASTE, "BUTTON", BUTTON_STYLE, WS_EX_STATICEDGE, 400, 5, 70, 25, WITH_FONT},
    {IDC_SAVE, "BUTTON", BUTTON_STYLE, WS_EX_STATICEDGE, 400, 30, 70, 25, WITH_FONT},
    {IDC_START, "BUTTON", BUTTON_STYLE, WS_EX_STATICEDGE, 300, 80, 95, 25, WITH_FONT},
    {IDC_PAUSE, "BUTTON", BUTTON_STYLE, WS_EX_STATICEDGE, 400, 80, 70, 25, WITH_FONT},
    {IDC_ABOUT_TAB, "STATIC", TAB_STYLE, WS_EX_STATICEDGE, -2, 120, 20, 79, NO_FONT},
    {IDC_MINIMIZE_TAB, "STATIC", TAB_STYLE, WS_EX_STATICEDGE, -2, 200, 20, 40, NO_FONT},
};
static const ControlLayout PROGRESS_FRAME = {IDC_PROGRESS_FRAME, "STATIC", PLAIN_STATIC, WS_EX_STATICEDGE,
                                             5, 80, PROGRESS_BAR_WIDTH, PROGRESS_BAR_HEIGHT, NO_FONT};
// Resized to the picture, then to an empty bar.
static const ControlLayout PROGRESS_FILL = {IDC_PROGRESS_FILL, "STATIC", WS_CHILD | WS_VISIBLE | SS_BITMAP,
                                            WS_EX_STATICEDGE, 0, 0, 20, 20, NO_FONT};

static const char *CreationText(int id, const char *defaultDestination)
{
    switch (id) {
    case IDC_URL_LABEL: return "YouTube URL:";
    case IDC_DEST_LABEL: return "Destination File: ";
    case IDC_STATUS_LABEL: return "Status: ";
    case IDC_URL_EDIT: return SAMPLE_ADDRESS;
    case IDC_DEST_EDIT: return defaultDestination;
    case IDC_PASTE: return "Paste URL";
    case IDC_SAVE: return "Save File";
    case IDC_START: return "Start Download";
    case IDC_PAUSE: return "Pause";
    default: return "";
    }
}

static HWND CreateControl(HWND parent, const ControlLayout *layout, const char *text)
{
    HINSTANCE instance = (HINSTANCE)GetWindowLongPtrA(parent, GWLP_HINSTANCE);
    int dpi = mainState.dpi;
    HWND control = CreateWindowExA(layout->exStyle, layout->className, text, layout->style,
                                   ScaleToDpi(layout->x, dpi), ScaleToDpi(layout->y, dpi),
                                   ScaleToDpi(layout->width, dpi), ScaleToDpi(layout->height, dpi), parent,
                                   (HMENU)(INT_PTR)layout->id, instance, NULL);
    if (layout->font == WITH_FONT)
        SendMessageA(control, WM_SETFONT, (WPARAM)mainState.font, FALSE);
    return control;
}

static void PlaceControl(HWND control, const ControlLayout *layout, int dpi)
{
    SetWindowPos(control, NULL, ScaleToDpi(layout->x, dpi), ScaleToDpi(layout->y, dpi),
                 ScaleToDpi(layout->width, dpi), ScaleToDpi(layout->height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
}

// A static with SS_BITMAP takes its picture's size.
static void SetPicture(HWND control, int bitmapId)
{
    HINSTANCE instance = (HINSTANCE)GetWindowLongPtrA(control, GWLP_HINSTANCE);
    HBITMAP picture = LoadBitmapForDpi(instance, bitmapId, mainState.dpi);
    HBITMAP previous = (HBITMAP)SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, (LPARAM)picture);
    if (previous && previous != picture)
        DeleteObject(previous);
}

static HWND ProgressFill(HWND window)
{
    return GetDlgItem(GetDlgItem(window, IDC_PROGRESS_FRAME), IDC_PROGRESS_FILL);
}

static void CreateProgressBar(HWND window)
{
    HWND frameWindow = CreateControl(window, &PROGRESS_FRAME, "");
    SetPicture(CreateControl(frameWindow, &PROGRESS_FILL, ""), IDB_PROGRESS);
    // The picture is revealed from the left as the download goes on.
    ShowProgressFill(&mainState.progress, window, 0);
}

static void CreateControls(HWND window, const char *defaultDestination)
{
    for (const ControlLayout &layout : CONTROLS_BEFORE_TIMER) {
        HWND control = CreateControl(window, &layout, CreationText(layout.id, defaultDestination));
        if (layout.id == IDC_URL_EDIT)
            SendMessageA(control, EM_LIMITTEXT, ADDRESS_SIZE - 1, 0);
        else if (layout.id == IDC_DEST_EDIT)
            SendMessageA(control, EM_LIMITTEXT, DESTINATION_SIZE - 1, 0);
    }
    SetPicture(GetDlgItem(window, IDC_ABOUT_TAB), IDB_ABOUT_TAB);
    SetPicture(GetDlgItem(window, IDC_MINIMIZE_TAB), IDB_MINIMIZE_TAB);
    SetTimer(window, TIMER_ID, TIMER_PERIOD_MS, NULL);
    CreateProgressBar(window);
}

// The class's brush is the background as stored, for 96 DPI; at another DPI it is stretched.
static void SetBackground(HWND window)
{
    HINSTANCE instance = (HINSTANCE)GetWindowLongPtrA(window, GWLP_HINSTANCE);
    HBITMAP picture = LoadBitmapForDpi(instance, IDB_BACKGROUND, mainState.dpi);
    // The brush keeps a copy of the picture.
    HBRUSH brush = picture ? CreatePatternBrush(picture) : NULL;
    if (picture)
        DeleteObject(picture);
    if (brush)
        DeleteObject((HBRUSH)SetClassLongPtrA(window, GCLP_HBRBACKGROUND, (LONG_PTR)brush));
}

static void OnCreate(HWND window)
{
    MainState *state = &mainState;
    memset(state, 0, sizeof *state);
    state->window = window;
    SetBoxOwner(window);
    state->whiteBrush = CreateSolidBrush(RGB(255, 255, 255));
    state->dpi = WindowDpi(window);
    state->font = ControlFontForDpi(state->dpi);
    if (state->dpi != BASE_DPI)
        SetBackground(window);
    WatchTaskbarButton(&state->taskbar);
    BuildCatalogue(state->catalogue, &state->catalogueCount);
    ComputeWorkPaths(&state->paths);
    CreateControls(window, "");
    AddToolMenu(window);
    LoadState(state);
    // An earlier session's update may have left files beside the kept tool.
    state->keeping.leftoversWaiting = true;
}

static LRESULT OnStaticColour(HDC context, HWND control)
{
    switch (GetDlgCtrlID(control)) {
    case IDC_PROGRESS_FRAME:
    case IDC_STATUS:
        return (LRESULT)mainState.whiteBrush;
    case IDC_FORMAT_INFO:
        SetBkMode(context, TRANSPARENT);
        SetTextColor(context, RGB(96, 96, 96));
        return (LRESULT)mainState.whiteBrush;
    default:
        SetBkMode(context, TRANSPARENT);
        return (LRESULT)GetStockObject(NULL_BRUSH);
    }
}

// WM_DPICHANGED (the window moved to a screen of another DPI): the suggested rectangle,
// and every control, font and picture made anew for that DPI.
static void OnDpiChanged(HWND window, int dpi, const RECT *suggested)
{
    MainState *state = &mainState;
    HFONT previousFont = state->font;
    state->dpi = dpi;
    state->font = ControlFontForDpi(dpi);
    SetWindowPos(window, NULL, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    for (const ControlLayout &layout : CONTROLS_BEFORE_TIMER) {
        HWND control = GetDlgItem(window, layout.id);
        PlaceControl(control, &layout, dpi);
        if (layout.font == WITH_FONT)
            SendMessageA(control, WM_SETFONT, (WPARAM)state->font, TRUE);
    }
    SetPicture(GetDlgItem(window, IDC_ABOUT_TAB), IDB_ABOUT_TAB);
    SetPicture(GetDlgItem(window, IDC_MINIMIZE_TAB), IDB_MINIMIZE_TAB);
    PlaceControl(GetDlgItem(window, IDC_PROGRESS_FRAME), &PROGRESS_FRAME, dpi);
    SetPicture(ProgressFill(window), IDB_PROGRESS);
    ShowProgressFill(&state->progress, window, state->progress.fillWidth);
    SetBackground(window);
    InvalidateRect(window, NULL, TRUE);
    if (previousFont != state->font)
        DeleteObject(previousFont);
}

static void OnCommand(HWND window, WPARAM wParam, LPARAM lParam)
{
    // The window is disabled while a box is open, but posted commands still arrive.
    if (ModalOpen())
        return;
    EndTaskbarError(&mainState.taskbar, window);
    // A key stands for the button it names; 0 when it did its work or has none.
    wParam = ButtonOfKey(&mainState, wParam, lParam);
    // Push buttons act on a plain click only; the picture tabs on a click or a double click.
    switch (wParam) {
    case IDC_PASTE: PasteUrl(&mainState); return;
    case IDC_SAVE: SaveFile(&mainState); return;
    case IDC_START: OnStartButton(&mainState); return;
    case IDC_PAUSE: PauseDownload(&mainState); return;
    }
    switch (LOWORD(wParam)) {
    case IDC_ABOUT_TAB: OpenAboutBox(window); return;
    case IDC_MINIMIZE_TAB: ShowWindow(window, SW_MINIMIZE); return;
    }
}

// A close asked for while a box is open waits for the first tick after it.
static bool closePending;

static void OnClose()
{
    if (ModalOpen())
        closePending = true;
    else
        OnCloseRequest(&mainState);
}

static void OnTimer()
{
    OnTimerTick(&mainState);
    // The first tick comes when nothing else waits: the window is shown and idle.
    AcceptDropsOnceIdle(&mainState);
    if (closePending && !ModalOpen()) {
        closePending = false;
        OnCloseRequest(&mainState);
    }
}

// At logoff or shutdown the process ends after this, without WM_DESTROY.
static void OnSessionEnd(bool ending)
{
    if (ending)
        EndToolKeeping(&mainState);
    OnEndSession(&mainState, ending);
}

static void OnDestroyWindow()
{
    StopAcceptingDrops(&mainState);
    EndToolKeeping(&mainState);
    OnDestroy(&mainState);
    ReleaseTaskbar(&mainState.taskbar);
    DeleteObject(mainState.whiteBrush);
    DeleteObject(mainState.font);
}

// Deactivated, the window remembers the control that had the focus; activated (also when a
// box over it closes), it gives the focus back instead of keeping it itself.
static bool OnActivate(WPARAM wParam)
{
    if (LOWORD(wParam) == WA_INACTIVE) {
        RememberFocus(&mainState);
        return false;
    }
    if (HIWORD(wParam))
        return false;
    GiveFocusBack(&mainState);
    return true;
}

static bool OnSysCommand(HWND window, WPARAM wParam)
{
    int tab = TabOfMenuItem(wParam);
    if (tab) {
        OnCommand(window, (WPARAM)tab, 0);
        return true;
    }
    return OnToolMenuCommand(&mainState, wParam);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // A registered message, so no case of its own.
    if (message == mainState.taskbar.createdMessage && message != 0) {
        OnTaskbarButtonCreated(&mainState.taskbar);
        return 0;
    }
    switch (message) {
    case WM_CREATE: OnCreate(window); return 0;
    case WM_DESTROY: OnDestroyWindow(); return 0;
    case WM_CLOSE: OnClose(); return 0;
    case WM_ENDSESSION: OnSessionEnd(wParam != FALSE); return 0;
    case WM_COMMAND: OnCommand(window, wParam, lParam); return 0;
    case WM_TIMER: OnTimer(); return 0;
    case WM_CTLCOLORSTATIC: return OnStaticColour((HDC)wParam, (HWND)lParam);
    case WM_COPYDATA: return TakeHandedAddress(&mainState, (const COPYDATASTRUCT *)lParam);
    case WM_HANDED_ADDRESS: LoadHandedAddress(&mainState); return 0;
    case WM_DROPPED_ADDRESS: LoadDroppedText(&mainState); return 0;
    case WM_DPICHANGED: OnDpiChanged(window, HIWORD(wParam), (const RECT *)lParam); return 0;
    case WM_ACTIVATE:
        if (OnActivate(wParam))
            return 0;
        break;
    case WM_INITMENUPOPUP:
        if (HIWORD(lParam))
            UpdateToolMenu(&mainState, (HMENU)wParam);
        break;
    case WM_SYSCOMMAND:
        if (OnSysCommand(window, wParam))
            return 0;
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void LoadCommandLineAddress(const char *commandLine)
{
    LoadCommandLine(&mainState, commandLine);
}

void FocusAtStart()
{
    if (GetActiveWindow() == mainState.window)
        GiveFocusBack(&mainState);
}
