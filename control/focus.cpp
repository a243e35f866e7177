// The keyboard focus among the main window's controls, so that it is never lost to nothing.
#include "control/focus.h"

#include "resources/resource.h"
#include "toolbridge/alert.h"

// Tab order is creation order: these are every control with WS_TABSTOP, first to last.
static const int TAB_ORDER[] = {IDC_URL_EDIT, IDC_DEST_EDIT, IDC_PASTE, IDC_SAVE, IDC_START, IDC_PAUSE};
enum { TAB_STOPS = sizeof TAB_ORDER / sizeof TAB_ORDER[0] };

static bool TakesFocus(HWND control)
{
    return control && IsWindowEnabled(control) && IsWindowVisible(control);
}

static bool Among(HWND window, HWND control, const int *ids, int count)
{
    for (int i = 0; i < count; i++)
        if (GetDlgItem(window, ids[i]) == control)
            return true;
    return false;
}

// The next control after `from` in tab order that takes the focus and is not among `ids`.
static HWND NextTabStop(HWND window, HWND from, const int *ids, int count)
{
    // From no control, the first in tab order comes first.
    int start = TAB_STOPS - 1;
    for (int i = 0; i < TAB_STOPS; i++)
        if (GetDlgItem(window, TAB_ORDER[i]) == from)
            start = i;
    for (int step = 1; step <= TAB_STOPS; step++) {
        HWND next = GetDlgItem(window, TAB_ORDER[(start + step) % TAB_STOPS]);
        if (next != from && TakesFocus(next) && !Among(window, next, ids, count))
            return next;
    }
    return NULL;
}

void EnableControls(MainState *state, const int *ids, int count, bool enable)
{
    HWND focus = GetFocus();
    if (!enable && focus && Among(state->window, focus, ids, count)) {
        HWND next = NextTabStop(state->window, focus, ids, count);
        // A disabled control leaves the focus on nothing, and the keys with it.
        if (!next)
            state->savedFocus = focus;
        SetFocus(next ? next : state->window);
    }
    for (int i = 0; i < count; i++)
        EnableWindow(GetDlgItem(state->window, ids[i]), enable);
}

void EnableControl(MainState *state, int id, bool enable)
{
    EnableControls(state, &id, 1, enable);
}

void RememberFocus(MainState *state)
{
    HWND focus = GetFocus();
    if (focus && IsChild(state->window, focus))
        state->savedFocus = focus;
}

// The control that should have the focus now; null when none can take it.
static HWND FocusTarget(const MainState *state)
{
    HWND saved = state->savedFocus;
    if (TakesFocus(saved))
        return saved;
    if (saved)
        return NextTabStop(state->window, saved, NULL, 0);
    // The first time: Paste URL, else the first control in tab order that can take it.
    HWND paste = GetDlgItem(state->window, IDC_PASTE);
    return TakesFocus(paste) ? paste : NextTabStop(state->window, NULL, NULL, 0);
}

void GiveFocusBack(MainState *state)
{
    HWND target = FocusTarget(state);
    SetFocus(target ? target : state->window);
}

void KeepFocusOnAControl(MainState *state)
{
    if (ModalOpen() || GetActiveWindow() != state->window)
        return;
    HWND focus = GetFocus();
    HWND target = focus && focus != state->window ? NULL : FocusTarget(state);
    if (target)
        SetFocus(target);
}
