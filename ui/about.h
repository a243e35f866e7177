// The About box.
#pragma once
#include <windows.h>

// Opens the modal About box owned by `owner`.
void OpenAboutBox(HWND owner);

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
