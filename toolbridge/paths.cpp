// Path and file-name helpers; window-free so they are tested natively.
#include "toolbridge/paths.h"

#include <stdlib.h>
#include <string.h>

// Longer "extensions" are taken as part of the title (a sentence with a dot in it).
enum { MAX_EXTENSION_LENGTH = 8 };

char *DirectoryOf(const char *path)
{
    const char *slash = strrchr(path, '\\');
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
        name[maxLength] = '\0';
        return;
    }
    memmove(name + maxLength - extensionLength, extension, extensionLength + 1);
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
