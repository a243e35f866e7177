// The taskbar button (ITaskbarList3): a download's progress, paused and failed, and a flash
// when it ends while the person works elsewhere. Where the shell offers neither the button's
// message nor the interface (before Windows 7, and Wine), nothing shows and nothing breaks.
#pragma once
#include <windows.h>

enum TaskbarState { TASKBAR_CLEAR, TASKBAR_NORMAL, TASKBAR_PAUSED, TASKBAR_ERROR };

struct TaskbarButton {
    UINT createdMessage;  // TaskbarButtonCreated, registered at start
    bool created;         // the shell said it has made the button
    bool asked;           // the interface was asked for, once
    void *list;           // ITaskbarList3, or null
    int shownValue;       // of the last progress told; -1 for none
    TaskbarState shown;
};

// At window creation: the message the shell sends once it has made the button.
void WatchTaskbarButton(TaskbarButton *button);

// That message came (again, after the shell restarted): told afresh from now on.
void OnTaskbarButtonCreated(TaskbarButton *button);

// Before a download runs: the interface, made at the first one after the button exists,
// and the progress state.
void BeginTaskbarProgress(TaskbarButton *button, HWND window);

// `value` of `total`, told only when it changed.
void ShowTaskbarProgress(TaskbarButton *button, HWND window, int value, int total);

void ShowTaskbarState(TaskbarButton *button, HWND window, TaskbarState state);

// A failure shows until the next action: then cleared.
void EndTaskbarError(TaskbarButton *button, HWND window);

// Flashes the button until the window is activated, unless it is in the foreground.
void FlashIfInBackground(HWND window);

// At destruction.
void ReleaseTaskbar(TaskbarButton *button);
