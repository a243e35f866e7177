// Paste URL, the command-line address and Save File.
#include "ui/commands.h"

#include <windows.h>
#include <commdlg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "control/controller.h"
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

// Shown while the tool reads the page; wide, so the ellipsis shows in any code page.
static const wchar_t READING_STATUS[] = L"Reading the page\u2026";

// The previous destination's directory followed by the tool's file name for the page,
// the name shortened (keeping its extension) when both would not fit a path.
static void ProposeDestination(MainState *state, char *title)
{
    char previous[DESTINATION_SIZE];
    char proposed[PATH_SIZE];
    GetDlgItemTextA(state->window, IDC_DEST_EDIT, previous, sizeof previous);
    char *directory = DirectoryOf(previous);
    if (directory) {
        size_t used = strlen(directory);
        ShortenFileName(title, used < PATH_SIZE - 1 ? PATH_SIZE - 1 - used : 0);
        bool fits = JoinText(proposed, sizeof proposed, directory, title);
        SetDlgItemTextA(state->window, IDC_DEST_EDIT, fits ? proposed : directory);
    }
    free(directory);
}

static void AppendSentence(char *message, size_t size, const char *text)
{
    size_t used = strlen(message);
    snprintf(message + used, size - used, "%s%s", used ? "\n\n" : "", text);
}

// Tells in one message why the page gave nothing: a run that hung, a run that failed with
// the tool's own words, or both.
static void ReportProbeFailure(MainState *state)
{
    const ProbeRun *probe = &state->probe;
    char message[512 + TOOL_WORDS_SIZE] = "";
    if (probe->timedOut)
        AppendSentence(message, sizeof message, "The download tool did not answer within 90 seconds.");
    // A run that could not start was reported when it failed to start.
    const ToolTask *failed = NULL;
    if (probe->title.exitCode != 0 && probe->title.exitCode != PROBE_NOT_RUN)
        failed = &probe->title;
    else if (probe->formats.exitCode != 0 && probe->formats.exitCode != PROBE_NOT_RUN)
        failed = &probe->formats;
    if (failed) {
        char sentence[96];
        snprintf(sentence, sizeof sentence, "The download tool could not read this page (exit code %lu).",
                 (unsigned long)failed->exitCode);
        AppendSentence(message, sizeof message, sentence);
        char words[TOOL_WORDS_SIZE], shown[TOOL_WORDS_SIZE];
        if (ReadToolWords(failed->errPath, words, sizeof words)) {
            ToolTextToProcess(words, failed->askedUtf8, shown, sizeof shown);
            AppendSentence(message, sizeof message, shown);
        }
        AppendSentence(message, sizeof message,
                       "If this page worked before, the site may have changed: update the download "
                       "tool from the window menu.");
    }
    if (message[0])
        Alert(message, "Alert", ALERT_WARNING);
}

// The probe is over: the window takes the file name and the formats it left.
static void FinishLoad(MainState *state)
{
    StateRecord *record = &state->record;
    SetDlgItemTextA(state->window, IDC_STATUS, "");
    char *title = ReadTitleFile(state->paths.probeOutPath);
    if (title)
        title = ToolStringToProcess(title, state->probe.title.askedUtf8);
    if (title) {
        // An empty file is a failed run; an empty name (".mp4") a title the tool could not write.
        char name[PATH_SIZE];
        size_t length = CharacterCut(title, strlen(title), sizeof name - 1, TextCodePage());
        memcpy(name, title, length);
        name[length] = '\0';
        if (title[0])
            TidyFileName(name, sizeof name);
        ProposeDestination(state, name);
    }
    // Most sites name their formats by words, not numbers; the tool then picks the best one.
    if (ReadFormatFile(state->paths.probeOutPath, record->formats, &record->formatCount) &&
        record->formatCount == 0 && state->probe.formats.exitCode == 0)
        OfferBestFormat(record->formats, &record->formatCount, title ? title : "");
    free(title);
    // With ffmpeg the best picture with sound is a merged one; the name takes its container.
    char destination[DESTINATION_SIZE];
    GetDlgItemTextA(state->window, IDC_DEST_EDIT, destination, sizeof destination);
    if (FfmpegAvailable(&state->paths) &&
        PutBestMergedFirst(record->formats, record->formatCount, state->catalogue, state->catalogueCount) &&
        ReplaceExtension(destination, sizeof destination, MergedExtension(&record->formats[0])))
        SetDlgItemTextA(state->window, IDC_DEST_EDIT, destination);
    record->selectedFormat = 1;
    ShowSelectedFormat(state);
    ShowIdleControls(state);
    SaveState(state);
    ReportProbeFailure(state);
}

void LoadAddress(MainState *state, const char *address)
{
    if (ToolBusy(state) || !AcceptAddress(address))
        return;
    SetDlgItemTextA(state->window, IDC_URL_EDIT, address);
    SetDlgItemTextW(state->window, IDC_STATUS, READING_STATUS);
    ProbeOutcome outcome = StartProbe(&state->probe, &state->paths, address);
    ShowIdleControls(state);
    // Without a tool copy nothing ran, so the page's destination and formats stay.
    if (outcome == PROBE_NOT_STARTED)
        SetDlgItemTextA(state->window, IDC_STATUS, "");
    else if (outcome != PROBE_RUNNING)
        FinishLoad(state);
}

void FollowAddressProbe(MainState *state)
{
    // While a box is open the probe waits: the code behind the box may be in the middle of it.
    if (!ProbeRunning(&state->probe) || ModalOpen())
        return;
    ProbeOutcome outcome = FollowProbe(&state->probe, &state->paths);
    if (outcome != PROBE_RUNNING)
        FinishLoad(state);
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

// Copies the clipboard's text; false when it holds none. Its Unicode text first: the
// system makes the plain text from the clipboard's locale, not from our code page, so an
// address with other characters would be lost in it. Another program may put a block there
// without a NUL: each is read no further than its own size.
static bool CopyClipboardText(char *text, size_t size)
{
    static wchar_t wide[CLIPBOARD_TEXT_SIZE];
    if (!OpenClipboard(NULL))
        return false;
    bool copied = false;
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const wchar_t *locked = data ? (const wchar_t *)GlobalLock(data) : NULL;
    if (locked) {
        size_t limit = GlobalSize(data) / sizeof(wchar_t), length = 0;
        while (length < limit && length + 1 < CLIPBOARD_TEXT_SIZE && locked[length])
            length++;
        memcpy(wide, locked, length * sizeof(wchar_t));
        wide[length] = L'\0';
        GlobalUnlock(data);
        copied = WideToProcess(wide, text, size);
    }
    data = copied ? NULL : GetClipboardData(CF_TEXT);
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
    char *catalogueFilters = BuildFilterList(state->record.formats, state->record.formatCount,
                                             state->catalogue, state->catalogueCount, &entries,
                                             FfmpegAvailable(&state->paths));
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
    dialog.nFilterIndex = FilterOfRecord(&entries, state->record.selectedFormat);
    dialog.lpstrFile = fileName;
    dialog.nMaxFile = PATH_SIZE;
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_FILEMUSTEXIST;
    dialog.lpstrDefExt = "All File";
    BeginModal();
    bool chosen = showSaveDialog(&dialog);
    EndModal();
    if (chosen) {
        SetDlgItemTextA(state->window, IDC_DEST_EDIT, fileName);
        int record = RecordOfFilter(&entries, (int)dialog.nFilterIndex);
        if (record > 0)
            state->record.selectedFormat = record;
        ShowSelectedFormat(state);
        SaveState(state);
    }
    free(fileName);
    free(filters);
}
