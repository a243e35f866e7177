// The keys, each as the click it stands for, with the same checks as the buttons.
#include "ui/keyboard.h"

#include "resources/resource.h"
#include "ui/commands.h"

enum { FROM_ACCELERATOR = 1 };

static bool IsBox(const MainState *state, HWND control)
{
    return control && (control == GetDlgItem(state->window, IDC_URL_EDIT) ||
                       control == GetDlgItem(state->window, IDC_DEST_EDIT));
}

static bool IsButton(int id)
{
    return id == IDC_PASTE || id == IDC_SAVE || id == IDC_START || id == IDC_PAUSE;
}

// Enter: IsDialogMessage sends IDOK for whatever control has the focus.
static WPARAM OnEnter(MainState *state)
{
    HWND focus = GetFocus();
    if (focus && focus == GetDlgItem(state->window, IDC_URL_EDIT)) {
        LoadTypedAddress(state);
        return 0;
    }
    int id = focus && GetParent(focus) == state->window ? GetDlgCtrlID(focus) : 0;
    return IsButton(id) && IsWindowEnabled(focus) ? (WPARAM)id : 0;
}

WPARAM ButtonOfKey(MainState *state, WPARAM command, LPARAM lParam)
{
    if (command == IDOK)
        return OnEnter(state);
    // A control's notification carries the control (STN_DBLCLK has the accelerators' 1 too).
    if (HIWORD(command) != FROM_ACCELERATOR || lParam != 0)
        return command;
    int id = LOWORD(command);
    if (id == IDK_CTRL_V) {
        // In a box Ctrl+V pastes into it, as it always did.
        HWND focus = GetFocus();
        if (IsBox(state, focus)) {
            SendMessageA(focus, WM_PASTE, 0, 0);
            return 0;
        }
        id = IDC_PASTE;
    }
    if (!IsButton(id) || !IsWindowEnabled(GetDlgItem(state->window, id)))
        return 0;
    // Paste URL from a key waits as a drop does; the button itself is disabled then.
    return id == IDC_PASTE && !TakesAnAddress(state) ? 0 : (WPARAM)id;
}
