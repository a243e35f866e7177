// Start, Stop, Pause and Continue, the 50 ms tick that follows the tool, and the closing sequence.
#include "control/controller.h"

#include <stdio.h>
#include <string.h>

#include "control/focus.h"
#include "control/keeping.h"
#include "control/loading.h"
#include "control/preparing.h"
#include "control/statewindow.h"
#include "resources/resource.h"
#include "toolbridge/alert.h"
#include "toolbridge/keptool.h"
#include "toolbridge/cmdline.h"
#include "toolbridge/paths.h"
#include "toolbridge/signin.h"
#include "toolbridge/taskbar.h"
#include "toolbridge/textconv.h"
#include "toolbridge/textrules.h"
#include "toolbridge/toolwords.h"

static const char START_CAPTION[] = "Start Download";
static const char STOP_CAPTION[] = "Stop Download";
static const char CONTINUE_CAPTION[] = "Continue";

// Wide, so the ellipsis shows in any code page.
static const wchar_t MERGING_STATUS[] = L"Merging picture and sound\u2026";
static const wchar_t CONVERTING_STATUS[] = L"Converting to MP3\u2026";

static const char *FileNameOf(const char *path)
{
    const char *slash = LastBackslash(path, TextCodePage());
    return slash ? slash + 1 : path;
}

// Whether a fresh download may start on `destination`: none of the files it would take as its
// own, done already, is there (the tools skip such a file, and the run would be told as done,
// or an MP3 made of a file that is not the page's), or the person lets them go to the Recycle
// Bin. `stemTemplate`: the tool names the file, so any "STEM.EXT" counts.
static bool MayTakeOver(const char *destination, bool stemTemplate)
{
    char names[2048];
    int count = FindFilesTheRunMayTake(destination, stemTemplate, names, sizeof names);
    if (count == 0)
        return true;
    char text[DESTINATION_SIZE + sizeof names + 200];
    if (count == 1) {
        snprintf(text, sizeof text, "%s already exists. Replace it?", names);
    } else {
        size_t used = (size_t)snprintf(text, sizeof text, "These files are already there, and the download "
                                                           "would take them as its own:\n");
        for (const char *name = names; *name && used < sizeof text; name += strlen(name) + 1)
            used += (size_t)snprintf(text + used, sizeof text - used, "\n%s", name);
        if (used < sizeof text)
            snprintf(text + used, sizeof text - used, "%s\n\nReplace them?",
                     count > 12 ? "\n\u2026" : "");
    }
    if (!AskYesNo(text))
        return false;
    const char *slash = LastBackslash(destination, TextCodePage());
    size_t folderLength = slash ? (size_t)(slash + 1 - destination) : 0;
    for (const char *name = names; *name; name += strlen(name) + 1) {
        char path[PART_PATH_SIZE];
        unsigned long error;
        snprintf(path, sizeof path, "%.*s%s", (int)folderLength, destination, name);
        if (RecycleFile(path, &error))
            continue;
        snprintf(text, sizeof text, "%s could not be moved to the Recycle Bin (error %lu), so nothing was started.",
                 name, error);
        Alert(text, "Alert", ALERT_WARNING);
        return false;
    }
    return true;
}

