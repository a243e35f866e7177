// The About box: name, version and contact details, and a picture that opens the maker's page.
#include "ui/about.h"

#include "resources/resource.h"
#include "resources/version.h"
#include "toolbridge/alert.h"
#include "toolbridge/systemdll.h"
#include "ui/dpi.h"

enum { ABOUT_PICTURE_X = 260, ABOUT_PICTURE_Y = 30, ABOUT_PICTURE_SIZE = 128 };

void OpenAboutBox(HWND owner)
{
    HINSTANCE instance = (HINSTANCE)GetWindowLongPtrA(owner, GWLP_HINSTANCE);
    BeginModal();
    INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_ABOUT), owner,
                                     AboutDialogProc, 0);
    // 0 is a bad owner, -1 any other failure to open the box.
    if (result == 0 || result == -1)
        MessageBoxA(owner, "Failed 0x2!", NULL, MB_OK);
    EndModal();
}

// In pixels at 96 DPI, scaled as the box's text is.
static void CreatePicture(HWND dialog)
{
    HINSTANCE instance = (HINSTANCE)GetWindowLongPtrA(dialog, GWLP_HINSTANCE);
    int dpi = WindowDpi(dialog);
    int size = ScaleToDpi(ABOUT_PICTURE_SIZE, dpi);
    HWND picture = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_BITMAP | SS_NOTIFY,
                                   ScaleToDpi(ABOUT_PICTURE_X, dpi), ScaleToDpi(ABOUT_PICTURE_Y, dpi), size, size,
                                   dialog, (HMENU)IDC_ABOUT_PICTURE, instance, NULL);
    HBITMAP bitmap = LoadBitmapForDpi(instance, IDB_ABOUT_PICTURE, dpi);
    SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, (LPARAM)bitmap);
}

typedef HINSTANCE(WINAPI *ShellExecuteFunction)(HWND, const char *, const char *, const char *,
                                                const char *, INT);

static void OpenMakersPage(HWND dialog)
{
    // shell32 is loaded on the first click on the picture rather than on every start.
    ShellExecuteFunction shellExecute =
        (ShellExecuteFunction)(void (*)(void))SystemFunction("shell32.dll", "ShellExecuteA");
    // A shell that cannot be loaded fails like one that cannot open the page.
    HINSTANCE result = shellExecute ? shellExecute(dialog, "open", VIDMORA_WEBPAGE, NULL, NULL, SW_HIDE)
                                    : NULL;
    if ((INT_PTR)result <= 32)
        Alert("Failed 0x3!", "Alert", ALERT_WARNING);
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        CreatePicture(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: EndDialog(dialog, IDOK); break;
        case IDCANCEL: EndDialog(dialog, IDCANCEL); break;
        case IDC_ABOUT_PICTURE: OpenMakersPage(dialog); break;
        }
        DefWindowProcA(dialog, message, wParam, lParam);
        return TRUE;
    }
    return FALSE;
}
