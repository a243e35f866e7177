// The window menu's items: About and Minimize, as the picture tabs; and for the kept
// programs: update the download tool, choose another,
// go back to the built-in one; choose ffmpeg; choose a JavaScript runtime or none; and a
// greyed line for each that says which is in use. The runs themselves are control/keeping's.
#include "ui/toolmenu.h"

#include <commdlg.h>
#include <stdio.h>
#include <string.h>

#include "control/controller.h"
#include "control/keeping.h"
#include "resources/resource.h"
#include "toolbridge/alert.h"
#include "toolbridge/cookies.h"
#include "toolbridge/signin.h"
#include "toolbridge/systemdll.h"

void AddToolMenu(HWND window)
{
    HMENU menu = GetSystemMenu(window, FALSE);
    // What the picture tabs do, for the keyboard. Each letter is taken by no other entry, the
    // system's included (Restore, Move, Size, Minimize, Maximize, Close; Wine's About Wine).
    AppendMenuA(menu, MF_SEPARATOR, 0, NULL);
    AppendMenuW(menu, MF_STRING, IDM_ABOUT, L"About &Vidmora\u2026");
    AppendMenuA(menu, MF_STRING, IDM_MINIMIZE, "Minimi&ze");
    AppendMenuA(menu, MF_SEPARATOR, 0, NULL);
    AppendMenuA(menu, MF_STRING, IDM_TOOL_UPDATE, "&Update the download tool");
    AppendMenuW(menu, MF_STRING, IDM_TOOL_CHOOSE, L"Choose a &download tool\u2026");
    AppendMenuA(menu, MF_STRING, IDM_TOOL_BUILT_IN, "Use the &built-in download tool");
    AppendMenuA(menu, MF_STRING | MF_GRAYED, IDM_TOOL_STATUS, "Download tool: built in");
    AppendMenuW(menu, MF_STRING, IDM_FFMPEG_CHOOSE, L"Choose &ffmpeg\u2026");
    AppendMenuA(menu, MF_STRING | MF_GRAYED, IDM_FFMPEG_STATUS, "ffmpeg: none");
    AppendMenuW(menu, MF_STRING, IDM_RUNTIME_CHOOSE, L"Choose a &JavaScript runtime\u2026");
    AppendMenuA(menu, MF_STRING, IDM_RUNTIME_NONE, "Use no JavaScript run&time");
    AppendMenuA(menu, MF_STRING | MF_GRAYED, IDM_RUNTIME_STATUS, "JavaScript: none");
    AppendMenuA(menu, MF_SEPARATOR, 0, NULL);
    AppendMenuA(menu, MF_STRING, IDM_SIGNIN_FIREFOX, "Sign &in with Firefox's cookies");
    AppendMenuW(menu, MF_STRING, IDM_SIGNIN_FILE, L"Sign in with a coo&kies file\u2026");
    AppendMenuW(menu, MF_STRING, IDM_SIGNOUT, L"Sign &out\u2026");
    AppendMenuA(menu, MF_STRING | MF_GRAYED, IDM_SIGNIN_STATUS, "Not signed in");
}

// "Signed in: Firefox", "Signed in: cookies file (12 cookies)" or "Not signed in".
static void DescribeSignIn(const MainState *state, char *text, size_t size)
{
    int cookies = 0;
    SignIn signIn = ReadSignIn(&state->paths, &cookies);
    if (signIn == SIGNED_FIREFOX)
        snprintf(text, size, "Signed in: Firefox");
    else if (signIn == SIGNED_FILE)
        snprintf(text, size, "Signed in: cookies file (%d cookie%s)", cookies, cookies == 1 ? "" : "s");
    else
        snprintf(text, size, "Not signed in");
}

