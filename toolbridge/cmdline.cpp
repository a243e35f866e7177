// Builds the tool's command lines; window-free so the quoting is tested natively.
#include "toolbridge/cmdline.h"

#include <stdio.h>
#include <string.h>

bool IsPassableArgument(const char *text)
{
    for (const unsigned char *p = (const unsigned char *)text; *p; p++)
        if (*p == '"' || *p < 0x20 || *p == 0x7f)
            return false;
    return true;
}

bool AppendText(char *line, size_t size, const char *text)
{
    size_t used = strlen(line), length = strlen(text);
    if (used + length + 1 > size)
        return false;
    memcpy(line + used, text, length + 1);
    return true;
}

// With `doublePercent` every '%' goes out as "%%": the tool reads the value after -o as
// an output template, where "%%" is one literal '%' ("100% Fun" stops youtube-dl 2021).
static bool AppendQuoted(char *line, size_t size, const char *argument, bool doublePercent)
{
    size_t start = strlen(line);
    size_t used = start;
    // Worst case every character doubles, plus the quotes and the terminator.
    auto put = [&](char c) {
        if (used + 1 >= size)
            return false;
        line[used++] = c;
        return true;
    };
    bool fits = put('"');
    size_t backslashes = 0;
    for (const char *p = argument; fits && *p; p++) {
        if (*p == '\\') {
            backslashes++;
        } else {
            // Backslashes before a quote escape it: double them and escape the quote.
            if (*p == '"') {
                for (size_t i = 0; fits && i < backslashes + 1; i++)
                    fits = put('\\');
            }
            backslashes = 0;
        }
        if (*p == '%' && doublePercent)
            fits = fits && put('%');
        fits = fits && put(*p);
    }
    for (size_t i = 0; fits && i < backslashes; i++)
        fits = put('\\');
    fits = fits && put('"');
    if (!fits) {
        line[start] = '\0';
        return false;
    }
    line[used] = '\0';
    return true;
}

bool AppendQuotedArgument(char *line, size_t size, const char *argument)
{
    return AppendQuoted(line, size, argument, false);
}

bool BuildDownloadArguments(char *line, size_t size, const char *destination, int code,
                            const char *address)
{
    char codeText[16];
    // Code 0 stands for a page that offered no numeric format.
    if (code == 0)
        snprintf(codeText, sizeof codeText, "%s", "best");
    else
        snprintf(codeText, sizeof codeText, "%d", code);
    line[0] = '\0';
    bool fits = AppendText(line, size, " -o ") && AppendQuoted(line, size, destination, true) &&
                AppendText(line, size, " --format ") && AppendText(line, size, codeText) &&
                AppendText(line, size, " --console-title ") &&
                AppendQuotedArgument(line, size, address);
    if (!fits)
        line[0] = '\0';
    return fits;
}

bool BuildProbeCommandLine(char *line, size_t size, const char *toolPath, ProbeKind kind,
                           const char *address)
{
    line[0] = '\0';
    bool fits = AppendQuotedArgument(line, size, toolPath);
    if (kind == PROBE_TITLE)
        fits = fits && AppendText(line, size, " \"--get-filename\" \"-o\" \"%(title)s.%(ext)s\" ");
    else
        fits = fits && AppendText(line, size, " \"--list-formats\" ");
    fits = fits && AppendQuotedArgument(line, size, address);
    if (!fits)
        line[0] = '\0';
    return fits;
}
