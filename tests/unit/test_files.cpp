// Scratch files for the unit tests.
#include "tests/unit/test_files.h"

#include <stdio.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <direct.h>
#endif

std::string ScratchPath(const std::string &name)
{
#ifdef _WIN32
    _mkdir("unit-scratch");
#else
    mkdir("unit-scratch", 0755);
#endif
    return "unit-scratch/" + name;
}

void WriteBytes(const std::string &path, const std::string &bytes)
{
    FILE *file = fopen(path.c_str(), "wb");
    if (!file)
        return;
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
}

std::string ReadBytes(const std::string &path)
{
    std::string bytes;
    FILE *file = fopen(path.c_str(), "rb");
    if (!file)
        return bytes;
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, got);
    fclose(file);
    return bytes;
}

bool Exists(const std::string &path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}