// "Download tool: 2023.03.04 (built in)", "ffmpeg: 2018 build (chosen)", "JavaScript: none".
static void DescribeKept(MainState *state, KeptKind kind, char *text, size_t size)
{
    static const char *const SOURCES[] = {"built in", "updated", "chosen"};
    const char *name = KindOf(kind)->statusName;
    char version[TOOL_VERSION_SIZE] = "";
    ToolSource source = TOOL_BUILT_IN;
    bool kept = KeptInUse(&state->paths, kind);
    if (kept && !ReadKeptVersion(&state->paths, kind, version, sizeof version, &source))
        source = kind == KIND_TOOL ? TOOL_UPDATED : TOOL_BUILT_IN;
    if (!kept && kind == KIND_TOOL)
        snprintf(version, sizeof version, "%s", state->keeping.builtInVersion);
    if (!kept && kind != KIND_TOOL && !KeptAvailable(&state->paths, kind))
        snprintf(text, size, "%s: none", name);
    else if (version[0] && strcmp(version, SOURCES[source]) != 0)
        snprintf(text, size, "%s: %s (%s)", name, version, SOURCES[source]);
    else
        snprintf(text, size, "%s: %s", name, SOURCES[source]);
}

void UpdateToolMenu(MainState *state, HMENU menu)
{
    bool keptTool = KeptInUse(&state->paths, KIND_TOOL);
    if (!keptTool)
        AskBuiltInVersion(state);
    // A running tool's file cannot be replaced: Pause or Stop comes first.
    bool busy = ToolBusy(state) || state->controller.downloading == 1 || !HasKeptFolder(&state->paths);
    UINT enabled = busy ? MF_GRAYED : MF_ENABLED;
    EnableMenuItem(menu, IDM_TOOL_UPDATE, MF_BYCOMMAND | enabled);
    EnableMenuItem(menu, IDM_TOOL_CHOOSE, MF_BYCOMMAND | enabled);
    EnableMenuItem(menu, IDM_TOOL_BUILT_IN, MF_BYCOMMAND | (keptTool ? enabled : MF_GRAYED));
    EnableMenuItem(menu, IDM_FFMPEG_CHOOSE, MF_BYCOMMAND | enabled);
    EnableMenuItem(menu, IDM_RUNTIME_CHOOSE, MF_BYCOMMAND | enabled);
    EnableMenuItem(menu, IDM_RUNTIME_NONE,
                   MF_BYCOMMAND | (KeptInUse(&state->paths, KIND_RUNTIME) ? enabled : MF_GRAYED));
    const struct {
        KeptKind kind;
        UINT item;
    } lines[] = {{KIND_TOOL, IDM_TOOL_STATUS}, {KIND_FFMPEG, IDM_FFMPEG_STATUS}, {KIND_RUNTIME, IDM_RUNTIME_STATUS}};
    for (const auto &line : lines) {
        char text[TOOL_VERSION_SIZE + 40];
        DescribeKept(state, line.kind, text, sizeof text);
        ModifyMenuA(menu, line.item, MF_BYCOMMAND | MF_STRING | MF_GRAYED, line.item, text);
    }
    // Each run gets its own copy of the cookies, but a run's end may write them back.
    EnableMenuItem(menu, IDM_SIGNIN_FIREFOX, MF_BYCOMMAND | enabled);
    EnableMenuItem(menu, IDM_SIGNIN_FILE, MF_BYCOMMAND | enabled);
    EnableMenuItem(menu, IDM_SIGNOUT,
                   MF_BYCOMMAND | (ReadSignIn(&state->paths, NULL) != SIGNED_OUT ? enabled : MF_GRAYED));
    char signIn[64];
    DescribeSignIn(state, signIn, sizeof signIn);
    ModifyMenuA(menu, IDM_SIGNIN_STATUS, MF_BYCOMMAND | MF_STRING | MF_GRAYED, IDM_SIGNIN_STATUS, signIn);
}

int TabOfMenuItem(WPARAM command)
{
    UINT item = (UINT)(command & 0xFFF0);
    return item == IDM_ABOUT ? IDC_ABOUT_TAB : item == IDM_MINIMIZE ? IDC_MINIMIZE_TAB : 0;
}

typedef BOOL(WINAPI *OpenDialogFunction)(OPENFILENAMEA *);

// The Open dialog for `filter`; false when it was cancelled.
static bool AskForFile(MainState *state, const char *filter, char *path, size_t size)
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
    dialog.lpstrFilter = filter;
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

