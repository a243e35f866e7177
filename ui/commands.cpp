// Paste URL, the command-line address, an address typed or dropped, and Save File.
#include "ui/commands.h"

#include <windows.h>
#include <commdlg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "control/controller.h"
#include "control/loading.h"
#include "control/statewindow.h"
#include "formats/filterlist.h"
#include "resources/resource.h"
#include "toolbridge/cmdline.h"
#include "toolbridge/probe.h"
#include "toolbridge/keptool.h"
#include "toolbridge/probereaders.h"
#include "toolbridge/textconv.h"
#include "toolbridge/textrules.h"
#include "toolbridge/toolwords.h"
#include "ui/addresstext.h"
#include "ui/droptarget.h"
#include "ui/instance.h"
#include "toolbridge/alert.h"
#include "toolbridge/systemdll.h"

enum { SAVE_NAME_BUFFER_SIZE = 4096, CLIPBOARD_TEXT_SIZE = 4096 };

// The probe passes the address as one argument; what cannot be quoted is refused here.
static bool AcceptAddress(const char *address)
{
    if (strlen(address) >= ADDRESS_SIZE) {
        Alert("This address is too long.", "Alert", ALERT_WARNING);
        return false;
    }
    // Every command line puts "--" before the address; this also tells the person why.
    if (address[0] == '-') {
        Alert("This address begins with '-'.\n"
              "The download tool would read it as an option, so it is not passed on.",
              "Alert", ALERT_WARNING);
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

void LoadAddress(MainState *state, const char *address)
{
    if (ToolBusy(state) || !AcceptAddress(address))
        return;
    StartLoading(state, address);
}

void LoadCommandLine(MainState *state, const char *commandLine)
{
    char address[ADDRESS_SIZE];
    if (!CleanAddress(address, sizeof address, commandLine)) {
        Alert("This address is too long.", "Alert", ALERT_WARNING);
        return;
    }
    // A paused download would be replaced by the new page, and its parts left behind.
    if (address[0] != '\0' && !ToolBusy(state) && AcceptAddress(address) && DropPausedDownload(state))
        StartLoading(state, address);
}

// The second start waits for WM_COPYDATA's answer: the address is loaded after it, so a
// box shown meanwhile never keeps that start waiting.
static char handedAddress[ADDRESS_SIZE];

bool TakeHandedAddress(MainState *state, const COPYDATASTRUCT *data)
{
    if (data->dwData != HANDED_ADDRESS_TAG || !data->lpData || data->cbData == 0 ||
        data->cbData > sizeof handedAddress || !memchr(data->lpData, '\0', data->cbData))
        return false;
    memcpy(handedAddress, data->lpData, data->cbData);
    PostMessageA(state->window, WM_HANDED_ADDRESS, 0, 0);
    return true;
}

void LoadHandedAddress(MainState *state)
{
    if (ModalOpen() || ToolBusy(state) || state->controller.downloading == 1) {
        Alert("Vidmora is busy; paste the address again when it has finished.", "Alert", ALERT_WARNING);
        return;
    }
    LoadCommandLine(state, handedAddress);
}

bool TakesAnAddress(const MainState *state)
{
    return !ModalOpen() && !ToolBusy(state) && state->controller.downloading == 0 && state->controller.paused == 0 &&
           IsWindowEnabled(GetDlgItem(state->window, IDC_PASTE));
}

// Another program's block of UTF-16 text as process text; false when it holds none. Nothing
// promises a NUL in it: it is read no further than its own size, nor than our buffer.
static bool CopyWideBlock(HANDLE data, char *text, size_t size)
{
    static wchar_t wide[CLIPBOARD_TEXT_SIZE];
    const wchar_t *locked = data ? (const wchar_t *)GlobalLock(data) : NULL;
    if (!locked)
        return false;
    size_t limit = GlobalSize(data) / sizeof(wchar_t), length = 0;
    while (length < limit && length + 1 < CLIPBOARD_TEXT_SIZE && locked[length])
        length++;
    memcpy(wide, locked, length * sizeof(wchar_t));
    wide[length] = L'\0';
    GlobalUnlock(data);
    return WideToProcess(wide, text, size);
}

// Copies the clipboard's text; false when it holds none. Its Unicode text first: the
// system makes the plain text from the clipboard's locale, not from our code page, so an
// address with other characters would be lost in it.
static bool CopyClipboardText(char *text, size_t size)
{
    if (!OpenClipboard(NULL))
        return false;
    bool copied = CopyWideBlock(GetClipboardData(CF_UNICODETEXT), text, size);
    HANDLE data = copied ? NULL : GetClipboardData(CF_TEXT);
    const char *bytes = data ? (const char *)GlobalLock(data) : NULL;
    if (bytes && size > 0) {
        size_t limit = GlobalSize(data), length = 0;
        while (length < limit && length + 1 < size && bytes[length])
            length++;
        memcpy(text, bytes, length);
        text[length] = '\0';
        GlobalUnlock(data);
        copied = true;
    }
    CloseClipboard();
    return copied;
}

// Text from the clipboard, the address box or a drop, loaded as an address.
static void LoadGivenText(MainState *state, const char *text)
{
    char address[ADDRESS_SIZE];
    if (!CleanAddress(address, sizeof address, text)) {
        Alert("This address is too long.", "Alert", ALERT_WARNING);
        return;
    }
    if (address[0] != '\0')
        LoadAddress(state, address);
}

void PasteUrl(MainState *state)
{
    static char pasted[CLIPBOARD_TEXT_SIZE];
    // With no text on the clipboard there is nothing to load, as with an empty paste.
    if (CopyClipboardText(pasted, sizeof pasted))
        LoadGivenText(state, pasted);
}

void LoadTypedAddress(MainState *state)
{
    char typed[ADDRESS_SIZE];
    if (!TakesAnAddress(state) || !IsWindowEnabled(GetDlgItem(state->window, IDC_URL_EDIT)))
        return;
    GetDlgItemTextA(state->window, IDC_URL_EDIT, typed, sizeof typed);
    LoadGivenText(state, typed);
}

// Taken while the drop's source waits, loaded after it has its answer, as a handed address.
static char droppedText[CLIPBOARD_TEXT_SIZE];

bool TakeDroppedText(MainState *state, HANDLE data)
{
    if (!CopyWideBlock(data, droppedText, sizeof droppedText))
        return false;
    PostMessageA(state->window, WM_DROPPED_ADDRESS, 0, 0);
    return true;
}

void LoadDroppedText(MainState *state)
{
    EndTaskbarError(&state->taskbar, state->window);
    // The window may have become busy since the drop was offered.
    if (TakesAnAddress(state))
        LoadGivenText(state, droppedText);
}

typedef BOOL(WINAPI *SaveDialogFunction)(OPENFILENAMEA *);

// What the save dialog's hook needs to know of the filters it shows.
static struct {
    const FilterEntries *entries;
    const StateRecord *record;
} shownFilters;

static bool IsMp3Filter(int filterPosition)
{
    int record = RecordOfFilter(shownFilters.entries, filterPosition);
    return record > 0 && IsMp3Record(&shownFilters.record->formats[record - 1]);
}

// An MP3 is saved as one whatever extension was typed: the dialog says so before it takes it.
static UINT_PTR CALLBACK SaveDialogHook(HWND hook, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_NOTIFY || ((NMHDR *)lParam)->code != CDN_FILEOK)
        return 0;
    const OPENFILENAMEA *dialog = ((OFNOTIFYA *)lParam)->lpOFN;
    char renamed[PATH_SIZE], text[PATH_SIZE + 100];
    snprintf(renamed, sizeof renamed, "%s", dialog->lpstrFile);
    if (!IsMp3Filter((int)dialog->nFilterIndex) || !ReplaceExtension(renamed, sizeof renamed, MP3_EXTENSION))
        return 0;
    const char *slash = LastBackslash(renamed, TextCodePage());
    snprintf(text, sizeof text, "The sound is converted to MP3, so it is saved as %s.", slash ? slash + 1 : renamed);
    if (MessageBoxA(GetParent(hook), text, "Vidmora", MB_OKCANCEL | MB_ICONINFORMATION) == IDOK)
        return 0;
    SetWindowLongPtrA(hook, DWLP_MSGRESULT, 1);
    return 1;
}

void SaveFile(MainState *state)
{
    if (ToolBusy(state))
        return;
    // comdlg32 is loaded on the first Save File rather than on every start.
    SaveDialogFunction showSaveDialog =
        (SaveDialogFunction)(void (*)(void))SystemFunction("comdlg32.dll", "GetSaveFileNameA");
    if (!showSaveDialog) {
        Alert("Failed to load comdlg32.dll!", "Alert", ALERT_ERROR);
        return;
    }
    char *fileName = (char *)calloc(SAVE_NAME_BUFFER_SIZE, 1);
    FilterEntries entries;
    // The list as MP3 where each entry can be converted, as a row's MP3 (which says so).
    bool mp3 = false;
    for (int i = 0; i < state->record.formatCount && i < MAX_AVAILABLE_FORMATS; i++)
        mp3 = mp3 || IsMp3Record(&state->record.formats[i]);
    ListOffer list = {state->listEntries, mp3};
    char *catalogueFilters = BuildFilterList(state->record.formats, state->record.formatCount,
                                             state->catalogue, state->catalogueCount, &entries,
                                             KeptAvailable(&state->paths, KIND_FFMPEG), &state->told, &list);
    // The catalogue's texts are Windows-1252; the dialog reads the process's code page.
    char *filters = catalogueFilters ? FilterBlockFromWindows1252(catalogueFilters, FilterListSize(catalogueFilters))
                                     : NULL;
    free(catalogueFilters);
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
    // One filter per offered record; the mapping keeps positions and records apart all the same.
    dialog.nFilterIndex = FilterOfRecord(&entries, state->listChoice ? state->listChoice : state->record.selectedFormat);
    dialog.lpstrFile = fileName;
    dialog.nMaxFile = PATH_SIZE;
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_ENABLEHOOK;
    dialog.lpfnHook = SaveDialogHook;
    shownFilters.entries = &entries;
    shownFilters.record = &state->record;
    dialog.lpstrDefExt = "All File";
    BeginModal();
    bool chosen = showSaveDialog(&dialog);
    EndModal();
    if (chosen) {
        int record = RecordOfFilter(&entries, (int)dialog.nFilterIndex);
        if (IsMp3Filter((int)dialog.nFilterIndex))
            ReplaceExtension(fileName, PATH_SIZE, MP3_EXTENSION);
        // A whole list goes into the chosen file's folder, named by the tool.
        char *slash = record < 0 ? (char *)LastBackslash(fileName, TextCodePage()) : NULL;
        if (slash)
            slash[1] = '\0';
        SetDlgItemTextA(state->window, IDC_DEST_EDIT, fileName);
        state->listChoice = record < 0 ? record : 0;
        if (record > 0)
            state->record.selectedFormat = record;
        ShowSelectedFormat(state);
        SaveState(state);
    }
    free(fileName);
    free(filters);
}
