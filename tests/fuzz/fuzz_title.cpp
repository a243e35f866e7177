// Fuzzes the title reader and the shortening that fits its result after the previous
// destination's directory in a path buffer, as the window proposes a destination.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "tests/fuzz/require.h"
#include "toolbridge/paths.h"
#include "toolbridge/probereaders.h"

// The first line as the old text-mode reader saw it: up to a LF or a NUL, less trailing CRs.
static std::string FirstLine(const char *text, size_t size)
{
    size_t length = 0;
    while (length < size && text[length] != '\n' && text[length] != '\0')
        length++;
    while (length > 0 && text[length - 1] == '\r')
        length--;
    return std::string(text, length);
}

static size_t ExtensionLength(const std::string &name)
{
    const char *extension = ExtensionOf(name.c_str());
    return extension ? strlen(extension) : 0;
}

// `name` cut to `maxLength`: the stem gives way so the extension stays whole, unless the
// extension alone does not fit.
static std::string Shortened(const std::string &name, size_t maxLength)
{
    if (name.size() <= maxLength)
        return name;
    size_t extension = ExtensionLength(name);
    if (extension == 0 || extension >= maxLength)
        return name.substr(0, maxLength);
    return name.substr(0, maxLength - extension) + name.substr(name.size() - extension);
}

// What the window does with a title after a directory of `directoryLength` characters.
static void CheckDestination(const char *title, size_t directoryLength)
{
    std::string directory(directoryLength, 'v');
    if (directoryLength > 0)
        directory[directoryLength - 1] = '\\';
    size_t maxLength = directoryLength < PATH_SIZE - 1 ? PATH_SIZE - 1 - directoryLength : 0;
    std::string name = title;
    ShortenFileName(&name[0], maxLength);
    name.resize(strlen(name.c_str()));
    Require(name.size() <= maxLength, "the shortened name keeps the bound");
    Require(name == Shortened(title, maxLength), "the shortened name keeps its extension");

    char proposed[PATH_SIZE];
    memset(proposed, 'Z', sizeof proposed);
    bool fits = JoinText(proposed, sizeof proposed, directory.c_str(), name.c_str());
    Require(fits == (directoryLength + name.size() < PATH_SIZE), "the join fits exactly when it can");
    Require(fits ? directory + name == proposed : proposed[0] == '\0', "the joined destination");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const char *text = (const char *)data;
    char *title = TitleFromText(text, size);
    Require(title != nullptr, "a title, empty at worst");

    std::string line = FirstLine(text, size);
    size_t limit = TITLE_STEM_LIMIT + ExtensionLength(line);
    Require(strlen(title) <= limit, "title within 200 characters and its extension");
    Require(Shortened(line, limit) == title, "the first line, shortened before its extension");

    const size_t directories[] = {0, 3, 60, PATH_SIZE - 2, PATH_SIZE - 1, PATH_SIZE, 400};
    for (size_t length : directories)
        CheckDestination(title, length);
    // Directories that leave just too little, just enough and one more for the title.
    size_t titleLength = strlen(title);
    for (size_t extra = 0; extra < 3; extra++)
        if (titleLength + extra <= PATH_SIZE)
            CheckDestination(title, PATH_SIZE - titleLength - extra);
    free(title);
    return 0;
}