// Signing in: Firefox where it keeps cookies, a cookies file where it is sound; else nothing
// changes and the person is told why. The status is told back as the menu shows it.
static void SignInWith(MainState *state, UINT item)
{
    char text[PATH_SIZE + COOKIE_REASON_SIZE + 120];
    if (item == IDM_SIGNIN_FIREFOX) {
        if (!FirefoxHasCookies()) {
            Alert("Firefox's cookies were not found: no Firefox profile under %APPDATA%\\Mozilla\\Firefox\\Profiles "
                  "holds a cookies.sqlite. Nothing was changed; a cookies file can sign you in instead.",
                  "Alert", ALERT_WARNING);
            return;
        }
        if (!SignInWithFirefox(&state->paths)) {
            Alert("The choice could not be kept in the per-user folder. Nothing was changed.", "Alert", ALERT_WARNING);
            return;
        }
    } else {
        char chosen[PATH_SIZE], reason[COOKIE_REASON_SIZE];
        int cookies = 0;
        if (!AskForFile(state, "Cookies files (*.txt)\0*.txt\0All files (*.*)\0*.*\0", chosen, sizeof chosen))
            return;
        if (!KeepCookiesFile(&state->paths, chosen, reason, sizeof reason, &cookies)) {
            snprintf(text, sizeof text, "This file cannot sign you in: %s. Nothing was changed.", reason);
            Alert(text, "Alert", ALERT_WARNING);
            return;
        }
    }
    DescribeSignIn(state, text, sizeof text);
    Alert(text, "Vidmora", ALERT_INFORMATION);
}

static void ChooseFile(MainState *state, KeptKind kind)
{
    char chosen[PATH_SIZE];
    if (AskForFile(state, "Programs (*.exe)\0*.exe\0", chosen, sizeof chosen))
        CheckChosenFile(state, kind, chosen);
}

bool OnToolMenuCommand(MainState *state, WPARAM command)
{
    UINT item = (UINT)(command & 0xFFF0);
    if (item != IDM_TOOL_UPDATE && item != IDM_TOOL_CHOOSE && item != IDM_TOOL_BUILT_IN &&
        item != IDM_FFMPEG_CHOOSE && item != IDM_RUNTIME_CHOOSE && item != IDM_RUNTIME_NONE &&
        item != IDM_SIGNIN_FIREFOX && item != IDM_SIGNIN_FILE && item != IDM_SIGNOUT)
        return item == IDM_TOOL_STATUS || item == IDM_FFMPEG_STATUS || item == IDM_RUNTIME_STATUS ||
               item == IDM_SIGNIN_STATUS;
    // The items are greyed then, but a command can still be sent.
    if (ModalOpen() || ToolBusy(state) || state->controller.downloading == 1 || !HasKeptFolder(&state->paths))
        return true;
    if (item == IDM_TOOL_UPDATE)
        BeginUpdate(state);
    else if (item == IDM_TOOL_CHOOSE)
        ChooseFile(state, KIND_TOOL);
    else if (item == IDM_FFMPEG_CHOOSE)
        ChooseFile(state, KIND_FFMPEG);
    else if (item == IDM_RUNTIME_CHOOSE)
        ChooseFile(state, KIND_RUNTIME);
    else if (item == IDM_RUNTIME_NONE && KeptInUse(&state->paths, KIND_RUNTIME) &&
             AskYesNo("Remove the kept JavaScript runtime? Some formats of YouTube pages may then be missing."))
        RefuseKept(&state->paths, KIND_RUNTIME);
    else if (item == IDM_SIGNIN_FIREFOX || item == IDM_SIGNIN_FILE)
        SignInWith(state, item);
    else if (item == IDM_SIGNOUT && ReadSignIn(&state->paths, NULL) != SIGNED_OUT &&
             AskYesNo("Sign out? The kept cookies are removed, and a site that asks who you are may refuse "
                      "its videos."))
        SignOut(&state->paths);
    else if (item == IDM_TOOL_BUILT_IN && KeptInUse(&state->paths, KIND_TOOL) &&
             AskYesNo("Remove the kept download tool and use the built-in one again?"))
        ForgetKept(&state->paths, KIND_TOOL);
    return true;
}
