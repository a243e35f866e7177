// The keeping runs: each a hidden tool task with its output in the keeping files.
#include "control/keeping.h"

#include <stdio.h>
#include <string.h>

#include "control/controller.h"
#include "resources/resource.h"
#include "toolbridge/alert.h"
#include "toolbridge/signin.h"

// An update fetches a new build of the tool (tens of megabytes); a version check only starts it.
enum { UPDATE_LIMIT_MS = 5 * 60 * 1000, VERSION_LIMIT_MS = 20000 };

// Wide, so the ellipsis shows in any code page.
static const wchar_t UPDATING_STATUS[] = L"Updating the download tool\u2026";

// Static: a run's command line must outlive nothing but its start.
static char keepingCommandLine[PATH_SIZE + 16];

static bool StartKeepingRun(MainState *state, KeepingJob job, KeptKind kind, const char *program,
                            const char *argument, DWORD limitMs)
{
    ToolKeeping *keeping = &state->keeping;
    snprintf(keepingCommandLine, sizeof keepingCommandLine, "\"%s\" %s", program, argument);
    const char *directory = job == KEEPING_BUILT_IN_VERSION ? state->paths.runFolder : state->paths.keptFolder;
    char temp[PATH_SIZE];
    RunTempFolder(&state->paths, "keeping", temp);
    if (!StartToolTask(&keeping->task, program, keepingCommandLine, directory, state->paths.keepingOutPath,
                       state->paths.keepingErrPath, limitMs, temp))
        return false;
    keeping->job = job;
    keeping->kind = kind;
    return true;
}

void AskBuiltInVersion(MainState *state)
{
    ToolKeeping *keeping = &state->keeping;
    unsigned long error;
    if (keeping->builtInVersionAsked || keeping->job != KEEPING_NONE)
        return;
    keeping->builtInVersionAsked = true;
    if (MakeRunFolder(&state->paths) && WriteBuiltInTool(state->paths.versionToolPath, &error))
        StartKeepingRun(state, KEEPING_BUILT_IN_VERSION, KIND_TOOL, state->paths.versionToolPath, "--version",
                        VERSION_LIMIT_MS);
}

void BeginUpdate(MainState *state)
{
    ToolKeeping *keeping = &state->keeping;
    unsigned long error = ERROR_SUCCESS;
    keeping->wroteForUpdate = false;
    if (!MakeKeptFolder(&state->paths)) {
        ReportCopyFailure(GetLastError());
        return;
    }
    const char *kept = state->paths.kept[KIND_TOOL].path;
    // yt-dlp's one-file build updates the file it runs from, so the run is of the kept file.
    if (!KeptInUse(&state->paths, KIND_TOOL)) {
        if (!WriteBuiltInTool(kept, &error)) {
            if (error != ERROR_SUCCESS)
                ReportCopyFailure(error);
            return;
        }
        keeping->wroteForUpdate = true;
    }
    if (!StartKeepingRun(state, KEEPING_UPDATE, KIND_TOOL, kept, "-U", UPDATE_LIMIT_MS)) {
        Alert("The download tool could not be started to update itself.", "Alert", ALERT_WARNING);
        if (keeping->wroteForUpdate)
            ForgetKept(&state->paths, KIND_TOOL);
        return;
    }
    SetDlgItemTextW(state->window, IDC_STATUS, UPDATING_STATUS);
    ShowIdleControls(state);
}

void FileFaults(const char *path, char *reason, size_t size)
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

void RefuseChoice(KeptKind kind, const char *reason)
{
    char message[400];
    snprintf(message, sizeof message, "%s%s.", KindOf(kind)->refusal, reason);
    Alert(message, "Alert", ALERT_WARNING);
}

