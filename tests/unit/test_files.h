// Scratch files for the unit tests, in a folder below the working directory.
#pragma once
#include <string>

// A path in the scratch folder; the folder is created on first use.
std::string ScratchPath(const std::string &name);
void WriteBytes(const std::string &path, const std::string &bytes);
std::string ReadBytes(const std::string &path);
bool Exists(const std::string &path);
