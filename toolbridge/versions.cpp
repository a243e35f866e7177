// Version answers of ffmpeg and the JavaScript runtimes.
#include "toolbridge/versions.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

void DescribeFfmpegVersion(const char *line, char *text, size_t size)
{
    static const char PREFIX[] = "ffmpeg version ";
    text[0] = '\0';
    if (strncmp(line, PREFIX, sizeof PREFIX - 1) != 0)
        return;
    const char *copyright = strstr(line, "Copyright (c) ");
    const char *dash = copyright ? strchr(copyright, '-') : NULL;
    if (dash && dash[1] >= '0' && dash[1] <= '9' && strlen(dash + 1) >= 4) {
        snprintf(text, size, "%.4s build", dash + 1);
        return;
    }
    const char *word = line + sizeof PREFIX - 1;
    snprintf(text, size, "%.*s", (int)strcspn(word, " "), word);
}

// "22.23.2" and the like: digits and dots up to a blank or the end; false otherwise.
static bool ReadRelease(const char *text, long *major, long *minor, size_t *length)
{
    size_t n = strspn(text, "0123456789.");
    if (n == 0 || text[0] == '.' || (text[n] != '\0' && text[n] != ' '))
        return false;
    char *end;
    *major = strtol(text, &end, 10);
    *minor = *end == '.' ? strtol(end + 1, NULL, 10) : 0;
    *length = n;
    return true;
}

bool JudgeRuntimeVersion(const char *line, char *version, size_t size, char *reason, size_t reasonSize)
{
    static const char DENO[] = "deno ";
    version[0] = '\0';
    bool deno = strncmp(line, DENO, sizeof DENO - 1) == 0;
    const char *release = deno ? line + sizeof DENO - 1 : line[0] == 'v' ? line + 1 : NULL;
    long major = 0, minor = 0;
    size_t length = 0;
    if (!release || !ReadRelease(release, &major, &minor, &length)) {
        snprintf(reason, reasonSize, "its version \"%s\" is neither node's nor deno's", line);
        return false;
    }
    bool recent = deno ? major > 2 || (major == 2 && minor >= 3) : major >= 22;
    if (!recent) {
        snprintf(reason, reasonSize, "%s %.*s is too old: node 22 or deno 2.3 or later is needed",
                 deno ? "deno" : "node", (int)length, release);
        return false;
    }
    snprintf(version, size, "%s %.*s", deno ? "deno" : "node", (int)length, release);
    reason[0] = '\0';
    return true;
}

void FirstLineOf(const char *text, size_t length, char *line, size_t size)
{
    size_t start = 0;
    while (start < length && (text[start] == ' ' || text[start] == '\t'))
        start++;
    size_t end = start;
    while (end < length && text[end] != '\n' && text[end] != '\r' && text[end] != '\0')
        end++;
    while (end > start && (text[end - 1] == ' ' || text[end - 1] == '\t'))
        end--;
    size_t limit = size > 0 ? size - 1 : 0;
    size_t count = end - start < limit ? end - start : limit;
    if (size > 0) {
        memcpy(line, text + start, count);
        line[count] = '\0';
    }
}
