// Updating, choosing and restoring the download tool from the window menu. The runs go on
// beside the window like the probe: each tick looks at them, and nothing waits.
#include "ui/toolmenu.h"

#include <commdlg.h>
#include <stdio.h>
#include <string.h>

#include "control/controller.h"
#include "resources/resource.h"
#include "toolbridge/alert.h"
#include "toolbridge/systemdll.h"

// An update fetches a new build of the tool (tens of megabytes); a version check only starts it.
enum { UPDATE_LIMIT_MS = 5 * 60 * 1000, VERSION_LIMIT_MS = 20000 };

// Wide, so the ellipsis shows in any code page.
static const wchar_t UPDATING_STATUS[] = L"Updating the download tool\u2026";
static const wchar_t CHECKING_STATUS[] = L"Checking the chosen download tool\u2026";
static const wchar_t CHECKING_FFMPEG_STATUS[] = L"Checking the chosen ffmpeg\u2026";

// What a chosen file must be, and where it goes: a download tool, or ffmpeg.
struct Choice {
    KeepingJob job;
    const char *versionArgument;
    const char *refusal;
    const wchar_t *status;
};

static const Choice TOOL_CHOICE = {KEEPING_CHOSEN_VERSION, "--version", "This file is not a download tool: ",
                                   CHECKING_STATUS};
static const Choice FFMPEG_CHOICE = {KEEPING_CHOSEN_FFMPEG, "-version", "This file is not ffmpeg: ",
                                     CHECKING_FFMPEG_STATUS};

static const char *CandidatePath(const MainState *state, const Choice *choice)
{
    return choice == &FFMPEG_CHOICE ? state->paths.ffmpegCandidatePath : state->paths.keptCandidatePath;
}

// Static: a run's command line must outlive nothing but its start.
static char keepingCommandLine[PATH_SIZE + 16];

void AddToolMenu(HWND window)
{
    HMENU menu = GetSystemMenu(window, FALSE);
    AppendMenuA(menu, MF_SEPARATOR, 0, NULL);
    AppendMenuA(menu, MF_STRING, IDM_TOOL_UPDATE, "&Update the download tool");
    AppendMenuW(menu, MF_STRING, IDM_TOOL_CHOOSE, L"&Choose a download tool\u2026");
    AppendMenuA(menu, MF_STRING, IDM_TOOL_BUILT_IN, "Use the &built-in download tool");
    AppendMenuA(menu, MF_STRING | MF_GRAYED, IDM_TOOL_STATUS, "Download tool: built in");
    AppendMenuW(menu, MF_STRING, IDM_FFMPEG_CHOOSE, L"Choose &ffmpeg\u2026");
    AppendMenuA(menu, MF_STRING | MF_GRAYED, IDM_FFMPEG_STATUS, "ffmpeg: none");
}

static bool KeptToolInUse(const MainState *state)
{
    return CheckKeptTool(state->paths.keptToolPath) == KEPT_SOUND;
}

// "Download tool: 2023.03.04 (built in)", "(updated)" or "(chosen)".
static void DescribeToolInUse(MainState *state, char *text, size_t size)
{
    static const char *const SOURCES[] = {"built in", "updated", "chosen"};
    char version[TOOL_VERSION_SIZE];
    ToolSource source = TOOL_BUILT_IN;
    if (KeptToolInUse(state)) {
        if (!ReadKeptVersion(&state->paths, version, sizeof version, &source))
            source = TOOL_UPDATED;
    } else {
        snprintf(version, sizeof version, "%s", state->keeping.builtInVersion);
    }
    if (version[0])
        snprintf(text, size, "Download tool: %s (%s)", version, SOURCES[source]);
    else
        snprintf(text, size, "Download tool: %s", SOURCES[source]);
}

static bool StartKeepingRun(MainState *state, KeepingJob job, const char *program, const char *argument,
                            DWORD limitMs)
{
    ToolKeeping *keeping = &state->keeping;
    snprintf(keepingCommandLine, sizeof keepingCommandLine, "\"%s\" %s", program, argument);
    const char *directory = job == KEEPING_BUILT_IN_VERSION ? state->paths.runFolder : state->paths.keptFolder;
    if (!StartToolTask(&keeping->task, program, keepingCommandLine, directory, state->paths.keepingOutPath,
                       state->paths.keepingErrPath, limitMs))
        return false;
    keeping->job = job;
    return true;
}

