// The single instance: a mutex named after the temporary directory, and the hand-over.
#include "ui/instance.h"

#include <stdio.h>
#include <string.h>

#include "toolbridge/alert.h"
#include "toolbridge/paths.h"
#include "toolbridge/systemdll.h"
#include "toolbridge/textconv.h"
#include "ui/mainwindow.h"

enum { ANSWER_LIMIT_MS = 5000, SEARCH_PAUSE_MS = 50 };

// Held for the life of the process; the system releases it at exit, also after a crash.
static HANDLE instanceMutex;

typedef BOOL(WINAPI *OpenTokenFunction)(HANDLE, DWORD, PHANDLE);
typedef BOOL(WINAPI *TokenInformationFunction)(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD);
typedef BOOL(WINAPI *EqualSidFunction)(PSID, PSID);

struct TokenUserBuffer {
    TOKEN_USER user;
    BYTE room[SECURITY_MAX_SID_SIZE];
};

static bool ProcessUser(DWORD processId, TokenUserBuffer *buffer)
{
    // advapi32 only on this rare path, never at an ordinary start.
    OpenTokenFunction openToken =
        (OpenTokenFunction)(void (*)(void))SystemFunction("advapi32.dll", "OpenProcessToken");
    TokenInformationFunction tokenInformation =
        (TokenInformationFunction)(void (*)(void))SystemFunction("advapi32.dll", "GetTokenInformation");
    if (!openToken || !tokenInformation)
        return false;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId);
    if (!process)
        return false;
    HANDLE token = NULL;
    DWORD size = 0;
    bool found = openToken(process, TOKEN_QUERY, &token) &&
                 tokenInformation(token, TokenUser, buffer, sizeof *buffer, &size);
    if (token)
        CloseHandle(token);
    CloseHandle(process);
    return found;
}

// Whether `window` belongs to a process of this same user: a window of that class and title
// made by anyone else in the session must not take our address or keep us from starting.
static bool IsOurUsersWindow(HWND window)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    TokenUserBuffer ours, theirs;
    EqualSidFunction equalSid = (EqualSidFunction)(void (*)(void))SystemFunction("advapi32.dll", "EqualSid");
    return equalSid && ProcessUser(GetCurrentProcessId(), &ours) && ProcessUser(processId, &theirs) &&
           equalSid(ours.user.User.Sid, theirs.user.User.Sid);
}

// The running instance's main window; it may still be on its way when we look.
static HWND FindFirstWindow()
{
    for (DWORD waited = 0; waited < ANSWER_LIMIT_MS; waited += SEARCH_PAUSE_MS) {
        for (HWND window = FindWindowExA(NULL, NULL, MAIN_WINDOW_CLASS, MAIN_WINDOW_TITLE); window;
             window = FindWindowExA(NULL, window, MAIN_WINDOW_CLASS, MAIN_WINDOW_TITLE))
            if (IsOurUsersWindow(window))
                return window;
        Sleep(SEARCH_PAUSE_MS);
    }
    return NULL;
}

// Brings the window forward and gives it the address; false when it did not answer.
static bool HandOver(HWND window, const char *commandLine)
{
    DWORD_PTR answer = 0;
    if (IsIconic(window))
        ShowWindowAsync(window, SW_RESTORE);
    SetForegroundWindow(window);
    if (!commandLine || !commandLine[0])
        return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, ANSWER_LIMIT_MS, &answer) != 0;
    COPYDATASTRUCT data;
    data.dwData = HANDED_ADDRESS_TAG;
    data.cbData = (DWORD)strlen(commandLine) + 1;
    data.lpData = (void *)commandLine;
    return SendMessageTimeoutA(window, WM_COPYDATA, 0, (LPARAM)&data, SMTO_ABORTIFHUNG, ANSWER_LIMIT_MS,
                               &answer) != 0;
}

bool ClaimInstance(const char *commandLine)
{
    char tempDir[MAX_PATH];
    if (!TempDirectory(tempDir, sizeof tempDir))
        return true;
    char name[64];
    snprintf(name, sizeof name, "Local\\Vidmora-%08lx", PathHash(tempDir));
    instanceMutex = CreateMutexA(NULL, FALSE, name);
    // Without the mutex (one made by another user that we may not open, say) the program
    // runs as it always did.
    if (!instanceMutex || GetLastError() != ERROR_ALREADY_EXISTS)
        return true;
    HWND first = FindFirstWindow();
    // No window of this user: the name is someone else's, not a running Vidmora.
    if (!first)
        return true;
    if (!HandOver(first, commandLine))
        Alert("Vidmora is already running but does not answer. Close it, then start it again.", "Alert",
              ALERT_WARNING);
    return false;
}
