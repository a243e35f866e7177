// The main window: its class, its controls and its window procedure.
#pragma once
#include <windows.h>

#define MAIN_WINDOW_CLASS "Vidmora"
#define MAIN_WINDOW_TITLE "Parvex-Vidmora"

enum { MAIN_WINDOW_WIDTH = 480, MAIN_WINDOW_HEIGHT = 280 };

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Loads a page address given on the program's command line into the main window.
void LoadCommandLineAddress(const char *commandLine);

// Gives the focus to its first control once the window is shown and active.
void FocusAtStart();
