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

bool IsFormatPart(const char *name)
{
    const char *extension = ExtensionOf(name);
    if (!extension || extension == name)
        return false;
    const char *code = extension - 1;
    while (code > name && *code != '.')
        code--;
    if (*code != '.' || code[1] != 'f' || extension - code <= 2)
        return false;
    // Format codes hold a digit ("137", "251-drc", "hls-1080p"); "My.file.mp4" is no part.
    for (const char *p = code + 2; p < extension; p++)
        if (*p >= '0' && *p <= '9')
            return true;
    return false;
}

// yt-dlp's video and sound extensions (MEDIA_EXTENSIONS in yt_dlp/utils/_utils.py): what a
// download writes. A thumbnail or a subtitle beside it is never taken for the download.
static bool IsMediaExtension(const char *extension)
{
    static const char *const MEDIA[] = {"avi", "flv",  "mkv",  "mov", "mp4",  "webm", "3g2",  "3gp",  "f4v",
                                        "mk3d", "divx", "mpg", "ogv",  "m4v",  "wmv", "aiff", "alac", "flac",
                                        "m4a", "mka",  "mp3",  "ogg", "opus", "wav",  "aac",  "ape",  "asf",
                                        "f4a", "f4b",  "m4b",  "m4r", "oga",  "ogx",  "spx",  "vorbis", "wma",
                                        "weba"};
    for (const char *media : MEDIA) {
        size_t i = 0;
        while (media[i] && (extension[i] | 0x20) == media[i])
            i++;
        if (!media[i] && !extension[i])
            return true;
    }
    return false;
}

bool RunMayTake(const char *destinationName, const char *name, bool stemTemplate)
{
    if (strcmp(name, destinationName) == 0)
        return true;
    if (!IsDownloadPart(destinationName, name))
        return false;
    const char *extension = ExtensionOf(destinationName);
    size_t stemLength = extension ? (size_t)(extension - destinationName) : strlen(destinationName);
    const char *rest = name + stemLength;  // ".EXT" or ".fCODE.EXT"
    const char *second = strchr(rest + 1, '.');
    if (!second)
        return stemTemplate && IsMediaExtension(rest + 1);
    return !strchr(second + 1, '.') && IsFormatPart(name) && IsMediaExtension(second + 1);
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