void StartOrContinue(MainState *state)
{
    DownloadController *controller = &state->controller;
    // The build's own ffmpeg and runtime are written first; the download starts after them.
    if (PrepareFirst(state, PENDING_DOWNLOAD))
        return;
    bool list = state->listChoice != 0;
    const AvailableFormat *format = SelectedFormatOf(&state->record);
    if (!format && !list) {
        Alert("There is no format to download. Paste the address again.", "Alert", ALERT_WARNING);
        return;
    }
    // The boxes are limited to the record's fields, so these buffers hold their full texts.
    char destination[DESTINATION_SIZE];
    char address[ADDRESS_SIZE];
    char archive[PATH_SIZE];
    GetDlgItemTextA(state->window, IDC_DEST_EDIT, destination, sizeof destination);
    GetDlgItemTextA(state->window, IDC_URL_EDIT, address, sizeof address);
    // The tool runs in a folder of its own: a name typed without a folder means ours.
    if (MakeAbsolute(destination, sizeof destination))
        SetDlgItemTextA(state->window, IDC_DEST_EDIT, destination);
    ToolIdentityOf(&state->paths, controller->toolIdentity, sizeof controller->toolIdentity);
    controller->refused = RefusedOptionsOf(&state->paths, controller->toolIdentity);
    // Only a tool told where ffmpeg is merges: it would look for one of its own otherwise.
    bool canMerge = KeptAvailable(&state->paths, KIND_FFMPEG) && !(controller->refused & OptionBit(OPTION_FFMPEG_LOCATION));
    // "best (chosen by the tool)" with ffmpeg, and a list's entries: the tool's own choice,
    // merged; --format best would take only a format that has both already.
    bool toolsChoice = canMerge && (list || format->code == BEST_FORMAT_CODE);
    bool toMp3 = list ? state->listChoice == LIST_FILTER_MP3 : IsMp3Record(format);
    bool merging = toolsChoice || (!list && canMerge && IsMergeable(format, state->catalogue, state->catalogueCount, &state->told));
    DownloadShape shape = {toMp3       ? DOWNLOAD_MP3
                           : toolsChoice ? DOWNLOAD_TOOLS_CHOICE
                           : merging     ? DOWNLOAD_MERGED
                                         : DOWNLOAD_PLAIN,
                           merging && !toolsChoice ? MergedExtension(format) : NULL,
                           list && ListArchivePath(&state->paths, archive) ? archive : NULL};
    if (list && !shape.archive)
        return;
    // The tool names the merged file after its container, and the converted one after MP3.
    const char *extension = list ? NULL : toMp3 ? MP3_EXTENSION : shape.mergeExtension;
    if (extension && ReplaceExtension(destination, sizeof destination, extension))
        SetDlgItemTextA(state->window, IDC_DEST_EDIT, destination);
    // The tools skip a file that is there, and it would be told as done: asked first. A list's
    // entries that are there are skipped, and count as downloaded.
    if (!list && controller->paused == 0 &&
        !MayTakeOver(destination, shape.kind == DOWNLOAD_TOOLS_CHOICE || shape.kind == DOWNLOAD_MP3))
        return;
    // A list started afresh records its entries anew: an archive left by an interrupted one
    // would skip them.
    if (list && controller->paused == 0)
        DeleteUntilGone(archive);
    // A conversion cut short left a broken MP3 that the tool would take for done.
    if (toMp3)
        DropHalfConverted(&state->paths, destination, false);
    RunSurroundings surroundings;
    char runtime[PATH_SIZE + 16];
    DescribeSurroundings(&state->paths, controller->refused, &surroundings, runtime, sizeof runtime);
    surroundings.list = list;
    SignIn signIn = ReadSignIn(&state->paths, NULL);
    surroundings.firefox = signIn == SIGNED_FIREFOX;
    if (signIn == SIGNED_FILE && !(controller->refused & OptionBit(OPTION_COOKIES)) &&
        CopyCookiesForRun(&state->paths, "download", controller->cookies))
        surroundings.cookies = controller->cookies;
    if (!StartDownload(&controller->child, &state->paths, destination, list ? 0 : format->code, address,
                       &surroundings, &shape)) {
        EndRunCookies(&state->paths, controller->cookies, false);
        return;
    }
    SetDlgItemTextA(state->window, IDC_START, STOP_CAPTION);
    BeginTaskbarProgress(&state->taskbar, state->window);
    controller->downloading = 1;
    controller->merging = merging || toMp3 || list;
    controller->toMp3 = toMp3;
    controller->list = list;
    controller->toolsChoice = toolsChoice && !list;
    memset(&controller->merge, 0, sizeof controller->merge);
    controller->merge.shape = toMp3 ? STAGES_MP3 : merging ? STAGES_MERGE : STAGES_PLAIN;
    controller->outputRead = 0;
    SaveState(state);
}

// What a stopped or dropped download of the destination leaves: its .part and the files its
// runs named; then their kept output goes too.
static void RemovePartialFiles(MainState *state)
{
    char destination[DESTINATION_SIZE];
    GetDlgItemTextA(state->window, IDC_DEST_EDIT, destination, sizeof destination);
    // A conversion's MP3 is written only by the download (a file there before was replaced).
    const AvailableFormat *format = SelectedFormatOf(&state->record);
    bool askedUtf8 = state->controller.child.askedUtf8;
    if (state->listChoice == LIST_FILTER_MP3 || (!state->listChoice && format && IsMp3Record(format)))
        DropHalfConverted(&state->paths, destination, askedUtf8);
    // A list keeps its finished entries.
    char archive[PATH_SIZE];
    if (state->listChoice && ListArchivePath(&state->paths, archive))
        DeleteUntilGone(archive);
    if (state->listChoice) {
        const char *slash = LastBackslash(destination, TextCodePage());
        if (slash)
            destination[slash + 1 - destination] = '\0';
        RemoveListEntryPieces(&state->paths, destination, askedUtf8, state->listChoice == LIST_FILTER_MP3);
    } else {
        RemoveDownloadFiles(&state->paths, destination, askedUtf8);
    }
    RemoveDownloadCopy(&state->paths);
    ForgetPausedOutput(&state->paths);
}