// The built-in tool's version is read the first time the menu opens, never at start-up.
static void AskBuiltInVersion(MainState *state)
{
    ToolKeeping *keeping = &state->keeping;
    unsigned long error;
    if (keeping->builtInVersionAsked || keeping->job != KEEPING_NONE)
        return;
    keeping->builtInVersionAsked = true;
    if (MakeRunFolder(&state->paths) && WriteBuiltInTool(state->paths.versionToolPath, &error))
        StartKeepingRun(state, KEEPING_BUILT_IN_VERSION, state->paths.versionToolPath, "--version",
                        VERSION_LIMIT_MS);
}

// "ffmpeg: 2018 build (chosen)", "ffmpeg: built in" or "ffmpeg: none".
static void DescribeFfmpeg(const MainState *state, char *text, size_t size)
{
    char version[TOOL_VERSION_SIZE];
    ToolSource source;
    bool kept = CheckKeptTool(state->paths.keptFfmpegPath) == KEPT_SOUND;
    if (kept && ReadKeptVersionFile(state->paths.keptFfmpegVersionPath, version, sizeof version, &source))
        snprintf(text, size, "ffmpeg: %s (%s)", version, source == TOOL_CHOSEN ? "chosen" : "built in");
    else if (kept || HasBuiltInFfmpeg())
        snprintf(text, size, "ffmpeg: %s", kept ? "kept" : "built in");
    else
        snprintf(text, size, "ffmpeg: none");
}

void UpdateToolMenu(MainState *state, HMENU menu)
{
    bool kept = KeptToolInUse(state);
    if (!kept)
        AskBuiltInVersion(state);
    // A running tool's file cannot be replaced: Pause or Stop comes first.
    bool busy = ToolBusy(state) || state->controller.downloading == 1 || !HasKeptFolder(&state->paths);
    UINT enabled = busy ? MF_GRAYED : MF_ENABLED;
    EnableMenuItem(menu, IDM_TOOL_UPDATE, MF_BYCOMMAND | enabled);
    EnableMenuItem(menu, IDM_TOOL_CHOOSE, MF_BYCOMMAND | enabled);
    EnableMenuItem(menu, IDM_TOOL_BUILT_IN, MF_BYCOMMAND | (kept ? enabled : MF_GRAYED));
    char text[TOOL_VERSION_SIZE + 40];
    DescribeToolInUse(state, text, sizeof text);
    ModifyMenuA(menu, IDM_TOOL_STATUS, MF_BYCOMMAND | MF_STRING | MF_GRAYED, IDM_TOOL_STATUS, text);
    EnableMenuItem(menu, IDM_FFMPEG_CHOOSE, MF_BYCOMMAND | enabled);
    DescribeFfmpeg(state, text, sizeof text);
    ModifyMenuA(menu, IDM_FFMPEG_STATUS, MF_BYCOMMAND | MF_STRING | MF_GRAYED, IDM_FFMPEG_STATUS, text);
}

static void BeginUpdate(MainState *state)
{
    ToolKeeping *keeping = &state->keeping;
    unsigned long error = ERROR_SUCCESS;
    keeping->wroteForUpdate = false;
    if (!MakeKeptFolder(&state->paths)) {
        ReportCopyFailure(GetLastError());
        return;
    }
    // yt-dlp's one-file build updates the file it runs from, so the run is of the kept file.
    if (!KeptToolInUse(state)) {
        if (!WriteBuiltInTool(state->paths.keptToolPath, &error)) {
            if (error != ERROR_SUCCESS)
                ReportCopyFailure(error);
            return;
        }
        keeping->wroteForUpdate = true;
    }
    if (!StartKeepingRun(state, KEEPING_UPDATE, state->paths.keptToolPath, "-U", UPDATE_LIMIT_MS)) {
        Alert("The download tool could not be started to update itself.", "Alert", ALERT_WARNING);
        if (keeping->wroteForUpdate)
            ForgetKeptTool(&state->paths);
        return;
    }
    SetDlgItemTextW(state->window, IDC_STATUS, UPDATING_STATUS);
    ShowIdleControls(state);
}

// Why `path` cannot be a tool before it is run at all; "" when it may be one.
static void FileFaults(const char *path, char *reason, size_t size)
{
    reason[0] = '\0';
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data))
        snprintf(reason, size, "it cannot be read");
    else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        snprintf(reason, size, "it is a folder");
    else if (data.nFileSizeHigh == 0 && data.nFileSizeLow == 0)
        snprintf(reason, size, "it is empty");
    else if (data.nFileSizeHigh != 0 || data.nFileSizeLow > TOOL_SIZE_LIMIT)
        snprintf(reason, size, "it is larger than 256 MB");
    else if (CheckKeptTool(path) != KEPT_SOUND)
        snprintf(reason, size, "it is not a Windows program");
}

