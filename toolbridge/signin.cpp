// The kept sign-in: a mark for Firefox, or the program's own copy of a cookies file.
#include "toolbridge/signin.h"

#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "toolbridge/cookies.h"
#include "toolbridge/keptool.h"

static const char COOKIES_NAME[] = "cookies.txt";
static const char FIREFOX_NAME[] = "cookies-firefox";
static const char RUN_COPY_PATTERN[] = "cookies-*.txt";

static bool KeptPath(const WorkPaths *paths, const char *name, char *path)
{
    return paths->keptFolder[0] && JoinText(path, PATH_SIZE, paths->keptFolder, "\\") &&
           JoinText(path, PATH_SIZE, path, name);
}

static bool Exists(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The whole of a file up to the cookies limit (and one byte more, to see it is larger);
// malloc'ed, null when it cannot be read.
static char *ReadCookieFile(const char *path, size_t *length)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return NULL;
    LARGE_INTEGER size;
    char *text = NULL;
    DWORD got = 0;
    if (GetFileSizeEx(file, &size)) {
        DWORD wanted = size.QuadPart > COOKIE_FILE_LIMIT ? COOKIE_FILE_LIMIT + 1 : (DWORD)size.QuadPart;
        text = (char *)malloc(wanted + 1);
        if (text && !ReadFile(file, text, wanted, &got, NULL)) {
            free(text);
            text = NULL;
        }
        *length = size.QuadPart > COOKIE_FILE_LIMIT ? (size_t)size.QuadPart : got;
    }
    CloseHandle(file);
    return text;
}

// Writes `text` as the kept cookies, whole or not at all.
static bool WriteKeptCookies(const WorkPaths *paths, const char *text, size_t length)
{
    char kept[PATH_SIZE], fresh[PATH_SIZE];
    if (!MakeKeptFolder(paths) || !KeptPath(paths, COOKIES_NAME, kept) || !JoinText(fresh, sizeof fresh, kept, ".new"))
        return false;
    HANDLE file = CreateFileA(fresh, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool whole = WriteFile(file, text, (DWORD)length, &written, NULL) && written == length;
    whole = CloseHandle(file) && whole;
    if (whole && MoveFileExA(fresh, kept, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileA(fresh);
    return false;
}

SignIn ReadSignIn(const WorkPaths *paths, int *cookies)
{
    char path[PATH_SIZE];
    if (cookies)
        *cookies = 0;
    if (KeptPath(paths, COOKIES_NAME, path) && Exists(path)) {
        size_t length = 0;
        char *text = cookies ? ReadCookieFile(path, &length) : NULL;
        if (text) {
            *cookies = CheckCookieText(text, length).cookies;
            free(text);
        }
        return SIGNED_FILE;
    }
    return KeptPath(paths, FIREFOX_NAME, path) && Exists(path) ? SIGNED_FIREFOX : SIGNED_OUT;
}

bool FirefoxHasCookies()
{
    char profiles[PATH_SIZE];
    DWORD n = GetEnvironmentVariableA("APPDATA", profiles, sizeof profiles);
    char pattern[PATH_SIZE];
    if (n == 0 || n >= sizeof profiles ||
        !JoinText(pattern, sizeof pattern, profiles, "\\Mozilla\\Firefox\\Profiles\\*"))
        return false;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    bool has = false;
    do {
        char database[PATH_SIZE];
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && found.cFileName[0] != '.' &&
            snprintf(database, sizeof database, "%s\\Mozilla\\Firefox\\Profiles\\%s\\cookies.sqlite", profiles,
                     found.cFileName) < (int)sizeof database)
            has = Exists(database);
    } while (!has && FindNextFileA(search, &found));
    FindClose(search);
    return has;
}

bool SignInWithFirefox(const WorkPaths *paths)
{
    char mark[PATH_SIZE], kept[PATH_SIZE];
    if (!MakeKeptFolder(paths) || !KeptPath(paths, FIREFOX_NAME, mark))
        return false;
    HANDLE file = CreateFileA(mark, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    if (KeptPath(paths, COOKIES_NAME, kept))
        DeleteUntilGone(kept);
    return true;
}

bool KeepCookiesFile(const WorkPaths *paths, const char *chosen, char *reason, size_t size, int *cookies)
{
    DWORD attributes = GetFileAttributesA(chosen);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        snprintf(reason, size, "it is a folder");
        return false;
    }
    size_t length = 0;
    char *text = ReadCookieFile(chosen, &length);
    if (!text) {
        snprintf(reason, size, "it cannot be read");
        return false;
    }
    CookieCheck check = CheckCookieText(text, length);
    DescribeCookieVerdict(&check, reason, size);
    bool kept = check.verdict == COOKIES_FINE && WriteKeptCookies(paths, text + check.start, length - check.start);
    free(text);
    if (check.verdict == COOKIES_FINE && !kept)
        snprintf(reason, size, "it could not be copied to the per-user folder");
    if (!kept)
        return false;
    char mark[PATH_SIZE];
    if (KeptPath(paths, FIREFOX_NAME, mark))
        DeleteUntilGone(mark);
    *cookies = check.cookies;
    return true;
}

void SignOut(const WorkPaths *paths)
{
    const char *names[] = {COOKIES_NAME, FIREFOX_NAME};
    for (const char *name : names) {
        char path[PATH_SIZE];
        if (KeptPath(paths, name, path))
            DeleteUntilGone(path);
    }
    RemoveRunCookies(paths);
}

bool CopyCookiesForRun(const WorkPaths *paths, const char *name, char *copy)
{
    char kept[PATH_SIZE], file[64];
    copy[0] = '\0';
    snprintf(file, sizeof file, "\\cookies-%s.txt", name);
    if (!paths->runFolder[0] || !KeptPath(paths, COOKIES_NAME, kept) || !Exists(kept) ||
        !JoinText(copy, PATH_SIZE, paths->runFolder, file))
        return false;
    if (CopyFileA(kept, copy, FALSE))
        return true;
    copy[0] = '\0';
    return false;
}

void EndRunCookies(const WorkPaths *paths, char *copy, bool endedWell)
{
    if (!copy[0])
        return;
    char kept[PATH_SIZE];
    if (endedWell && KeptPath(paths, COOKIES_NAME, kept) && Exists(kept)) {
        // What the tool wrote is outside input: kept only where it is still a sound file.
        size_t length = 0;
        char *text = ReadCookieFile(copy, &length);
        if (text && CheckCookieText(text, length).verdict == COOKIES_FINE)
            WriteKeptCookies(paths, text, length);
        free(text);
    }
    DeleteUntilGone(copy);
    copy[0] = '\0';
}

void RemoveRunCookies(const WorkPaths *paths)
{
    char pattern[PATH_SIZE];
    if (!paths->runFolder[0] || !JoinText(pattern, sizeof pattern, paths->runFolder, "\\") ||
        !JoinText(pattern, sizeof pattern, pattern, RUN_COPY_PATTERN))
        return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        char path[PATH_SIZE];
        if (snprintf(path, sizeof path, "%s\\%s", paths->runFolder, found.cFileName) < (int)sizeof path)
            DeleteUntilGone(path);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

void RunTempFolder(const WorkPaths *paths, const char *name, char *folder)
{
    if (!paths->runFolder[0] || snprintf(folder, PATH_SIZE, "%s\\tmp-%s", paths->runFolder, name) >= PATH_SIZE)
        folder[0] = '\0';
}
