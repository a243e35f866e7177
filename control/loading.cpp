// Loading a page: the probe's two runs beside the window, then the destination it proposes,
// the formats it offers, and what went wrong told in the tool's words.
#include "control/loading.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "control/controller.h"
#include "control/preparing.h"
#include "control/statewindow.h"
#include "resources/resource.h"
#include "toolbridge/alert.h"
#include "toolbridge/keptool.h"
#include "toolbridge/probereaders.h"
#include "toolbridge/signin.h"
#include "toolbridge/textconv.h"
#include "toolbridge/textrules.h"
#include "toolbridge/toolwords.h"

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
        bool lackedRuntime = ReadRuntimeTrouble(probe->title.errPath) == RUNTIME_MISSING ||
                             ReadRuntimeTrouble(probe->formats.errPath) == RUNTIME_MISSING;
        const char *advice = ReadAdvice(failed->errPath, ReadSignIn(&state->paths, NULL) != SIGNED_OUT, lackedRuntime);
        AppendSentence(message, sizeof message,
                       advice ? advice
                              : "If this page worked before, the site may have changed: update the download "
                                "tool from the window menu.");
    }
    if (message[0])
        Alert(message, "Alert", ALERT_WARNING);
}

// Told without a box, so a paste still fills the window: the status line (300 pixels) names
// the kept runtime, or the window-menu item that gives one.
static void TellRuntimeTrouble(MainState *state)
{
    RuntimeTrouble title = ReadRuntimeTrouble(state->probe.title.errPath);
    RuntimeTrouble formats = ReadRuntimeTrouble(state->probe.formats.errPath);
    RuntimeTrouble trouble = title > formats ? title : formats;
    if (trouble == RUNTIME_FINE)
        return;
    char version[TOOL_VERSION_SIZE], text[TOOL_VERSION_SIZE + 120];
    ToolSource source;
    if (KeptAvailable(&state->paths, KIND_RUNTIME) &&
        ReadKeptVersion(&state->paths, KIND_RUNTIME, version, sizeof version, &source))
        snprintf(text, sizeof text, "Some formats missing: %s failed here", version);
    else
        snprintf(text, sizeof text, "Some formats missing: Choose a JavaScript runtime");
    SetDlgItemTextA(state->window, IDC_STATUS, text);
}

// Firefox's cookies are chosen, and this tool cannot read them (youtube-dl has --cookies but
// not --cookies-from-browser): said once a session.
static void TellNoFirefox(MainState *state)
{
    if (state->toldNoFirefox || !state->probe.firefox ||
        !(state->probe.refused & OptionBit(OPTION_COOKIES_FROM_BROWSER)))
        return;
    state->toldNoFirefox = true;
    Alert("This download tool cannot read Firefox's cookies, so it runs without them. A cookies file "
          "can sign you in instead: choose one in the window menu (Alt+Space).",
          "Alert", ALERT_WARNING);
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
    if (ReadFormatFile(state->paths.probeOutPath, record->formats, &record->formatCount, &state->told) &&
        record->formatCount == 0 && state->probe.formats.exitCode == 0)
        OfferBestFormat(record->formats, &record->formatCount, title ? title : "");
    free(title);
    // With ffmpeg the best picture with sound is a merged one; the name takes its container.
    char destination[DESTINATION_SIZE];
    GetDlgItemTextA(state->window, IDC_DEST_EDIT, destination, sizeof destination);
    bool ffmpeg = KeptAvailable(&state->paths, KIND_FFMPEG);
    if (ffmpeg &&
        PutBestMergedFirst(record->formats, record->formatCount, state->catalogue, state->catalogueCount,
                           &state->told) &&
        ReplaceExtension(destination, sizeof destination, MergedExtension(&record->formats[0])))
        SetDlgItemTextA(state->window, IDC_DEST_EDIT, destination);
    // Only a tool told where ffmpeg is converts: it would look for one of its own otherwise.
    if (ffmpeg && !(state->probe.refused & OptionBit(OPTION_FFMPEG_LOCATION)))
        AddMp3Row(record->formats, &record->formatCount, state->catalogue, state->catalogueCount, &state->told);
    record->selectedFormat = 1;
    // A new page's list is offered, not chosen: once its flat read has counted it. An archive
    // left by an interrupted list would skip the entries of the next one.
    state->listEntries = 0;
    state->listChoice = 0;
    char archive[PATH_SIZE];
    if (ListArchivePath(&state->paths, archive))
        DeleteUntilGone(archive);
    ShowSelectedFormat(state);
    ShowIdleControls(state);
    SaveState(state);
    TellRuntimeTrouble(state);
    ReportProbeFailure(state);
    TellNoFirefox(state);
}

void StartLoading(MainState *state, const char *address)
{
    SetDlgItemTextA(state->window, IDC_URL_EDIT, address);
    // The build's own ffmpeg or runtime is written first; the address waits in its box.
    if (PrepareFirst(state, PENDING_LOAD))
        return;
    ResumeLoading(state);
}

void ResumeLoading(MainState *state)
{
    char address[ADDRESS_SIZE];
    GetDlgItemTextA(state->window, IDC_URL_EDIT, address, sizeof address);
    SetDlgItemTextW(state->window, IDC_STATUS, READING_STATUS);
    ProbeOutcome outcome = StartProbe(&state->probe, &state->paths, address);
    ShowIdleControls(state);
    // Without a tool copy nothing ran, so the page's destination and formats stay.
    if (outcome == PROBE_NOT_STARTED)
        SetDlgItemTextA(state->window, IDC_STATUS, "");
    else if (outcome != PROBE_RUNNING)
        FinishLoad(state);
}

// A list's flat read has ended after the window filled: its count joins the panel and the save
// dialog's rows. One that failed or took too long offers no list, and says nothing.
static void FinishListRead(MainState *state)
{
    state->listEntries = state->probe.list.exitCode == 0 ? ReadListEntries(state->paths.probeOutPath) : 0;
    if (state->listEntries > 0 && state->controller.downloading == 0 && state->controller.paused == 0)
        ShowSelectedFormat(state);
}

void FollowLoading(MainState *state)
{
    // While a box is open the probe waits: the code behind the box may be in the middle of it.
    if (ModalOpen())
        return;
    if (ProbeRunning(&state->probe) && FollowProbe(&state->probe, &state->paths) != PROBE_RUNNING)
        FinishLoad(state);
    if (!ProbeRunning(&state->probe) && RunningBeside(&state->probe) && FollowRunsBeside(&state->probe, &state->paths))
        FinishListRead(state);
}
