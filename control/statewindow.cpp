// Moves the state record into the window's boxes at start and back at exit.
#include "control/statewindow.h"

#include <stdio.h>
#include <string.h>

#include "resources/resource.h"
#include "toolbridge/alert.h"
#include "toolbridge/keptool.h"
#include "toolbridge/probereaders.h"
#include "toolbridge/textconv.h"

void LoadState(MainState *state)
{
    StateRecord *record = &state->record;
    if (ReadStateFile(state->paths.stateFilePath, record)) {
        // A record written before the program ran in UTF-8 holds legacy text.
        RecordTextToProcess(record->address, sizeof record->address);
        RecordTextToProcess(record->destination, sizeof record->destination);
        SetDlgItemTextA(state->window, IDC_URL_EDIT, record->address);
        SetDlgItemTextA(state->window, IDC_DEST_EDIT, record->destination);
        state->controller.paused = record->paused == 1 ? 1 : 0;
        // What the record cannot hold: which of its codes were picture or sound only.
        ReadFormatKinds(state->paths.probeOutPath, &state->told);
        state->listEntries = ReadListEntries(state->paths.probeOutPath);
        state->listChoice = state->listEntries > 0 ? ReadListChoice(&state->paths) : 0;
    } else {
        SetDefaultFormats(record);
    }
    // A record that names a folder keeps it; else the first destination is proposed.
    char destination[DESTINATION_SIZE];
    GetDlgItemTextA(state->window, IDC_DEST_EDIT, destination, sizeof destination);
    if (!strchr(destination, '\\') && DefaultDestination(&state->paths, destination, sizeof destination))
        SetDlgItemTextA(state->window, IDC_DEST_EDIT, destination);
    ShowSelectedFormat(state);
}

void SaveState(MainState *state)
{
    StateRecord *record = &state->record;
    GetDlgItemTextA(state->window, IDC_URL_EDIT, record->address, sizeof record->address);
    GetDlgItemTextA(state->window, IDC_DEST_EDIT, record->destination,
                    sizeof record->destination);
    record->paused = state->controller.paused == 1 ? 1 : 0;
    if (!WriteStateFile(state->paths.stateFilePath, record) || !WriteListChoice(&state->paths, state->listChoice))
        Alert("Failed to save the program's state!", "Alert", ALERT_WARNING);
}

void ShowSelectedFormat(MainState *state)
{
    const AvailableFormat *format = SelectedFormatOf(&state->record);
    state->description[0] = '\0';
    if (state->listChoice != 0)
        snprintf(state->description, sizeof state->description,
                 "All %d videos of the list, one after another, into the chosen folder as \"NN - title\":\n%s",
                 state->listEntries,
                 state->listChoice == LIST_FILTER_MP3 ? "the sound of each, as MP3" : "the best picture with sound of each");
    else if (format)
        DescribeOffered(state->description, format, state->catalogue, state->catalogueCount,
                        KeptAvailable(&state->paths, KIND_FFMPEG), &state->told);
    // The catalogue is Windows-1252 (code 37's en dash); the window shows the process's code page.
    char shown[FORMAT_TEXT_SIZE * 3];
    if (!FromWindows1252(state->description, shown, sizeof shown))
        snprintf(shown, sizeof shown, "%s", state->description);
    size_t used = strlen(shown);
    if (state->listEntries > 0 && state->listChoice == 0)
        snprintf(shown + used, sizeof shown - used, "\nIn a list of %d videos", state->listEntries);
    SetDlgItemTextA(state->window, IDC_FORMAT_INFO, shown);
}

void SetControlText(HWND window, int id, const char *text)
{
    char current[STATUS_TEXT_SIZE + 1];
    HWND control = GetDlgItem(window, id);
    GetWindowTextA(control, current, sizeof current);
    if (strcmp(current, text) != 0)
        SetWindowTextA(control, text);
}

void SetControlTextW(HWND window, int id, const wchar_t *text)
{
    wchar_t current[STATUS_TEXT_SIZE + 1];
    HWND control = GetDlgItem(window, id);
    GetWindowTextW(control, current, STATUS_TEXT_SIZE + 1);
    if (wcscmp(current, text) != 0)
        SetWindowTextW(control, text);
}