void CheckChosenFile(MainState *state, KeptKind kind, const char *chosen)
{
    char reason[300];
    unsigned long error;
    const char *candidate = state->paths.kept[kind].candidatePath;
    FileFaults(chosen, reason, sizeof reason);
    if (reason[0]) {
        RefuseChoice(kind, reason);
        return;
    }
    if (!MakeKeptFolder(&state->paths) || !CopyToolFile(chosen, candidate, &error)) {
        RefuseChoice(kind, "it cannot be read");
        return;
    }
    if (!StartKeepingRun(state, KEEPING_CHOSEN_VERSION, kind, candidate, KindOf(kind)->versionArgument,
                         VERSION_LIMIT_MS)) {
        DeleteFileA(candidate);
        RefuseChoice(kind, "it does not start");
        return;
    }
    SetDlgItemTextW(state->window, IDC_STATUS, KindOf(kind)->checkingStatus);
    ShowIdleControls(state);
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

// A newly kept tool is asked its --help, which lists the options it knows: so the first
// paste with it pays no refused run.
static void AskToolHelp(MainState *state)
{
    if (!StartKeepingRun(state, KEEPING_TOOL_HELP, KIND_TOOL, state->paths.kept[KIND_TOOL].path, "--help",
                         VERSION_LIMIT_MS))
        EndKeepingJob(state);
}

static void FinishToolHelp(MainState *state, TaskOutcome outcome)
{
    if (outcome == TASK_OVER && state->keeping.task.exitCode == 0) {
        char identity[TOOL_IDENTITY_SIZE];
        ToolIdentityOf(&state->paths, identity, sizeof identity);
        LearnFromHelp(&state->paths, identity, state->paths.keepingOutPath, 0);
    }
    EndKeepingJob(state);
}

static void FinishUpdate(MainState *state, TaskOutcome outcome)
{
    ToolKeeping *keeping = &state->keeping;
    DWORD exitCode = keeping->task.exitCode;
    char words[TOOL_WORDS_SIZE] = "";
    const char *errPath = state->paths.keepingErrPath, *outPath = state->paths.keepingOutPath;
    // youtube-dl's dead updater says ERROR and exits with 0: the line decides, not the code.
    bool failed = outcome == TASK_TIMED_OUT || exitCode != 0 || FileHasErrorLine(errPath) || FileHasErrorLine(outPath);
    keeping->leftoversWaiting = true;
    if (!failed) {
        ReadToolWords(outPath, keeping->updateLine, sizeof keeping->updateLine);
        if (StartKeepingRun(state, KEEPING_UPDATED_VERSION, KIND_TOOL, state->paths.kept[KIND_TOOL].path,
                            "--version", VERSION_LIMIT_MS))
            return;
    }
    if (FileHasErrorLine(errPath) || (!FileHasErrorLine(outPath) && ReadToolWords(errPath, words, sizeof words)))
        ReadToolWords(errPath, words, sizeof words);
    else
        ReadToolWords(outPath, words, sizeof words);
    if (keeping->wroteForUpdate)
        ForgetKept(&state->paths, KIND_TOOL);
    EndKeepingJob(state);
    char message[200 + TOOL_WORDS_SIZE];
    if (outcome == TASK_TIMED_OUT)
        snprintf(message, sizeof message, "The download tool did not finish its update within 5 minutes.");
    else
        snprintf(message, sizeof message, "The download tool could not be updated (exit code %lu).%s%s",
                 (unsigned long)exitCode, words[0] ? "\n\n" : "", words);
    Alert(message, "Alert", ALERT_WARNING);
}

static void FinishUpdatedVersion(MainState *state)
{
    char version[TOOL_VERSION_SIZE];
    ReadVersionOutput(state, version, sizeof version);
    SaveKeptVersion(&state->paths, KIND_TOOL, version, TOOL_UPDATED);
    AskToolHelp(state);
    char message[TOOL_WORDS_SIZE + TOOL_VERSION_SIZE + 64];
    snprintf(message, sizeof message, "%s\n\nDownload tool: %s (updated)", state->keeping.updateLine,
             version[0] ? version : "version not known");
    Alert(message, "Vidmora", ALERT_INFORMATION);
}

// Why a finished version run shows no program of the kind chosen; "" when it does, with the
// version to keep in `version`.
static void JudgeChosenVersion(const MainState *state, TaskOutcome outcome, char *version, size_t versionSize,
                               char *reason, size_t size)
{
    const KindInfo *kind = KindOf(state->keeping.kind);
    char line[TOOL_VERSION_SIZE + 200];
    ReadVersionOutput(state, line, sizeof line);
    reason[0] = version[0] = '\0';
    if (outcome == TASK_TIMED_OUT)
        snprintf(reason, size, "it did not answer %s within 20 seconds", kind->versionArgument);
    else if (state->keeping.task.exitCode != 0)
        snprintf(reason, size, "%s failed (exit code %lu)", kind->versionArgument,
                 (unsigned long)state->keeping.task.exitCode);
    else if (!line[0])
        snprintf(reason, size, "it printed no version");
    else
        kind->judge(line, version, versionSize, reason, size);
}

static void FinishChosenVersion(MainState *state, TaskOutcome outcome)
{
    KeptKind kind = state->keeping.kind;
    char version[TOOL_VERSION_SIZE];
    char reason[TOOL_VERSION_SIZE + 120];
    const char *candidate = state->paths.kept[kind].candidatePath;
    JudgeChosenVersion(state, outcome, version, sizeof version, reason, sizeof reason);
    if (!reason[0] &&
        !MoveFileExA(candidate, state->paths.kept[kind].path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        snprintf(reason, sizeof reason, "it could not be kept");
    DeleteFileA(candidate);
    if (reason[0]) {
        EndKeepingJob(state);
        RefuseChoice(kind, reason);
        return;
    }
    SaveKeptVersion(&state->paths, kind, version, TOOL_CHOSEN);
    if (kind == KIND_TOOL)
        AskToolHelp(state);
    else
        EndKeepingJob(state);
    char message[TOOL_VERSION_SIZE + 40];
    snprintf(message, sizeof message, "%s: %s (chosen)", KindOf(kind)->statusName, version);
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
    case KEEPING_CHOSEN_VERSION: FinishChosenVersion(state, outcome); break;
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
        ForgetKept(&state->paths, KIND_TOOL);
    if (keeping->job == KEEPING_BUILT_IN_VERSION)
        DeleteUntilGone(state->paths.versionToolPath);
    keeping->job = KEEPING_NONE;
    RemoveKeepingLeftovers(&state->paths);
    DeleteUntilGone(state->paths.keepingOutPath);
    DeleteUntilGone(state->paths.keepingErrPath);
}
