// Fuzzes the address from the clipboard or the command line: its clean-up, the window's
// accept-or-refuse rule, and that every accepted address (and destination) reaches the
// tool as exactly one argument when the C runtime splits the command line.
// Input: the clipboard text up to the first NUL; what follows it is the destination.
#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include "control/staterecord.h"
#include "tests/fuzz/require.h"
#include "toolbridge/cmdline.h"
#include "ui/addresstext.h"

typedef std::vector<std::string> Arguments;

// The clipboard copy's buffer.
enum { CLIPBOARD_TEXT_SIZE = 4096 };

static const char *const TOOL_PATHS[] = {
    "C:\\Documents and Settings\\Ann Lee\\Local Settings\\Temp\\5890DA2.~tester.exe",
    "C:\\TEMP\\5890DA2.~tester.exe"};

static bool IsSplitBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The C runtime's argument splitter, written from its documented rules: argv[0] runs to
// the first blank outside quotes, quotes dropped, backslashes literal. Later arguments are
// split at blanks outside quotes; backslashes are literal unless a quote follows them;
// 2n backslashes and a quote give n backslashes and the quote opens or closes quoting;
// 2n+1 backslashes and a quote give n backslashes and a literal quote; inside quotes a
// pair of quotes is one literal quote.
static Arguments SplitCommandLine(const char *line)
{
    Arguments arguments;
    const char *p = line;
    std::string program;
    bool quoted = false;
    for (; *p && (quoted || !IsSplitBlank(*p)); p++) {
        if (*p == '"')
            quoted = !quoted;
        else
            program += *p;
    }
    arguments.push_back(program);
    for (;;) {
        while (IsSplitBlank(*p))
            p++;
        if (*p == '\0')
            break;
        std::string argument;
        quoted = false;
        for (;;) {
            size_t backslashes = 0;
            while (*p == '\\') {
                backslashes++;
                p++;
            }
            if (*p == '"') {
                argument.append(backslashes / 2, '\\');
                if (backslashes % 2 == 1) {
                    argument += '"';
                    p++;
                } else if (quoted && p[1] == '"') {
                    argument += '"';
                    p += 2;
                } else {
                    quoted = !quoted;
                    p++;
                }
                continue;
            }
            argument.append(backslashes, '\\');
            if (*p == '\0' || (!quoted && IsSplitBlank(*p)))
                break;
            argument += *p++;
        }
        arguments.push_back(argument);
    }
    return arguments;
}

// The tool reads the value after -o as a template in which "%%" is one '%'. A lone '%'
// would be a template field: the result then holds a NUL, which no text can match.
static std::string UndoDoubledPercent(const std::string &text)
{
    std::string result;
    for (size_t i = 0; i < text.size(); i++) {
        if (text[i] == '%' && (i + 1 >= text.size() || text[++i] != '%'))
            return std::string(1, '\0');
        result += text[i];
    }
    return result;
}

static bool HoldsQuoteOrControl(const std::string &text)
{
    for (unsigned char c : text)
        if (c == '"' || c < 0x20 || c == 0x7f)
            return true;
    return false;
}

// What CleanAddress promises: no surrounding blanks or line ends, and one pair of
// enclosing double quotes less.
static std::string Trimmed(const std::string &text)
{
    size_t start = 0, end = text.size();
    const char *blanks = " \t\r\n";
    while (start < end && strchr(blanks, text[start]))
        start++;
    while (end > start && strchr(blanks, text[end - 1]))
        end--;
    if (end - start >= 2 && text[start] == '"' && text[end - 1] == '"') {
        start++;
        end--;
    }
    return text.substr(start, end - start);
}

// Builds a line with `build` into a buffer of exactly `size` bytes, so a write past the
// bound is caught; returns whether it fitted and the line.
template <typename Build>
static bool BuildInto(size_t size, std::string *line, Build build)
{
    std::vector<char> buffer(size, 'Z');
    bool fits = build(buffer.data(), size);
    Require(TerminatedWithin(buffer.data(), size), "the line is terminated within its buffer");
    *line = buffer.data();
    return fits;
}

// The whole line must fit a buffer of its length plus one and no smaller one, and a line
// that does not fit comes back empty.
template <typename Build>
static std::string CheckBuilt(Build build)
{
    std::string line;
    Require(BuildInto(COMMAND_LINE_SIZE, &line, build), "an accepted text fits the command line");
    std::string exact;
    Require(BuildInto(line.size() + 1, &exact, build) && exact == line, "fits its own length");
    std::string tooShort;
    Require(!BuildInto(line.size(), &tooShort, build) && tooShort.empty(),
            "a line that does not fit is empty");
    return line;
}

