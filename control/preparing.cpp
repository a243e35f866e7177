// Writing the build's own programs beside the window, then the run that waited for them.
#include "control/preparing.h"

#include <stdio.h>

#include "control/controller.h"
#include "control/loading.h"
#include "resources/resource.h"
#include "toolbridge/alert.h"
#include "toolbridge/keptool.h"

// The kinds a build may carry and every run names, in the order they are written.
static const KeptKind CARRIED[] = {KIND_FFMPEG, KIND_RUNTIME};

// The first carried kind from `from` on that needs writing; KIND_COUNT when none does.
static KeptKind NextToWrite(const MainState *state, size_t from)
{
    for (size_t i = from; i < sizeof CARRIED / sizeof CARRIED[0]; i++)
        if (BuiltInNeedsWriting(&state->paths, CARRIED[i]))
            return CARRIED[i];
    return KIND_COUNT;
}

static size_t PlaceOf(KeptKind kind)
{
    for (size_t i = 0; i < sizeof CARRIED / sizeof CARRIED[0]; i++)
        if (CARRIED[i] == kind)
            return i;
    return sizeof CARRIED / sizeof CARRIED[0];
}

static void BeginWriting(MainState *state, KeptKind kind)
{
    state->preparing.kind = kind;
    state->preparing.written = 0;
    SetDlgItemTextW(state->window, IDC_STATUS, KindOf(kind)->preparingStatus);
}

bool PrepareFirst(MainState *state, PendingRun next)
{
    KeptKind kind = NextToWrite(state, 0);
    if (kind == KIND_COUNT)
        return false;
    state->preparing.next = next;
    BeginWriting(state, kind);
    ShowIdleControls(state);
    return true;
}

void FollowPreparing(MainState *state)
{
    Preparing *preparing = &state->preparing;
    if (preparing->next == PENDING_NONE || ModalOpen())
        return;
    bool failed = false;
    if (!WriteBuiltInPiece(&state->paths, preparing->kind, &preparing->written, &failed) && !failed)
        return;
    if (failed) {
        char message[200];
        snprintf(message, sizeof message,
                 "The build's own %s could not be written to the per-user folder; the download tool "
                 "runs without it.",
                 preparing->kind == KIND_FFMPEG ? "ffmpeg" : "JavaScript runtime");
        Alert(message, "Alert", ALERT_WARNING);
    }
    KeptKind kind = NextToWrite(state, PlaceOf(preparing->kind) + 1);
    if (kind != KIND_COUNT) {
        BeginWriting(state, kind);
        return;
    }
    PendingRun next = preparing->next;
    preparing->next = PENDING_NONE;
    SetDlgItemTextA(state->window, IDC_STATUS, "");
    if (next == PENDING_LOAD)
        ResumeLoading(state);
    else
        StartOrContinue(state);
}