static void StopDownload(MainState *state)
{
    DownloadController *controller = &state->controller;
    if (!AskYesNo("Do you want to stop downloading right now?"))
        return;
    // A tick may have ended the download while the question was open.
    if (controller->downloading == 1)
        EndDownload(&controller->child);
    EndRunCookies(&state->paths, controller->cookies, false);
    RemovePartialFiles(state);
    SetDlgItemTextA(state->window, IDC_START, START_CAPTION);
    ShowTaskbarState(&state->taskbar, state->window, TASKBAR_CLEAR);
    controller->downloading = 0;
    SaveState(state);
}

bool DropPausedDownload(MainState *state)
{
    DownloadController *controller = &state->controller;
    if (controller->paused != 1)
        return true;
    char destination[DESTINATION_SIZE], question[DESTINATION_SIZE + 120];
    GetDlgItemTextA(state->window, IDC_DEST_EDIT, destination, sizeof destination);
    const char *slash = LastBackslash(destination, TextCodePage());
    snprintf(question, sizeof question,
             "%s is paused. Drop it (its partial files are removed) and load the new address?",
             state->listChoice ? "The list" : slash ? slash + 1 : destination);
    if (!AskYesNo(question))
        return false;
    RemovePartialFiles(state);
    controller->paused = 0;
    SetDlgItemTextA(state->window, IDC_START, START_CAPTION);
    SaveState(state);
    return true;
}

bool ToolBusy(const MainState *state)
{
    // Every keeping run, the built-in version's too: a second one would share its files.
    return ProbeRunning(&state->probe) || state->keeping.job != KEEPING_NONE ||
           state->preparing.next != PENDING_NONE;
}

void OnStartButton(MainState *state)
{
    // Stop ends what runs, whatever else the tool does meanwhile (the window menu reads its
    // version). Start waits while a page is read or the tool is kept: a click already queued
    // is dropped.
    if (state->controller.downloading != 0)
        StopDownload(state);
    else if (!ToolBusy(state))
        StartOrContinue(state);
}

void PauseDownload(MainState *state)
{
    DownloadController *controller = &state->controller;
    if (controller->downloading != 1)
        return;
    EndDownload(&controller->child);
    EndRunCookies(&state->paths, controller->cookies, false);
    KeepPausedOutput(&state->paths, controller->child.askedUtf8);
    RemoveDownloadCopy(&state->paths);
    if (controller->toMp3) {
        // A list's entries are named by the tool: its output tells them.
        char destination[DESTINATION_SIZE];
        GetDlgItemTextA(state->window, IDC_DEST_EDIT, destination, sizeof destination);
        DropHalfConverted(&state->paths, destination, controller->child.askedUtf8);
    }
    SetDlgItemTextA(state->window, IDC_START, CONTINUE_CAPTION);
    ShowTaskbarState(&state->taskbar, state->window, TASKBAR_PAUSED);
    controller->downloading = 0;
    controller->paused = 1;
    // Saved at once: after a logoff or a crash the next start still offers Continue.
    SaveState(state);
}

// A run that ended with an error is reported in the tool's own words; the .part stays.
// What FinishDownload gives for a run that ended well but skipped the destination itself.
// DOWNLOAD_TOLD: the words are the whole message.
enum { DOWNLOAD_SKIPPED = 0xFFFFFFFEu, DOWNLOAD_TOLD = 0xFFFFFFFDu };

// What to do, where the tool's words are known; shown whole after the tool's line, which may
// have been cut. Static text, set when a run fails.
static const char *failureAdvice;

