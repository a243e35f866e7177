// Reads the tool's console title and shows its progress in the window.
#include "control/progress.h"

#include <string.h>

#include "resources/resource.h"

enum { CLASS_NAME_SIZE = 64 };

const char *ReadWindowText(ProgressText *progress, HWND window)
{
    char className[CLASS_NAME_SIZE];
    if (!GetClassNameA(window, className, sizeof className))
        className[0] = '\0';
    CharUpperA(className);
    memset(progress->windowText, 0, sizeof progress->windowText);
    // Edit and combo boxes hold their text in the parent's item 0, not in a title.
    if (strstr(className, "EDIT") || strstr(className, "BOX"))
        SendDlgItemMessageA(GetParent(window), 0, WM_GETTEXT, sizeof progress->windowText,
                            (LPARAM)progress->windowText);
    else
        GetWindowTextA(window, progress->windowText, sizeof progress->windowText);
    return progress->windowText;
}

void ShowProgressFill(ProgressText *progress, HWND mainWindow, int width)
{
    // The frame is the bar's scale: PROGRESS_BAR_WIDTH by PROGRESS_BAR_HEIGHT at 96 DPI.
    HWND frame = GetDlgItem(mainWindow, IDC_PROGRESS_FRAME);
    HWND fill = GetDlgItem(frame, IDC_PROGRESS_FILL);
    RECT outer;
    if (!GetWindowRect(frame, &outer))
        return;
    progress->fillWidth = width;
    SetWindowPos(fill, NULL, 0, 0, MulDiv(width, outer.right - outer.left, PROGRESS_BAR_WIDTH),
                 outer.bottom - outer.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

const char *FormatMergedProgress(ProgressText *progress, MergeProgress *merge, const char *title,
                                 HWND mainWindow)
{
    int width;
    const char *status = ComposeMergedProgress(progress, merge, title, &width);
    if (status)
        ShowProgressFill(progress, mainWindow, width);
    return status;
}

const char *FormatProgress(ProgressText *progress, const char *title, HWND mainWindow)
{
    int width;
    const char *status = ComposeProgress(progress, title, &width);
    // An unreadable title keeps the bar where the last readable one left it.
    if (status)
        ShowProgressFill(progress, mainWindow, width);
    return status;
}
