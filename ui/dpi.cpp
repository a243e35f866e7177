// Sizes for the screen's DPI, with the functions of Windows 10 loaded by name.
#include "ui/dpi.h"

typedef UINT(WINAPI *WindowDpiFunction)(HWND);
typedef BOOL(WINAPI *AdjustForDpiFunction)(RECT *, DWORD, BOOL, DWORD, UINT);

// user32 is loaded already; only the functions Windows 7 and 8 lack are looked up.
static FARPROC User32Function(const char *name)
{
    HMODULE user32 = GetModuleHandleA("user32.dll");
    return user32 ? GetProcAddress(user32, name) : NULL;
}

int ScaleToDpi(int pixels, int dpi)
{
    return MulDiv(pixels, dpi, BASE_DPI);
}

int SystemDpi()
{
    HDC screen = GetDC(NULL);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : BASE_DPI;
    if (screen)
        ReleaseDC(NULL, screen);
    return dpi > 0 ? dpi : BASE_DPI;
}

int WindowDpi(HWND window)
{
    WindowDpiFunction windowDpi = (WindowDpiFunction)(void (*)(void))User32Function("GetDpiForWindow");
    UINT dpi = windowDpi ? windowDpi(window) : 0;
    return dpi > 0 ? (int)dpi : SystemDpi();
}

SIZE WindowSizeForDpi(int width, int height, DWORD style, DWORD exStyle, int dpi)
{
    AdjustForDpiFunction adjust = (AdjustForDpiFunction)(void (*)(void))User32Function("AdjustWindowRectExForDpi");
    SIZE size = {ScaleToDpi(width, dpi), ScaleToDpi(height, dpi)};
    // Without the per-monitor frame sizes (Windows 7 and 8), the frame scales with the rest.
    RECT frame96 = {0, 0, 0, 0}, frame = {0, 0, 0, 0};
    if (!adjust || !adjust(&frame96, style, FALSE, exStyle, BASE_DPI) || !adjust(&frame, style, FALSE, exStyle, dpi))
        return size;
    // The client area at 96 DPI is what the frame leaves of the outer size.
    int frameWidth96 = frame96.right - frame96.left, frameHeight96 = frame96.bottom - frame96.top;
    size.cx = ScaleToDpi(width - frameWidth96, dpi) + frame.right - frame.left;
    size.cy = ScaleToDpi(height - frameHeight96, dpi) + frame.bottom - frame.top;
    return size;
}

HFONT ControlFontForDpi(int dpi)
{
    HFONT stock = (HFONT)GetStockObject(DEFAULT_GUI_FONT);
    int systemDpi = SystemDpi();
    LOGFONTA font;
    if (dpi == systemDpi || GetObjectA(stock, sizeof font, &font) != sizeof font)
        return stock;
    font.lfHeight = MulDiv(font.lfHeight, dpi, systemDpi);
    font.lfWidth = MulDiv(font.lfWidth, dpi, systemDpi);
    HFONT made = CreateFontIndirectA(&font);
    return made ? made : stock;
}

HBITMAP LoadBitmapForDpi(HINSTANCE instance, int id, int dpi)
{
    HBITMAP stored = LoadBitmapA(instance, MAKEINTRESOURCEA(id));
    BITMAP info;
    if (dpi == BASE_DPI || !stored || GetObjectA(stored, sizeof info, &info) != sizeof info)
        return stored;
    int width = ScaleToDpi(info.bmWidth, dpi), height = ScaleToDpi(info.bmHeight, dpi);
    HDC screen = GetDC(NULL);
    HDC from = CreateCompatibleDC(screen), to = CreateCompatibleDC(screen);
    HBITMAP scaled = CreateCompatibleBitmap(screen, width, height);
    if (from && to && scaled) {
        HGDIOBJ oldFrom = SelectObject(from, stored), oldTo = SelectObject(to, scaled);
        SetStretchBltMode(to, HALFTONE);
        // HALFTONE needs the brush origin set after the mode.
        SetBrushOrgEx(to, 0, 0, NULL);
        StretchBlt(to, 0, 0, width, height, from, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
        SelectObject(from, oldFrom);
        SelectObject(to, oldTo);
    }
    if (from)
        DeleteDC(from);
    if (to)
        DeleteDC(to);
    ReleaseDC(NULL, screen);
    if (!scaled)
        return stored;
    DeleteObject(stored);
    return scaled;
}
