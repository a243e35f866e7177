// Sizes for the screen's DPI: the 96-DPI layout, font and pictures scaled by DPI/96. The
// per-monitor functions Windows 7 lacks are loaded by name, with the system DPI in their place.
#pragma once
#include <windows.h>

enum { BASE_DPI = 96 };

// 96-DPI `pixels` at `dpi`, rounded to the nearest pixel.
int ScaleToDpi(int pixels, int dpi);

// The DPI of `window`'s monitor, or the system's where the system cannot tell.
int WindowDpi(HWND window);

// The system DPI: the one the stock font and the system metrics are made for.
int SystemDpi();

// The outer size of a window of `style` whose client area is that of a `width` by `height`
// window at 96 DPI, scaled to `dpi`: at 96 exactly `width` by `height`.
SIZE WindowSizeForDpi(int width, int height, DWORD style, DWORD exStyle, int dpi);

// The stock GUI font at the system DPI; at another DPI a font like it of that DPI's height,
// which the caller deletes (deleting the stock font does nothing).
HFONT ControlFontForDpi(int dpi);

// Bitmap resource `id` as stored, for 96 DPI; at another DPI stretched with HALFTONE to its
// size scaled.
HBITMAP LoadBitmapForDpi(HINSTANCE instance, int id, int dpi);