static void ReportFailedRun(DWORD exitCode, const char *words)
{
    char message[160 + 2 * TOOL_WORDS_SIZE];
    if (exitCode == DOWNLOAD_TOLD)
        snprintf(message, sizeof message, "%s", words);
    else if (exitCode == DOWNLOAD_SKIPPED)
        snprintf(message, sizeof message, "Nothing was downloaded: %s", words);
    else
        snprintf(message, sizeof message,
                 "The download tool stopped with an error (exit code %lu). Nothing was saved.%s%s",
                 (unsigned long)exitCode, words[0] ? "\n\n" : "", words);
    if (failureAdvice) {
        size_t used = strlen(message);
        snprintf(message + used, sizeof message - used, "\n\n%s", failureAdvice);
    }
    Alert(message, "Alert", ALERT_WARNING);
}

// The end of one video's run: the name the tool gave, a skip, a conversion that failed.
// True when the destination is there.
static bool EndOneVideo(MainState *state, char *destination, const char *outPath, bool *failed, DWORD *exitCode,
                        char *words, size_t size)
{
    DownloadController *controller = &state->controller;
    bool askedUtf8 = controller->child.askedUtf8;
    // The tool's own choice is named by the tool: the window takes that name.
    char final[DESTINATION_SIZE], shown[DESTINATION_SIZE];
    if (controller->toolsChoice && !*failed && ReadFinalFile(outPath, final, sizeof final)) {
        ToolTextToProcess(final, askedUtf8, shown, sizeof shown);
        // Outside input: only a name in the destination's folder that begins like it.
        const char *slash = LastBackslash(destination, TextCodePage());
        size_t folder = slash ? (size_t)(slash + 1 - destination) : 0;
        if (IsPassableArgument(shown) && folder > 0 && strlen(shown) > folder &&
            _strnicmp(shown, destination, folder) == 0 &&
            IsDownloadPart(destination + folder, shown + folder)) {
            snprintf(destination, DESTINATION_SIZE, "%s", shown);
            SetDlgItemTextA(state->window, IDC_DEST_EDIT, destination);
        }
    }
    // The tool names files as it prints: in UTF-8 where it was asked for it (only where the
    // program's own text is UTF-8), else in the legacy code page.
    char name[DESTINATION_SIZE];
    if (askedUtf8 || !ProcessIsUtf8() ||
        !ConvertText(FileNameOf(destination), CP_UTF8, LegacyCodePage(), name, sizeof name))
        snprintf(name, sizeof name, "%s", FileNameOf(destination));
    bool skipped = !*failed && FileSaysAlreadyDownloaded(outPath, name);
    // A conversion that failed: the sound the tool downloaded stays, its broken MP3 goes.
    char original[PART_PATH_SIZE];
    if (*failed && controller->toMp3 && FindDownloadedOriginal(&state->paths, destination, askedUtf8, original)) {
        DropHalfConverted(&state->paths, destination, askedUtf8);
        char told[TOOL_WORDS_SIZE];
        snprintf(told, sizeof told,
                 "%s was downloaded, but the download tool could not convert it to MP3 (exit code %lu). "
                 "It was kept as it is.%s%s",
                 FileNameOf(original), (unsigned long)*exitCode, words[0] ? "\n\n" : "", words);
        snprintf(words, size, "%s", told);
        *exitCode = DOWNLOAD_TOLD;
    }
    if (skipped) {
        *failed = true;
        snprintf(words, size, "%s was already there, and the download tool skipped it.", FileNameOf(destination));
        *exitCode = DOWNLOAD_SKIPPED;
    }
    HANDLE file = *failed ? INVALID_HANDLE_VALUE
                          : CreateFileA(destination, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

// The end of a list's run: done when no entry failed, else how many finished, in one message.
static bool EndList(MainState *state, const char *destination, const char *outPath, const char *errPath,
                    bool *failed, DWORD *exitCode, char *words, size_t size)
{
    DownloadController *controller = &state->controller;
    char archive[PATH_SIZE];
    if (ListArchivePath(&state->paths, archive))
        DeleteUntilGone(archive);
    if (!*failed)
        return true;
    // A conversion that failed left a broken MP3, which a later run would take for done.
    if (controller->toMp3)
        DropHalfConverted(&state->paths, destination, controller->child.askedUtf8);
    char first[TOOL_WORDS_SIZE], shown[TOOL_WORDS_SIZE];
    int errors = ReadErrorLines(errPath, first, sizeof first);
    if (errors > 0)
        ToolTextToProcess(first, controller->child.askedUtf8, shown, sizeof shown);
    else
        snprintf(shown, sizeof shown, "%s", words);
    ListTally tally;
    TallyListFile(outPath, &tally);
    // Entries that failed still start, so what counts is those that finished.
    if (tally.entries == 0)
        snprintf(words, size, "The download tool could not read the list (exit code %lu). Nothing was saved.%s%s",
                 (unsigned long)*exitCode, shown[0] ? "\n\n" : "", shown);
    else if (tally.finished == 0)
        snprintf(words, size, "None of the %d videos of the list was downloaded.%s%s", tally.entries,
                 shown[0] ? "\n\n" : "", shown);
    else
        snprintf(words, size, "%d of %d videos of the list were downloaded; %d failed.%s%s", tally.finished,
                 tally.entries, tally.entries - tally.finished, shown[0] ? "\n\n" : "", shown);
    *exitCode = DOWNLOAD_TOLD;
    return false;
}

// Returns the exit code to report, with the tool's words in `words`: that of a run that
// failed, else 0.
static DWORD FinishDownload(MainState *state, char *words, size_t size)
{
    DownloadController *controller = &state->controller;
    char destination[DESTINATION_SIZE];
    DWORD exitCode = ToolRunExitCode(&controller->child.run);
    ReleaseDownload(&controller->child);
    EndRunCookies(&state->paths, controller->cookies, exitCode == 0);
    GetDlgItemTextA(state->window, IDC_DEST_EDIT, destination, sizeof destination);
    // A failed run is a failure even where a file of that name was there before it.
    bool failed = exitCode != 0 && exitCode != STILL_ACTIVE;
    char outPath[PATH_SIZE], errPath[PATH_SIZE];
    DownloadOutputPaths(&state->paths, outPath, errPath);
    words[0] = '\0';
    char printed[TOOL_WORDS_SIZE] = "";
    if (failed && !ReadToolWords(errPath, printed, sizeof printed))
        ReadToolWords(outPath, printed, sizeof printed);
    // Refused for an option it was given (a tool never seen before, run without a probe):
    // remembered, and the download goes again without it. Each time one fewer, so this ends.
    ToolOption refusal = failed ? RefusedOption(exitCode, printed) : TOOL_OPTION_COUNT;
    bool again = refusal != TOOL_OPTION_COUNT && !(controller->refused & OptionBit(refusal));
    if (again)
        RememberRefused(&state->paths, controller->toolIdentity, controller->refused | OptionBit(refusal));
    ToolTextToProcess(printed, controller->child.askedUtf8, words, size);
    failureAdvice = failed ? ReadAdvice(errPath, ReadSignIn(&state->paths, NULL) != SIGNED_OUT, false) : NULL;
    bool done = controller->list ? EndList(state, destination, outPath, errPath, &failed, &exitCode, words, size)
                                 : EndOneVideo(state, destination, outPath, &failed, &exitCode, words, size);
    RemoveDownloadCopy(&state->paths);
    ForgetPausedOutput(&state->paths);
    if (done) {
        SetDlgItemTextA(state->window, IDC_STATUS, "Done 100%-Download Complete!");
        ShowProgressFill(&state->progress, state->window, PROGRESS_BAR_WIDTH);
    }
    SetDlgItemTextA(state->window, IDC_START, START_CAPTION);
    controller->downloading = 0;
    controller->missedTicks = 0;
    controller->paused = 0;
    SaveState(state);
    if (again) {
        StartOrContinue(state);
        return 0;
    }
    // The end of a download or a list: a failure shows on the button until the next action.
    ShowTaskbarState(&state->taskbar, state->window, failed ? TASKBAR_ERROR : TASKBAR_CLEAR);
    FlashIfInBackground(state->window);
    return failed ? exitCode : 0;
}

// The inputs a download or a paused one locks.
static const int INPUTS[] = {IDC_PASTE, IDC_URL_EDIT, IDC_SAVE, IDC_DEST_EDIT};
enum { INPUT_COUNT = sizeof INPUTS / sizeof INPUTS[0] };

// The tool's output says which part of a merged download runs, and when the merge starts.
static void FollowMergeOutput(MainState *state)
{
    DownloadController *controller = &state->controller;
    // Static: the ticks of a running download allocate nothing.
    static char chunk[4096];
    size_t got = ReadDownloadOutput(&state->paths, controller->outputRead, chunk, sizeof chunk);
    size_t used = ScanMergeOutput(&controller->merge, chunk, got);
    // A line longer than the chunk holds nothing looked for: passed over.
    if (used == 0 && got == sizeof chunk)
        used = got;
    controller->outputRead += (unsigned long)used;
}

// With a job the run is over when no process of it is left; without one, when its console
// has been missing for six ticks and its process has ended.
static void FollowDownload(MainState *state)
{
    DownloadController *controller = &state->controller;
    ChildProcess *child = &controller->child;
    HWND tool = FindToolConsole(child);
    if (controller->merging)
        FollowMergeOutput(state);
    if (tool) {
        const char *title = ReadWindowText(&state->progress, tool);
        const char *status = controller->merging
                                 ? FormatMergedProgress(&state->progress, &controller->merge, title, state->window)
                                 : FormatProgress(&state->progress, title, state->window);
        // A title without progress leaves the status line and the bar as they were.
        if (controller->merging && controller->merge.merging)
            SetControlTextW(state->window, IDC_STATUS, MERGING_STATUS);
        else if (controller->merging && controller->merge.converting)
            SetControlTextW(state->window, IDC_STATUS, CONVERTING_STATUS);
        else if (status)
            SetControlText(state->window, IDC_STATUS, status);
        controller->missedTicks = 0;
    }
    ShowTaskbarProgress(&state->taskbar, state->window, state->progress.fillWidth, PROGRESS_BAR_WIDTH);
    // A box is open: the code waiting for it must find the run as it left it.
    if (ModalOpen())
        return;
    DWORD failure = 0;
    // Static: the ticks of a running download allocate nothing.
    static char words[TOOL_WORDS_SIZE];
    if (ToolRunHasJob(&child->run)) {
        if (DownloadOver(child))
            failure = FinishDownload(state, words, sizeof words);
    } else if (!tool && CountMissedTick(&controller->missedTicks) && DownloadOver(child)) {
        failure = FinishDownload(state, words, sizeof words);
    }
    EnableControl(state, IDC_PAUSE, true);
    controller->paused = 0;
    EnableControls(state, INPUTS, INPUT_COUNT, false);
    // Last, and Idle already: the ticks the box lets through must find nothing left to end,
    // and the controls must show Idle under the box.
    if (failure != 0) {
        ShowIdleControls(state);
        ReportFailedRun(failure, words);
    }
}

void ShowIdleControls(MainState *state)
{
    bool probing = ToolBusy(state);
    bool inputs = state->controller.paused == 0 && !probing;
    // What stays enabled is enabled first, and the rest disabled at once, so a focus on a
    // control that goes is handed to one that stays.
    int locked[1 + 1 + INPUT_COUNT];
    int count = 0;
    locked[count++] = IDC_PAUSE;
    if (probing)
        locked[count++] = IDC_START;
    else
        EnableControl(state, IDC_START, true);
    if (inputs)
        EnableControls(state, INPUTS, INPUT_COUNT, true);
    for (int i = 0; !inputs && i < INPUT_COUNT; i++)
        locked[count++] = INPUTS[i];
    EnableControls(state, locked, count, false);
    if (state->controller.paused == 1)
        SetControlText(state->window, IDC_START, CONTINUE_CAPTION);
}

void OnTimerTick(MainState *state)
{
    // The probe moves first, so the controls the tick sets already know it has ended.
    FollowLoading(state);
    FollowToolKeeping(state);
    FollowPreparing(state);
    if (state->controller.downloading == 1)
        FollowDownload(state);
    else if (!ModalOpen())
        ShowIdleControls(state);
    KeepFocusOnAControl(state);
}

void OnCloseRequest(MainState *state)
{
    if (state->controller.downloading == 1 &&
        !AskYesNo("Program is in progress! Do you want to exit right now?"))
        return;
    DestroyWindow(state->window);
}

// What closing leaves behind: no tool running, no tool copy, and the record saved.
static void EndRunsAndSave(MainState *state)
{
    CancelProbe(&state->probe, &state->paths);
    if (state->controller.downloading == 1) {
        EndDownload(&state->controller.child);
        EndRunCookies(&state->paths, state->controller.cookies, false);
        state->controller.downloading = 0;
        // Its parts can be continued after a restart, or removed by Stop.
        KeepPausedOutput(&state->paths, state->controller.child.askedUtf8);
    }
    RemoveDownloadCopy(&state->paths);
    SaveState(state);
}

void OnDestroy(MainState *state)
{
    KillTimer(state->window, TIMER_ID);
    EndRunsAndSave(state);
    SetBoxOwner(NULL);
    PostQuitMessage(0);
}

void OnEndSession(MainState *state, bool ending)
{
    // At logoff or shutdown the process is ended after this, without WM_DESTROY.
    if (ending)
        EndRunsAndSave(state);
}