static void RefuseChoice(const Choice *choice, const char *reason)
{
    char message[400];
    snprintf(message, sizeof message, "%s%s.", choice->refusal, reason);
    Alert(message, "Alert", ALERT_WARNING);
}

typedef BOOL(WINAPI *OpenDialogFunction)(OPENFILENAMEA *);

// The Open dialog; false when it was cancelled.
static bool AskForToolFile(MainState *state, char *path, size_t size)
{
    OpenDialogFunction showOpenDialog =
        (OpenDialogFunction)(void (*)(void))SystemFunction("comdlg32.dll", "GetOpenFileNameA");
    if (!showOpenDialog) {
        Alert("Failed to load comdlg32.dll!", "Alert", ALERT_ERROR);
        return false;
    }
    OPENFILENAMEA dialog;
    memset(&dialog, 0, sizeof dialog);
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = state->window;
    dialog.lpstrFilter = "Programs (*.exe)\0*.exe\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path;
    dialog.nMaxFile = (DWORD)size;
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    path[0] = '\0';
    BeginModal();
    bool chosen = showOpenDialog(&dialog) != FALSE;
    EndModal();
    return chosen;
}

// The chosen file is copied into the per-user folder and asked its version there: a tool is
// never run from anywhere else.
static void ChooseFile(MainState *state, const Choice *choice)
{
    char chosen[PATH_SIZE];
    char reason[300];
    unsigned long error;
    const char *candidate = CandidatePath(state, choice);
    if (!AskForToolFile(state, chosen, sizeof chosen))
        return;
    FileFaults(chosen, reason, sizeof reason);
    if (reason[0]) {
        RefuseChoice(choice, reason);
        return;
    }
    if (!MakeKeptFolder(&state->paths) || !CopyToolFile(chosen, candidate, &error)) {
        RefuseChoice(choice, "it cannot be read");
        return;
    }
    if (!StartKeepingRun(state, choice->job, candidate, choice->versionArgument, VERSION_LIMIT_MS)) {
        DeleteFileA(candidate);
        RefuseChoice(choice, "it does not start");
        return;
    }
    SetDlgItemTextW(state->window, IDC_STATUS, choice->status);
    ShowIdleControls(state);
}

static void UseBuiltInTool(MainState *state)
{
    if (AskYesNo("Remove the kept download tool and use the built-in one again?"))
        ForgetKeptTool(&state->paths);
}

bool OnToolMenuCommand(MainState *state, WPARAM command)
{
    UINT item = (UINT)(command & 0xFFF0);
    if (item != IDM_TOOL_UPDATE && item != IDM_TOOL_CHOOSE && item != IDM_TOOL_BUILT_IN &&
        item != IDM_FFMPEG_CHOOSE)
        return item == IDM_TOOL_STATUS || item == IDM_FFMPEG_STATUS;
    // The items are greyed then, but a command can still be sent.
    if (ModalOpen() || ToolBusy(state) || state->controller.downloading == 1 || !HasKeptFolder(&state->paths))
        return true;
    if (item == IDM_TOOL_UPDATE)
        BeginUpdate(state);
    else if (item == IDM_TOOL_CHOOSE)
        ChooseFile(state, &TOOL_CHOICE);
    else if (item == IDM_FFMPEG_CHOOSE)
        ChooseFile(state, &FFMPEG_CHOICE);
    else if (KeptToolInUse(state))
        UseBuiltInTool(state);
    return true;
}

// The version a finished --version run printed: its first line.
static void ReadVersionOutput(const MainState *state, char *version, size_t size)
{
    char text[256];
    size_t got = 0;
    FILE *file = fopen(state->paths.keepingOutPath, "rb");
    if (file) {
        got = fread(text, 1, sizeof text - 1, file);
        fclose(file);
    }
    text[got] = '\0';
    FirstLineOf(text, got, version, size);
}

static void EndKeepingJob(MainState *state)
{
    state->keeping.job = KEEPING_NONE;
    DeleteUntilGone(state->paths.keepingOutPath);
    DeleteUntilGone(state->paths.keepingErrPath);
    SetDlgItemTextA(state->window, IDC_STATUS, "");
    ShowIdleControls(state);
}

