// Reads the probe's output files; text mode, so a CR LF line end arrives as LF on Windows.
#include "toolbridge/probereaders.h"

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "toolbridge/paths.h"
#include "toolbridge/workfiles.h"
#include "ui/alert.h"

enum { FORMAT_LINE_SIZE = 100 };

static char *EmptyString()
{
    return (char *)calloc(1, 1);
}

static FILE *OpenProbeOutput(const char *probeToolPath, const char *suffix, const char *failure)
{
    char path[PATH_SIZE];
    FILE *file = nullptr;
    if (JoinText(path, sizeof path, probeToolPath, suffix))
        file = fopen(path, "r");
    if (!file)
        Alert(failure, "Alert", ALERT_WARNING);
    return file;
}

static long FileSizeOf(FILE *file)
{
    if (fseek(file, 0, SEEK_END) != 0)
        return 0;
    long size = ftell(file);
    fseek(file, 0, SEEK_SET);
    return size < 0 ? 0 : size;
}

static void TrimLineEnd(char *line)
{
    size_t length = strlen(line);
    while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r'))
        line[--length] = '\0';
}

char *ReadTitleFile(const char *probeToolPath)
{
    FILE *file = OpenProbeOutput(probeToolPath, TITLE_OUT_SUFFIX, "Failed to access title-out!");
    if (!file)
        return EmptyString();
    long size = FileSizeOf(file);
    char *line = size > 0 ? (char *)calloc((size_t)size + 1, 1) : nullptr;
    if (!line) {
        fclose(file);
        return EmptyString();
    }
    if (!fgets(line, (int)size + 1, file))
        line[0] = '\0';
    fclose(file);
    TrimLineEnd(line);
    // Very long titles are cut before the extension so the name keeps its type.
    const char *extension = ExtensionOf(line);
    ShortenFileName(line, TITLE_STEM_LIMIT + (extension ? strlen(extension) : 0));
    return line;
}

static const char *SkipNumber(const char *text, int32_t *value)
{
    char *end = nullptr;
    long number = strtol(text, &end, 10);
    if (end == text)
        return nullptr;
    *value = (int32_t)number;
    return end;
}

// "[HEIGHTxWIDTH]"; anything else (the tool printed "[???]" for some codes) gives 0 by 0.
static void ParseSize(const char *text, AvailableFormat *record)
{
    record->height = 0;
    record->width = 0;
    int32_t height, width;
    if (*text != '[')
        return;
    const char *p = SkipNumber(text + 1, &height);
    if (!p || *p != 'x')
        return;
    p = SkipNumber(p + 1, &width);
    if (!p || *p != ']')
        return;
    record->height = height;
    record->width = width;
}

bool ParseFormatLine(const char *line, AvailableFormat *record)
{
    int32_t code;
    const char *p = SkipNumber(line, &code);
    if (!p || strncmp(p, "\t:\t", 3) != 0)
        return false;
    p += 3;
    // Extensions longer than the record holds are cut; the format stays choosable.
    size_t length = 0;
    while (p[length] && !isspace((unsigned char)p[length]))
        length++;
    if (length == 0)
        return false;
    size_t kept = length < EXTENSION_SIZE - 1 ? length : EXTENSION_SIZE - 1;
    record->code = code;
    memset(record->extension, 0, sizeof record->extension);
    memcpy(record->extension, p, kept);
    p += length;
    while (*p == ' ' || *p == '\t')
        p++;
    ParseSize(p, record);
    return true;
}

void ReadFormatFile(const char *probeToolPath, AvailableFormat *list, int32_t *count)
{
    FILE *file =
        OpenProbeOutput(probeToolPath, FORMAT_OUT_SUFFIX, "Failed to access format-out!");
    if (!file)
        return;
    char line[FORMAT_LINE_SIZE];
    int32_t scanned = 0;
    while (fgets(line, sizeof line, file)) {
        if (scanned >= MAX_AVAILABLE_FORMATS)
            break;
        if (strstr(line, "\t:\t") && ParseFormatLine(line, &list[scanned]))
            scanned++;
    }
    fclose(file);
    *count = scanned;
}
