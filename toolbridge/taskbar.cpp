// The taskbar button's progress and flash; ole32 and the shell's taskbar list are loaded at
// the first download, never at start-up.
#include "toolbridge/taskbar.h"

#include <shobjidl.h>

#include "toolbridge/systemdll.h"

typedef HRESULT(WINAPI *CreateInstanceFunction)(REFCLSID, LPUNKNOWN, DWORD, REFIID, void **);

static ITaskbarList3 *ListOf(const TaskbarButton *button)
{
    return (ITaskbarList3 *)button->list;
}

void WatchTaskbarButton(TaskbarButton *button)
{
    button->createdMessage = RegisterWindowMessageA("TaskbarButtonCreated");
    button->shownValue = -1;
}

void OnTaskbarButtonCreated(TaskbarButton *button)
{
    button->created = true;
    button->shownValue = -1;
}

static void MakeList(TaskbarButton *button)
{
    button->asked = true;
    CreateInstanceFunction createInstance =
        (CreateInstanceFunction)(void (*)(void))SystemFunction("ole32.dll", "CoCreateInstance");
    ITaskbarList3 *list = NULL;
    if (!createInstance || !InitializeOle() ||
        createInstance(CLSID_TaskbarList, NULL, CLSCTX_INPROC_SERVER, IID_ITaskbarList3, (void **)&list) != S_OK ||
        !list)
        return;
    if (list->HrInit() != S_OK) {
        list->Release();
        return;
    }
    button->list = list;
}

void BeginTaskbarProgress(TaskbarButton *button, HWND window)
{
    // Before the shell made the button, progress set on it would be lost.
    if (button->created && !button->asked)
        MakeList(button);
    ShowTaskbarState(button, window, TASKBAR_NORMAL);
}

void ShowTaskbarProgress(TaskbarButton *button, HWND window, int value, int total)
{
    ITaskbarList3 *list = ListOf(button);
    if (!list || value == button->shownValue || button->shown == TASKBAR_CLEAR)
        return;
    button->shownValue = value;
    list->SetProgressValue(window, (ULONGLONG)value, (ULONGLONG)total);
}

void ShowTaskbarState(TaskbarButton *button, HWND window, TaskbarState state)
{
    static const TBPFLAG FLAGS[] = {TBPF_NOPROGRESS, TBPF_NORMAL, TBPF_PAUSED, TBPF_ERROR};
    ITaskbarList3 *list = ListOf(button);
    if (!list || state == button->shown)
        return;
    button->shown = state;
    // Without progress the shell forgets the value: the next download tells it again,
    // even where it is the full bar the last one left.
    if (state == TASKBAR_CLEAR)
        button->shownValue = -1;
    list->SetProgressState(window, FLAGS[state]);
}

void EndTaskbarError(TaskbarButton *button, HWND window)
{
    if (button->shown == TASKBAR_ERROR)
        ShowTaskbarState(button, window, TASKBAR_CLEAR);
}

void FlashIfInBackground(HWND window)
{
    if (GetForegroundWindow() == window)
        return;
    FLASHWINFO flash = {sizeof flash, window, FLASHW_ALL | FLASHW_TIMERNOFG, 0, 0};
    FlashWindowEx(&flash);
}

void ReleaseTaskbar(TaskbarButton *button)
{
    ITaskbarList3 *list = ListOf(button);
    if (list)
        list->Release();
    button->list = NULL;
}
