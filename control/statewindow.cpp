// Moves the state record into the window's boxes at start and back at exit.
#include "control/statewindow.h"

#include "resources/resource.h"
#include "ui/alert.h"

void LoadState(MainState *state)
{
    StateRecord *record = &state->record;
    if (ReadStateFile(state->paths.stateFilePath, record)) {
        SetDlgItemTextA(state->window, IDC_URL_EDIT, record->address);
        SetDlgItemTextA(state->window, IDC_DEST_EDIT, record->destination);
        state->controller.paused = record->paused == 1 ? 1 : 0;
    } else {
        // The boxes keep the texts they were created with.
        SetDefaultFormats(record);
    }
    ShowSelectedFormat(state);
}

void SaveState(MainState *state)
{
    StateRecord *record = &state->record;
    GetDlgItemTextA(state->window, IDC_URL_EDIT, record->address, sizeof record->address);
    GetDlgItemTextA(state->window, IDC_DEST_EDIT, record->destination,
                    sizeof record->destination);
    record->paused = state->controller.paused == 1 ? 1 : 0;
    if (!WriteStateFile(state->paths.stateFilePath, record))
        Alert("Failed to save the program's state!", "Alert", ALERT_WARNING);
}
