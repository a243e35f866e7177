// Path and file-name helpers; window-free so they are tested natively.
#include "toolbridge/paths.h"

#include "toolbridge/textrules.h"

#include <stdlib.h>
#include <string.h>

// Longer "extensions" are taken as part of the title (a sentence with a dot in it).
enum { MAX_EXTENSION_LENGTH = 8 };

char *DirectoryOf(const char *path)
{
    const char *slash = LastBackslash(path, TextCodePage());
    size_t length = slash ? (size_t)(slash - path) + 1 : 0;
    char *directory = (char *)malloc(length + 1);
    if (!directory)
        return nullptr;
    memcpy(directory, path, length);
    directory[length] = '\0';
    return directory;
}

const char *ExtensionOf(const char *name)
{
    const char *dot = strrchr(name, '.');
    if (!dot || dot == name || strlen(dot) > MAX_EXTENSION_LENGTH || strchr(dot, '\\'))
        return nullptr;
    return dot;
}

void ShortenFileName(char *name, size_t maxLength)
{
    size_t length = strlen(name);
    if (length <= maxLength)
        return;
    const char *extension = ExtensionOf(name);
    size_t extensionLength = extension ? strlen(extension) : 0;
    if (extensionLength == 0 || extensionLength >= maxLength) {
        name[CharacterCut(name, length, maxLength, TextCodePage())] = '\0';
        return;
    }
    size_t stem = CharacterCut(name, length, maxLength - extensionLength, TextCodePage());
    memmove(name + stem, extension, extensionLength + 1);
}

bool JoinText(char *out, size_t size, const char *first, const char *second)
{
    size_t a = strlen(first), b = strlen(second);
    if (a + b + 1 > size) {
        if (size > 0)
            out[0] = '\0';
        return false;
    }
    memmove(out, first, a);
    memmove(out + a, second, b + 1);
    return true;
}

bool IsDownloadPart(const char *destinationName, const char *name)
{
    const char *extension = ExtensionOf(destinationName);
    size_t stemLength = extension ? (size_t)(extension - destinationName) : strlen(destinationName);
    return stemLength > 0 && strncmp(name, destinationName, stemLength) == 0 && name[stemLength] == '.' &&
           name[stemLength + 1] != '\0' && strcmp(name, destinationName) != 0 && !strchr(name, '\\') &&
           !strchr(name, '/');
}

bool ReplaceExtension(char *path, size_t size, const char *extension)
{
    const char *slash = LastBackslash(path, TextCodePage());
    const char *old = ExtensionOf(slash ? slash + 1 : path);
    if (old && strcmp(old + 1, extension) == 0)
        return false;
    size_t stem = old ? (size_t)(old - path) : strlen(path);
    if (stem + strlen(extension) + 2 > size)
        return false;
    path[stem] = '.';
    memcpy(path + stem + 1, extension, strlen(extension) + 1);
    return true;
}

unsigned long PathHash(const char *path)
{
    unsigned long hash = 2166136261u;
    for (const unsigned char *p = (const unsigned char *)path; *p; p++) {
        unsigned char c = *p >= 'a' && *p <= 'z' ? (unsigned char)(*p - 'a' + 'A') : *p;
        hash = ((hash ^ c) * 16777619u) & 0xFFFFFFFFu;
    }
    return hash;
}
