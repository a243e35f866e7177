// Paste URL, the command-line address and Save File.
#include "ui/commands.h"

#include <windows.h>
#include <commdlg.h>
#include <stdlib.h>
#include <string.h>

#include "formats/filterlist.h"
#include "resources/resource.h"
#include "toolbridge/cmdline.h"
#include "toolbridge/probe.h"
#include "toolbridge/probereaders.h"
#include "ui/addresstext.h"
#include "ui/alert.h"
#include "ui/systemdll.h"

enum { SAVE_NAME_BUFFER_SIZE = 4096, CLIPBOARD_TEXT_SIZE = 4096 };

// The probe passes the address as one argument; what cannot be quoted is refused here.
static bool AcceptAddress(const char *address)
{
    if (strlen(address) >= ADDRESS_SIZE) {
        Alert("This address is too long.", "Alert", ALERT_WARNING);
        return false;
    }
    if (!IsPassableArgument(address)) {
        Alert("This address holds a double quote or a control character.\n"
              "It cannot be passed to the download tool safely.",
              "Alert", ALERT_WARNING);
        return false;
    }
    return true;
}

// The previous destination's directory followed by the tool's file name for the page,
// the name shortened (keeping its extension) when both would not fit a path.
static void ProposeDestination(MainState *state)
{
    char previous[DESTINATION_SIZE];
    char proposed[PATH_SIZE];
    GetDlgItemTextA(state->window, IDC_DEST_EDIT, previous, sizeof previous);
    char *directory = DirectoryOf(previous);
    char *title = ReadTitleFile(state->paths.probeToolPath);
    if (directory && title) {
        size_t used = strlen(directory);
        ShortenFileName(title, used < PATH_SIZE - 1 ? PATH_SIZE - 1 - used : 0);
        bool fits = JoinText(proposed, sizeof proposed, directory, title);
        SetDlgItemTextA(state->window, IDC_DEST_EDIT, fits ? proposed : directory);
    }
    free(directory);
    free(title);
}

void LoadAddress(MainState *state, const char *address)
{
    if (!AcceptAddress(address))
        return;
    SetDlgItemTextA(state->window, IDC_URL_EDIT, address);
    RunProbe(state->paths.probeToolPath, address);
    ProposeDestination(state);
    ReadFormatFile(state->paths.probeToolPath, state->record.formats, &state->record.formatCount);
    state->record.selectedFormat = 1;
    ShowSelectedFormat(state);
}

void LoadCommandLine(MainState *state, const char *commandLine)
{
    char address[ADDRESS_SIZE];
    if (!CleanAddress(address, sizeof address, commandLine)) {
        Alert("This address is too long.", "Alert", ALERT_WARNING);
        return;
    }
    if (address[0] != '\0')
        LoadAddress(state, address);
}

// Copies the clipboard's text; false when it holds none.
static bool CopyClipboardText(char *text, size_t size)
{
    if (!OpenClipboard(NULL))
        return false;
    bool copied = false;
    HANDLE data = GetClipboardData(CF_TEXT);
    const char *locked = data ? (const char *)GlobalLock(data) : NULL;
    if (locked) {
        lstrcpynA(text, locked, (int)size);
        GlobalUnlock(data);
        copied = true;
    }
    CloseClipboard();
    return copied;
}

void PasteUrl(MainState *state)
{
    static char pasted[CLIPBOARD_TEXT_SIZE];
    char address[ADDRESS_SIZE];
    // With no text on the clipboard there is nothing to load, as with an empty paste.
    if (!CopyClipboardText(pasted, sizeof pasted))
        return;
    if (!CleanAddress(address, sizeof address, pasted)) {
        Alert("This address is too long.", "Alert", ALERT_WARNING);
        return;
    }
    if (address[0] != '\0')
        LoadAddress(state, address);
}

typedef BOOL(WINAPI *SaveDialogFunction)(OPENFILENAMEA *);

void SaveFile(MainState *state)
{
    // comdlg32 is loaded on the first Save File rather than on every start.
    SaveDialogFunction showSaveDialog =
        (SaveDialogFunction)(void (*)(void))SystemFunction("comdlg32.dll", "GetSaveFileNameA");
    if (!showSaveDialog) {
        Alert("Failed to load comdlg32.dll!", "Alert", ALERT_ERROR);
        return;
    }
    char *fileName = (char *)calloc(SAVE_NAME_BUFFER_SIZE, 1);
    FilterEntries entries;
    char *filters = BuildFilterList(state->record.formats, state->record.formatCount,
                                    state->catalogue, state->catalogueCount, &entries);
    if (!fileName || !filters) {
        free(fileName);
        free(filters);
        return;
    }
    GetDlgItemTextA(state->window, IDC_DEST_EDIT, fileName, SAVE_NAME_BUFFER_SIZE);
    OPENFILENAMEA dialog;
    memset(&dialog, 0, sizeof dialog);
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = state->window;
    dialog.lpstrFilter = filters;
    // Filters skip codes the catalogue does not know, so positions are mapped both ways.
    dialog.nFilterIndex = FilterOfRecord(&entries, state->record.selectedFormat);
    dialog.lpstrFile = fileName;
    dialog.nMaxFile = PATH_SIZE;
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_FILEMUSTEXIST;
    dialog.lpstrDefExt = "All File";
    if (showSaveDialog(&dialog)) {
        SetDlgItemTextA(state->window, IDC_DEST_EDIT, fileName);
        int record = RecordOfFilter(&entries, (int)dialog.nFilterIndex);
        if (record > 0)
            state->record.selectedFormat = record;
        ShowSelectedFormat(state);
    }
    free(fileName);
    free(filters);
}
