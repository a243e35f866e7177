// Which of the surroundings' options a tool knows, from its refusals and its --help.
#include "toolbridge/tooloptions.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char *const OPTION_NAMES[TOOL_OPTION_COUNT] = {
    "--encoding",      "--ignore-config", "--no-plugin-dirs",   "--ffmpeg-location",
    "--no-js-runtimes", "--no-playlist",  "--playlist-items",  "--flat-playlist",
    "--yes-playlist",  "--download-archive", "--cookies",        "--cookies-from-browser"};

const char *ToolOptionName(ToolOption option)
{
    return option < TOOL_OPTION_COUNT ? OPTION_NAMES[option] : "";
}

static bool IsOptionCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

// Whether `name` stands at `at` of `text` as a word of its own.
static bool WordAt(const char *text, size_t length, size_t at, const char *name, size_t nameLength)
{
    if (at + nameLength > length || memcmp(text + at, name, nameLength) != 0)
        return false;
    bool before = at == 0 || !IsOptionCharacter(text[at - 1]);
    bool after = at + nameLength == length || !IsOptionCharacter(text[at + nameLength]);
    return before && after;
}

ToolOption RefusedOption(unsigned long exitCode, const char *errors)
{
    static const char NO_SUCH_OPTION[] = "no such option: ";
    if (exitCode != 2)
        return TOOL_OPTION_COUNT;
    const char *found = strstr(errors, NO_SUCH_OPTION);
    if (!found)
        return TOOL_OPTION_COUNT;
    const char *name = found + sizeof NO_SUCH_OPTION - 1;
    size_t length = strlen(name);
    for (int option = 0; option < TOOL_OPTION_COUNT; option++)
        if (WordAt(name, length, 0, OPTION_NAMES[option], strlen(OPTION_NAMES[option])))
            return (ToolOption)option;
    return TOOL_OPTION_COUNT;
}

ToolOptions OptionsMissingFromHelp(const char *help, size_t length)
{
    ToolOptions missing = 0;
    for (int option = 0; option < TOOL_OPTION_COUNT; option++) {
        const char *name = OPTION_NAMES[option];
        size_t nameLength = strlen(name);
        bool listed = false;
        for (size_t at = 0; !listed && at + nameLength <= length; at++)
            listed = help[at] == '-' && WordAt(help, length, at, name, nameLength);
        if (!listed)
            missing |= OptionBit((ToolOption)option);
    }
    return missing;
}

// The line of `text` from `at`: its identity (up to the tab) and where the next line starts.
static size_t NextLine(const char *text, size_t length, size_t at, size_t *tab)
{
    size_t end = at;
    *tab = length;
    while (end < length && text[end] != '\n') {
        if (text[end] == '\t' && *tab == length)
            *tab = end;
        end++;
    }
    return end < length ? end + 1 : end;
}

static bool LineIs(const char *text, size_t at, size_t tab, size_t length, const char *identity)
{
    size_t identityLength = strlen(identity);
    return tab < length && tab - at == identityLength && memcmp(text + at, identity, identityLength) == 0;
}

bool FindRefusedOptions(const char *text, size_t length, const char *identity, ToolOptions *refused)
{
    *refused = 0;
    for (size_t at = 0, tab, next; at < length; at = next) {
        next = NextLine(text, length, at, &tab);
        if (!LineIs(text, at, tab, length, identity))
            continue;
        char hex[16];
        size_t digits = next - tab - 1;
        if (digits == 0 || digits >= sizeof hex)
            return false;
        memcpy(hex, text + tab + 1, digits);
        hex[digits] = '\0';
        char *end;
        unsigned long value = strtoul(hex, &end, 16);
        if (end == hex || (*end != '\0' && *end != '\n' && *end != '\r'))
            return false;
        *refused = (ToolOptions)value & ((1u << TOOL_OPTION_COUNT) - 1);
        return true;
    }
    return false;
}

size_t RememberRefusedOptions(const char *text, size_t length, const char *identity, ToolOptions refused,
                              char *out, size_t size)
{
    int used = snprintf(out, size, "%s\t%x\n", identity, refused);
    if (used < 0 || (size_t)used >= size || strchr(identity, '\t') || strchr(identity, '\n'))
        return 0;
    size_t written = (size_t)used;
    int lines = 1;
    for (size_t at = 0, tab, next; at < length && lines < KNOWLEDGE_LINE_LIMIT; at = next) {
        next = NextLine(text, length, at, &tab);
        bool whole = next > at && text[next - 1] == '\n';
        if (!whole || tab == length || LineIs(text, at, tab, length, identity) || written + (next - at) >= size)
            continue;
        memcpy(out + written, text + at, next - at);
        written += next - at;
        lines++;
    }
    out[written] = '\0';
    return written;
}