static void FinishUpdate(MainState *state, TaskOutcome outcome)
{
    ToolKeeping *keeping = &state->keeping;
    DWORD exitCode = keeping->task.exitCode;
    char words[TOOL_WORDS_SIZE] = "";
    // youtube-dl's dead updater says ERROR and exits with 0: the line decides, not the code.
    bool failed = outcome == TASK_TIMED_OUT || exitCode != 0 ||
                  FileHasErrorLine(state->paths.keepingErrPath) ||
                  FileHasErrorLine(state->paths.keepingOutPath);
    keeping->leftoversWaiting = true;
    if (!failed) {
        ReadToolWords(state->paths.keepingOutPath, keeping->updateLine, sizeof keeping->updateLine);
        if (StartKeepingRun(state, KEEPING_UPDATED_VERSION, state->paths.keptToolPath, "--version",
                            VERSION_LIMIT_MS))
            return;
    }
    const char *errPath = state->paths.keepingErrPath, *outPath = state->paths.keepingOutPath;
    if (FileHasErrorLine(errPath) || (!FileHasErrorLine(outPath) && ReadToolWords(errPath, words, sizeof words)))
        ReadToolWords(errPath, words, sizeof words);
    else
        ReadToolWords(outPath, words, sizeof words);
    if (keeping->wroteForUpdate)
        ForgetKeptTool(&state->paths);
    EndKeepingJob(state);
    char message[200 + TOOL_WORDS_SIZE];
    if (outcome == TASK_TIMED_OUT)
        snprintf(message, sizeof message, "The download tool did not finish its update within 5 minutes.");
    else
        snprintf(message, sizeof message, "The download tool could not be updated (exit code %lu).%s%s",
                 (unsigned long)exitCode, words[0] ? "\n\n" : "", words);
    Alert(message, "Alert", ALERT_WARNING);
}

// A newly kept tool is asked its --help, which lists the options it knows: so the first
// paste with it pays no refused run.
static void AskToolHelp(MainState *state)
{
    if (!StartKeepingRun(state, KEEPING_TOOL_HELP, state->paths.keptToolPath, "--help", VERSION_LIMIT_MS))
        EndKeepingJob(state);
}

// Today's help texts are some 60 KB; a longer one is read as far as this.
enum { HELP_READ_LIMIT = 256 * 1024 };

static void FinishToolHelp(MainState *state, TaskOutcome outcome)
{
    // Static: read once in a while, and kept off the stack.
    static char help[HELP_READ_LIMIT];
    size_t got = 0;
    FILE *file = outcome == TASK_OVER && state->keeping.task.exitCode == 0 ? fopen(state->paths.keepingOutPath, "rb")
                                                                          : NULL;
    if (file) {
        got = fread(help, 1, sizeof help, file);
        fclose(file);
    }
    // No help: the tool's refusals will tell instead.
    if (got > 0) {
        char identity[TOOL_IDENTITY_SIZE];
        ToolIdentityOf(&state->paths, identity, sizeof identity);
        RememberRefused(&state->paths, identity, OptionsMissingFromHelp(help, got));
    }
    EndKeepingJob(state);
}

static void FinishUpdatedVersion(MainState *state)
{
    char version[TOOL_VERSION_SIZE];
    ReadVersionOutput(state, version, sizeof version);
    SaveKeptVersion(&state->paths, version, TOOL_UPDATED);
    AskToolHelp(state);
    char message[TOOL_WORDS_SIZE + TOOL_VERSION_SIZE + 64];
    snprintf(message, sizeof message, "%s\n\nDownload tool: %s (updated)", state->keeping.updateLine,
             version[0] ? version : "version not known");
    Alert(message, "Vidmora", ALERT_INFORMATION);
}

// Why a finished version run shows no tool of the kind chosen; "" when it does, with the
// version to keep in `version`.
static void JudgeChosenVersion(const MainState *state, const Choice *choice, TaskOutcome outcome,
                               char *version, size_t versionSize, char *reason, size_t size)
{
    char line[TOOL_VERSION_SIZE + 200];
    ReadVersionOutput(state, line, sizeof line);
    reason[0] = '\0';
    if (choice == &FFMPEG_CHOICE)
        DescribeFfmpegVersion(line, version, versionSize);
    else
        snprintf(version, versionSize, "%s", line);
    if (outcome == TASK_TIMED_OUT)
        snprintf(reason, size, "it did not answer %s within 20 seconds", choice->versionArgument);
    else if (state->keeping.task.exitCode != 0)
        snprintf(reason, size, "%s failed (exit code %lu)", choice->versionArgument,
                 (unsigned long)state->keeping.task.exitCode);
    else if (!line[0])
        snprintf(reason, size, "it printed no version");
    else if (choice == &FFMPEG_CHOICE && !version[0])
        snprintf(reason, size, "its first line does not start with \"ffmpeg version\"");
    else if (choice == &TOOL_CHOICE && (line[0] < '0' || line[0] > '9'))
        snprintf(reason, size, "its version \"%s\" does not start with a digit", line);
}

