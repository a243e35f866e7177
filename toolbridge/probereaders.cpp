// Reads the probe's output files whole (binary, bounded) and hands the bytes to the parsers;
// also the title parser and the single entry offered when the tool lists no numeric format.
#include "toolbridge/probereaders.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "toolbridge/paths.h"
#include "toolbridge/workfiles.h"
#include "toolbridge/alert.h"

static char *EmptyString()
{
    return (char *)calloc(1, 1);
}

// The file's first PROBE_FILE_LIMIT bytes as a malloc'ed block (one spare byte so it is
// never zero-sized); null when the file cannot be opened (after the warning) or read.
static char *LoadProbeOutput(const char *probeOutPath, const char *suffix, const char *failure,
                             size_t *length)
{
    char path[PATH_SIZE];
    FILE *file = nullptr;
    if (JoinText(path, sizeof path, probeOutPath, suffix))
        file = fopen(path, "rb");
    if (!file) {
        if (failure)
            Alert(failure, "Alert", ALERT_WARNING);
        return nullptr;
    }
    long size = 0;
    if (fseek(file, 0, SEEK_END) == 0)
        size = ftell(file);
    fseek(file, 0, SEEK_SET);
    if (size < 0)
        size = 0;
    if (size > PROBE_FILE_LIMIT)
        size = PROBE_FILE_LIMIT;
    char *bytes = (char *)malloc((size_t)size + 1);
    *length = bytes ? fread(bytes, 1, (size_t)size, file) : 0;
    fclose(file);
    return bytes;
}

// As the old text-mode reader: the line ends at the first LF or NUL, and trailing
// CR and LF characters are removed.
char *TitleFromText(const char *text, size_t length)
{
    size_t lineLength = 0;
    while (text && lineLength < length && text[lineLength] != '\n' && text[lineLength] != '\0')
        lineLength++;
    while (lineLength > 0 && text[lineLength - 1] == '\r')
        lineLength--;
    char *line = (char *)malloc(lineLength + 1);
    if (!line)
        return EmptyString();
    if (lineLength > 0)
        memcpy(line, text, lineLength);
    line[lineLength] = '\0';
    // Very long titles are cut before the extension so the name keeps its type.
    const char *extension = ExtensionOf(line);
    ShortenFileName(line, TITLE_STEM_LIMIT + (extension ? strlen(extension) : 0));
    return line;
}

char *ReadTitleFile(const char *probeOutPath)
{
    size_t length = 0;
    char *bytes =
        LoadProbeOutput(probeOutPath, TITLE_OUT_SUFFIX, "Failed to access title-out!", &length);
    if (!bytes)
        return EmptyString();
    char *title = TitleFromText(bytes, length);
    free(bytes);
    return title;
}

bool ReadFormatFile(const char *probeOutPath, AvailableFormat *list, int32_t *count, StreamKinds *told)
{
    size_t length = 0;
    char *bytes =
        LoadProbeOutput(probeOutPath, FORMAT_OUT_SUFFIX, "Failed to access format-out!", &length);
    if (!bytes)
        return false;
    ParseFormatText(bytes, length, list, count, told);
    free(bytes);
    return true;
}

bool ReadFormatKinds(const char *probeOutPath, StreamKinds *told)
{
    size_t length = 0;
    char *bytes = LoadProbeOutput(probeOutPath, FORMAT_OUT_SUFFIX, nullptr, &length);
    told->count = 0;
    if (!bytes)
        return false;
    AvailableFormat list[MAX_AVAILABLE_FORMATS];
    int32_t count = 0;
    ParseFormatText(bytes, length, list, &count, told);
    free(bytes);
    return true;
}

int ReadListEntries(const char *probeOutPath)
{
    size_t length = 0;
    char *bytes = LoadProbeOutput(probeOutPath, LIST_OUT_SUFFIX, nullptr, &length);
    int entries = 0;
    for (size_t at = 0; bytes && at < length; at++)
        if (bytes[at] != '\n' && bytes[at] != '\r' && (at + 1 == length || bytes[at + 1] == '\n' || bytes[at + 1] == '\r'))
            entries++;
    free(bytes);
    return entries;
}

void OfferBestFormat(AvailableFormat *list, int32_t *count, const char *fileName)
{
    memset(&list[0], 0, sizeof list[0]);
    list[0].code = BEST_FORMAT_CODE;
    const char *extension = fileName ? ExtensionOf(fileName) : nullptr;
    size_t length = 0;
    if (extension) {
        extension++;  // past the dot
        while (length < EXTENSION_SIZE - 1 && extension[length] != '\0') {
            char c = extension[length];
            list[0].extension[length++] = c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c;
        }
    }
    if (length == 0)
        memcpy(list[0].extension, "mp4", sizeof "mp4");
    *count = 1;
}