// Every run of a tool of today is told where everything is.
static const RunSurroundings SURROUNDINGS = {0, "C:\\Users\\A B\\AppData\\Local\\Vidmora\\ffmpeg.exe",
                                             "node:C:\\Users\\A B\\AppData\\Local\\Vidmora\\js-runtime.exe", false, false, false, nullptr};
static const Arguments SURROUNDING_ARGUMENTS = {"--ignore-config",   "--no-plugin-dirs",   "--ffmpeg-location",
                                                SURROUNDINGS.ffmpegPath, "--no-js-runtimes", "--js-runtimes",
                                                SURROUNDINGS.runtime, "--no-playlist", "--playlist-items", "1"};

static Arguments Joined(Arguments first, const Arguments &second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

static void CheckProbeLines(const std::string &address)
{
    RunSurroundings probe = SURROUNDINGS;
    probe.utf8 = true;
    const Arguments PROBE_ARGUMENTS = Joined({"--encoding", "utf-8"}, SURROUNDING_ARGUMENTS);
    for (const char *tool : TOOL_PATHS) {
        std::string title = CheckBuilt([&](char *line, size_t size) {
            return BuildProbeCommandLine(line, size, tool, PROBE_TITLE, address.c_str(), &probe);
        });
        Arguments expected =
            Joined(Joined({tool, "--get-filename", "-o", "%(title)s.%(ext)s"}, PROBE_ARGUMENTS), {"--", address});
        Require(SplitCommandLine(title.c_str()) == expected, "the title probe's arguments");
        std::string formats = CheckBuilt([&](char *line, size_t size) {
            return BuildProbeCommandLine(line, size, tool, PROBE_FORMATS, address.c_str(), &probe);
        });
        expected = Joined(Joined({tool, "--list-formats"}, PROBE_ARGUMENTS), {"--", address});
        Require(SplitCommandLine(formats.c_str()) == expected, "the format probe's arguments");
    }
}

static void CheckDownloadArguments(const std::string &destination, int32_t code,
                                   const std::string &address)
{
    std::string line = CheckBuilt([&](char *out, size_t size) {
        return BuildDownloadArguments(out, size, destination.c_str(), code, address.c_str(), &SURROUNDINGS);
    });
    Arguments arguments = SplitCommandLine(line.c_str());
    std::string codeText = code == 0 ? "best" : std::to_string(code);
    Require(arguments.size() == 18, "eighteen arguments to the download");
    // The line names no program: the tool's path is passed apart.
    Arguments expected = Joined(Joined({"", "-o", arguments[2], "--format", codeText}, SURROUNDING_ARGUMENTS),
                                {"--console-title", "--", address});
    Require(arguments == expected, "the download's arguments");
    Require(UndoDoubledPercent(arguments[2]) == destination, "the destination, '%' doubled");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string input((const char *)data, size);
    std::string pasted = input.substr(0, strlen(input.c_str()));
    if (pasted.size() >= CLIPBOARD_TEXT_SIZE)
        pasted.resize(CLIPBOARD_TEXT_SIZE - 1);

    char address[ADDRESS_SIZE];
    bool cleaned = CleanAddress(address, sizeof address, pasted.c_str());
    std::string expected = Trimmed(pasted);
    if (expected.size() >= ADDRESS_SIZE) {
        Require(!cleaned && address[0] == '\0', "an address too long for its box is refused");
        return 0;
    }
    Require(cleaned && expected == address, "the cleaned address");

    // The window's rule for a pasted or given address, and the download's for both texts.
    bool accepted = strlen(address) < ADDRESS_SIZE && IsPassableArgument(address);
    Require(accepted || HoldsQuoteOrControl(address), "a refused address holds a quote or control");
    if (!accepted)
        return 0;
    CheckProbeLines(address);

    size_t nul = input.find('\0');
    std::string destination =
        nul != std::string::npos ? std::string(input.c_str() + nul + 1) : std::string(address);
    if (destination.size() >= DESTINATION_SIZE)
        destination.resize(DESTINATION_SIZE - 1);
    bool destinationAccepted = IsPassableArgument(destination.c_str());
    Require(destinationAccepted || HoldsQuoteOrControl(destination),
            "a refused destination holds a quote or control");
    if (!destinationAccepted)
        return 0;
    int32_t code = 0;
    if (size >= sizeof code)
        memcpy(&code, data + size - sizeof code, sizeof code);
    CheckDownloadArguments(destination, code, address);
    CheckDownloadArguments(destination, size % 2 ? 22 : 0, address);
    return 0;
}