static void FinishChosenVersion(MainState *state, const Choice *choice, TaskOutcome outcome)
{
    char version[TOOL_VERSION_SIZE];
    char reason[TOOL_VERSION_SIZE + 80];
    const char *candidate = CandidatePath(state, choice);
    const char *kept = choice == &FFMPEG_CHOICE ? state->paths.keptFfmpegPath : state->paths.keptToolPath;
    JudgeChosenVersion(state, choice, outcome, version, sizeof version, reason, sizeof reason);
    if (!reason[0] && !MoveFileExA(candidate, kept, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        snprintf(reason, sizeof reason, "it could not be kept");
    DeleteFileA(candidate);
    if (reason[0]) {
        EndKeepingJob(state);
        RefuseChoice(choice, reason);
        return;
    }
    char message[TOOL_VERSION_SIZE + 40];
    if (choice == &FFMPEG_CHOICE) {
        SaveKeptVersionFile(state->paths.keptFfmpegVersionPath, version, TOOL_CHOSEN);
        snprintf(message, sizeof message, "ffmpeg: %s (chosen)", version);
        EndKeepingJob(state);
    } else {
        SaveKeptVersion(&state->paths, version, TOOL_CHOSEN);
        snprintf(message, sizeof message, "Download tool: %s (chosen)", version);
        AskToolHelp(state);
    }
    Alert(message, "Vidmora", ALERT_INFORMATION);
}

void FollowToolKeeping(MainState *state)
{
    ToolKeeping *keeping = &state->keeping;
    if (ModalOpen())
        return;
    if (keeping->job == KEEPING_NONE) {
        // What an update leaves goes once nothing can hold it any more.
        if (keeping->leftoversWaiting && !ToolBusy(state) && state->controller.downloading == 0) {
            keeping->leftoversWaiting = false;
            RemoveKeepingLeftovers(&state->paths);
        }
        return;
    }
    TaskOutcome outcome = FollowToolTask(&keeping->task);
    if (outcome == TASK_RUNNING)
        return;
    switch (keeping->job) {
    case KEEPING_BUILT_IN_VERSION:
        if (outcome == TASK_OVER && keeping->task.exitCode == 0)
            ReadVersionOutput(state, keeping->builtInVersion, sizeof keeping->builtInVersion);
        DeleteUntilGone(state->paths.versionToolPath);
        keeping->job = KEEPING_NONE;
        DeleteUntilGone(state->paths.keepingOutPath);
        DeleteUntilGone(state->paths.keepingErrPath);
        break;
    case KEEPING_UPDATE: FinishUpdate(state, outcome); break;
    case KEEPING_UPDATED_VERSION: FinishUpdatedVersion(state); break;
    case KEEPING_CHOSEN_VERSION: FinishChosenVersion(state, &TOOL_CHOICE, outcome); break;
    case KEEPING_CHOSEN_FFMPEG: FinishChosenVersion(state, &FFMPEG_CHOICE, outcome); break;
    case KEEPING_TOOL_HELP: FinishToolHelp(state, outcome); break;
    case KEEPING_NONE: break;
    }
}

void EndToolKeeping(MainState *state)
{
    ToolKeeping *keeping = &state->keeping;
    if (keeping->job == KEEPING_NONE)
        return;
    CancelToolTask(&keeping->task);
    // An update that is ended leaves the tool that was in use before.
    if (keeping->job == KEEPING_UPDATE && keeping->wroteForUpdate)
        ForgetKeptTool(&state->paths);
    if (keeping->job == KEEPING_BUILT_IN_VERSION)
        DeleteUntilGone(state->paths.versionToolPath);
    keeping->job = KEEPING_NONE;
    RemoveKeepingLeftovers(&state->paths);
    DeleteUntilGone(state->paths.keepingOutPath);
    DeleteUntilGone(state->paths.keepingErrPath);
}
