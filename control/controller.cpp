// Start, Stop, Pause and Continue, the 50 ms tick that follows the tool, and the closing sequence.
#include "control/controller.h"

#include "control/statewindow.h"
#include "resources/resource.h"
#include "ui/alert.h"

static const char START_CAPTION[] = "Start Download";
static const char STOP_CAPTION[] = "Stop Download";
static const char CONTINUE_CAPTION[] = "Continue";

static bool AskYesNo(MainState *state, const char *question)
{
    return MessageBoxA(state->window, question, "Vidmora", MB_YESNO | MB_ICONINFORMATION) == IDYES;
}

static void StartOrContinue(MainState *state)
{
    const AvailableFormat *format = SelectedFormatOf(&state->record);
    if (!format) {
        Alert("There is no format to download. Paste the address again.", "Alert", ALERT_WARNING);
        return;
    }
    // The boxes are limited to the record's fields, so these buffers hold their full texts.
    char destination[DESTINATION_SIZE];
    char address[ADDRESS_SIZE];
    GetDlgItemTextA(state->window, IDC_DEST_EDIT, destination, sizeof destination);
    GetDlgItemTextA(state->window, IDC_URL_EDIT, address, sizeof address);
    if (!StartDownload(&state->controller.child, &state->paths, destination, format->code, address))
        return;
    SetDlgItemTextA(state->window, IDC_START, STOP_CAPTION);
    state->controller.downloading = 1;
}

static void StopDownload(MainState *state)
{
    DownloadController *controller = &state->controller;
    if (!AskYesNo(state, "Do you want to stop downloading right now?"))
        return;
    // A tick may have ended the download while the question was open.
    if (controller->downloading == 1)
        EndDownload(&controller->child);
    DeleteUntilGone(state->paths.toolPath);
    DeleteUntilGone(controller->child.partPath);
    SetDlgItemTextA(state->window, IDC_START, START_CAPTION);
    controller->downloading = 0;
}

void OnStartButton(MainState *state)
{
    if (state->controller.downloading == 0)
        StartOrContinue(state);
    else
        StopDownload(state);
}

void PauseDownload(MainState *state)
{
    DownloadController *controller = &state->controller;
    if (controller->downloading != 1)
        return;
    EndDownload(&controller->child);
    DeleteUntilGone(state->paths.toolPath);
    SetDlgItemTextA(state->window, IDC_START, CONTINUE_CAPTION);
    controller->downloading = 0;
    controller->paused = 1;
}

// The first top-level window, in stacking order, of the tool or of its console host.
static HWND FindToolWindow(ChildProcess *child)
{
    DWORD owner = ConsoleOwnerOf(child);
    for (HWND window = GetTopWindow(NULL); window; window = GetWindow(window, GW_HWNDNEXT)) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == child->processId || (owner != 0 && process == owner))
            return window;
    }
    return NULL;
}

static void ShowFullBar(HWND mainWindow)
{
    HWND fill = GetDlgItem(GetDlgItem(mainWindow, IDC_PROGRESS_FRAME), IDC_PROGRESS_FILL);
    SetWindowPos(fill, NULL, 0, 0, PROGRESS_BAR_WIDTH, PROGRESS_BAR_HEIGHT,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

static void FinishDownload(MainState *state)
{
    DownloadController *controller = &state->controller;
    char destination[DESTINATION_SIZE];
    ReleaseDownload(&controller->child);
    GetDlgItemTextA(state->window, IDC_DEST_EDIT, destination, sizeof destination);
    DeleteUntilGone(state->paths.toolPath);
    HANDLE file = CreateFileA(destination, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        SetDlgItemTextA(state->window, IDC_STATUS, "Done 100%-Download Complete!");
        ShowFullBar(state->window);
    }
    SetDlgItemTextA(state->window, IDC_START, START_CAPTION);
    controller->downloading = 0;
    controller->missedTicks = 0;
}

static void EnableInputs(HWND window, BOOL enable)
{
    static const int inputs[] = {IDC_PASTE, IDC_URL_EDIT, IDC_SAVE, IDC_DEST_EDIT};
    for (int id : inputs)
        EnableWindow(GetDlgItem(window, id), enable);
}

static void FollowDownload(MainState *state)
{
    DownloadController *controller = &state->controller;
    HWND tool = FindToolWindow(&controller->child);
    if (tool) {
        const char *title = ReadWindowText(&state->progress, tool);
        SetControlText(state->window, IDC_STATUS, FormatProgress(&state->progress, title, state->window));
        controller->missedTicks = 0;
    } else if (CountMissedTick(&controller->missedTicks) &&
               !DownloadRunning(&controller->child)) {
        // A tool still running without a window we can see is not over yet.
        FinishDownload(state);
    }
    EnableWindow(GetDlgItem(state->window, IDC_PAUSE), TRUE);
    controller->paused = 0;
    EnableInputs(state->window, FALSE);
}

void OnTimerTick(MainState *state)
{
    DownloadController *controller = &state->controller;
    if (controller->downloading == 1) {
        FollowDownload(state);
        return;
    }
    EnableWindow(GetDlgItem(state->window, IDC_PAUSE), FALSE);
    if (controller->paused == 0) {
        EnableInputs(state->window, TRUE);
    } else {
        EnableInputs(state->window, FALSE);
        SetControlText(state->window, IDC_START, CONTINUE_CAPTION);
    }
}

void OnCloseRequest(MainState *state)
{
    if (state->controller.downloading == 1 &&
        !AskYesNo(state, "Program is in progress! Do you want to exit right now?"))
        return;
    DestroyWindow(state->window);
}

void OnDestroy(MainState *state)
{
    KillTimer(state->window, TIMER_ID);
    if (state->controller.downloading == 1)
        EndDownload(&state->controller.child);
    DeleteUntilGone(state->paths.toolPath);
    SaveState(state);
    PostQuitMessage(0);
}
