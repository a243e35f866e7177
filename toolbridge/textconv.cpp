// Conversions through UTF-16 with the system's code pages.
#include "toolbridge/textconv.h"

#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "toolbridge/textrules.h"

unsigned LegacyCodePage()
{
    char digits[8];
    if (GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, digits, sizeof digits) > 0) {
        unsigned codePage = (unsigned)strtoul(digits, NULL, 10);
        if (codePage != 0 && codePage != CODE_PAGE_UTF8)
            return codePage;
    }
    return 1252;
}

bool ProcessIsUtf8()
{
    return GetACP() == CODE_PAGE_UTF8;
}

static unsigned ProcessCodePage()
{
    return ProcessIsUtf8() ? (unsigned)CODE_PAGE_UTF8 : GetACP();
}

static bool WideToCodePage(const wchar_t *text, unsigned codePage, char *out, size_t size)
{
    int length = WideCharToMultiByte(codePage, 0, text, -1, NULL, 0, NULL, NULL);
    if (length <= 0 || size == 0)
        return false;
    char *whole = (char *)malloc((size_t)length);
    bool converted = whole && WideCharToMultiByte(codePage, 0, text, -1, whole, length, NULL, NULL) > 0;
    if (converted) {
        size_t cut = CharacterCut(whole, strlen(whole), size - 1, codePage);
        memcpy(out, whole, cut);
        out[cut] = '\0';
    }
    free(whole);
    return converted;
}

bool ConvertText(const char *text, unsigned fromCodePage, unsigned toCodePage, char *out, size_t size)
{
    int wideLength = MultiByteToWideChar(fromCodePage, MB_ERR_INVALID_CHARS, text, -1, NULL, 0);
    if (wideLength <= 0)
        return false;
    wchar_t *wide = (wchar_t *)malloc((size_t)wideLength * sizeof *wide);
    bool converted = wide &&
                     MultiByteToWideChar(fromCodePage, MB_ERR_INVALID_CHARS, text, -1, wide, wideLength) > 0 &&
                     WideToCodePage(wide, toCodePage, out, size);
    free(wide);
    return converted;
}

static bool Convert(const char *text, unsigned codePage, char *out, size_t size)
{
    return ConvertText(text, codePage, ProcessCodePage(), out, size);
}

static void CopyWhole(const char *text, char *out, size_t size)
{
    size_t length = CharacterCut(text, strlen(text), size - 1, TextCodePage());
    memmove(out, text, length);
    out[length] = '\0';
}

void ToolTextToProcess(const char *text, bool askedUtf8, char *out, size_t size)
{
    if (size == 0)
        return;
    if (!ProcessIsUtf8() || (askedUtf8 && IsValidUtf8(text, strlen(text)))) {
        CopyWhole(text, out, size);
        return;
    }
    if (Convert(text, LegacyCodePage(), out, size))
        return;
    CopyWhole(text, out, size);
    ReplaceInvalidUtf8(out);
}

char *ToolStringToProcess(char *text, bool askedUtf8)
{
    // A legacy byte becomes at most three bytes of UTF-8.
    size_t size = strlen(text) * 3 + 1;
    char *converted = (char *)malloc(size);
    if (!converted)
        return text;
    ToolTextToProcess(text, askedUtf8, converted, size);
    free(text);
    return converted;
}

void RecordTextToProcess(char *text, size_t size)
{
    if (!ProcessIsUtf8() || IsValidUtf8(text, strlen(text)))
        return;
    char converted[2048];
    if (!Convert(text, LegacyCodePage(), converted, size < sizeof converted ? size : sizeof converted)) {
        ReplaceInvalidUtf8(text);
        return;
    }
    memcpy(text, converted, strlen(converted) + 1);
}

// Converts all of `text`, or nothing: false when a character has no place in the code page.
static bool WideFitsProcess(const wchar_t *text, char *out, size_t size)
{
    BOOL lost = FALSE;
    // UTF-8 holds every character, and refuses to be asked whether it lost one.
    int length = WideCharToMultiByte(CP_ACP, ProcessIsUtf8() ? 0 : WC_NO_BEST_FIT_CHARS, text, -1, out,
                                     (int)size, NULL, ProcessIsUtf8() ? NULL : &lost);
    return length > 0 && !lost;
}

bool TempDirectory(char *out, size_t size)
{
    wchar_t longPath[MAX_PATH], shortPath[MAX_PATH];
    DWORD length = GetTempPathW(MAX_PATH, longPath);
    if (length == 0 || length >= MAX_PATH)
        return false;
    if (WideFitsProcess(longPath, out, size))
        return true;
    length = GetShortPathNameW(longPath, shortPath, MAX_PATH);
    return length > 0 && length < MAX_PATH && WideFitsProcess(shortPath, out, size);
}

bool WideToProcess(const wchar_t *text, char *out, size_t size)
{
    return WideToCodePage(text, ProcessCodePage(), out, size);
}

bool FromWindows1252(const char *text, char *out, size_t size)
{
    return ConvertText(text, 1252, ProcessCodePage(), out, size);
}

char *FilterBlockFromWindows1252(const char *block, size_t size)
{
    // Each byte becomes at most three.
    size_t room = size * 3 + 2;
    char *converted = (char *)calloc(room, 1);
    if (!converted)
        return NULL;
    size_t used = 0;
    for (const char *piece = block; *piece && used < room - 1; piece += strlen(piece) + 1) {
        if (!FromWindows1252(piece, converted + used, room - 1 - used))
            snprintf(converted + used, room - 1 - used, "%s", piece);
        used += strlen(converted + used) + 1;
    }
    converted[used] = '\0';
    return converted;
}
