// Character boundaries in UTF-8 and in the legacy double-byte code pages.
#include "toolbridge/textrules.h"

#include <stdio.h>
#include <string.h>

#include "toolbridge/paths.h"

static unsigned textCodePage = 1252;

void SetTextCodePage(unsigned codePage)
{
    textCodePage = codePage;
}

unsigned TextCodePage()
{
    return textCodePage;
}

bool IsLeadByte(unsigned codePage, unsigned char byte)
{
    switch (codePage) {
    case 932: return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    case 936:
    case 949:
    case 950: return byte >= 0x81 && byte <= 0xFE;
    default: return false;
    }
}

// Length of the UTF-8 sequence a lead byte announces; 0 for a byte that cannot begin one.
static size_t SequenceLength(unsigned char byte)
{
    if (byte < 0x80)
        return 1;
    if (byte >= 0xC2 && byte <= 0xDF)
        return 2;
    if (byte >= 0xE0 && byte <= 0xEF)
        return 3;
    if (byte >= 0xF0 && byte <= 0xF4)
        return 4;
    return 0;
}

// Length of the well-formed sequence at `text`, 0 when it is not one.
static size_t ValidSequence(const unsigned char *text, size_t length)
{
    size_t need = SequenceLength(text[0]);
    if (need == 0 || need > length)
        return 0;
    for (size_t i = 1; i < need; i++)
        if ((text[i] & 0xC0) != 0x80)
            return 0;
    // The second byte's range rules out overlong forms, surrogates and values past U+10FFFF.
    if ((text[0] == 0xE0 && text[1] < 0xA0) || (text[0] == 0xED && text[1] > 0x9F) ||
        (text[0] == 0xF0 && text[1] < 0x90) || (text[0] == 0xF4 && text[1] > 0x8F))
        return 0;
    return need;
}

size_t CharacterCut(const char *text, size_t length, size_t limit, unsigned codePage)
{
    if (limit >= length)
        return length;
    const unsigned char *bytes = (const unsigned char *)text;
    if (codePage == CODE_PAGE_UTF8) {
        size_t cut = limit;
        while (cut > 0 && (bytes[cut] & 0xC0) == 0x80)
            cut--;
        return cut;
    }
    // Lead and trail bytes share values, so only a walk from the start tells them apart.
    size_t at = 0;
    while (at < limit) {
        size_t step = IsLeadByte(codePage, bytes[at]) && at + 1 < length ? 2 : 1;
        if (at + step > limit)
            break;
        at += step;
    }
    return at;
}

const char *LastBackslash(const char *path, unsigned codePage)
{
    const char *last = NULL;
    for (const char *p = path; *p; p++) {
        if (IsLeadByte(codePage, (unsigned char)*p) && p[1]) {
            p++;
            continue;
        }
        if (*p == '\\')
            last = p;
    }
    return last;
}

bool IsValidUtf8(const char *text, size_t length)
{
    const unsigned char *bytes = (const unsigned char *)text;
    for (size_t at = 0; at < length;) {
        size_t step = ValidSequence(bytes + at, length - at);
        if (step == 0)
            return false;
        at += step;
    }
    return true;
}

void ReplaceInvalidUtf8(char *text)
{
    unsigned char *bytes = (unsigned char *)text;
    size_t length = strlen(text);
    for (size_t at = 0; at < length;) {
        size_t step = ValidSequence(bytes + at, length - at);
        if (step == 0) {
            bytes[at] = '_';
            step = 1;
        }
        at += step;
    }
}

static bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

void TidyFileName(char *name, size_t size)
{
    const char *extension = ExtensionOf(name);
    // Only an extension: ExtensionOf takes ".mp4" for a hidden file's whole name.
    if (!extension && name[0] == '.' && strlen(name) <= 8 && !strchr(name + 1, '.'))
        extension = name;
    size_t stemEnd = extension ? (size_t)(extension - name) : strlen(name);
    size_t start = 0;
    while (start < stemEnd && IsBlank(name[start]))
        start++;
    size_t end = stemEnd;
    while (end > start && IsBlank(name[end - 1]))
        end--;
    char tidy[PATH_SIZE];
    const char *stem = end > start ? name + start : "video";
    int stemLength = end > start ? (int)(end - start) : 5;
    snprintf(tidy, sizeof tidy, "%.*s%s", stemLength, stem, extension ? extension : "");
    snprintf(name, size, "%s", tidy);
}
