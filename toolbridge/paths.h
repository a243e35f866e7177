// Path and file-name helpers shared by the working files, the probe readers and the commands.
#pragma once
#include <stddef.h>

enum { PATH_SIZE = 260 };

// A malloc'ed copy of `path` up to and including its last backslash; "" when it has none.
char *DirectoryOf(const char *path);

// Where the extension (the last ".", if it looks like one) of `name` begins; null if none.
const char *ExtensionOf(const char *name);

// Shortens `name` in place to at most `maxLength` bytes, cutting the part before the
// extension (at a character boundary) so that the extension survives.
void ShortenFileName(char *name, size_t maxLength);

// Whether `name` (no folder), a file the tool named for a download of `destinationName`, may
// be removed with it: it starts with the destination's stem and a dot ("STEM.f137.mp4"), and
// it is not the destination itself. What the tool prints is outside input: it can name no
// other file.
bool IsDownloadPart(const char *destinationName, const char *name);

// Whether `name` is one part of a merge: "STEM.fCODE.EXT" (yt-dlp's and youtube-dl's names
// for the formats a merge is made of), CODE without dots and with a digit.
bool IsFormatPart(const char *name);

// Whether a download of `destinationName` (no folder) would take a file `name` that is there
// as its own, done already: the destination itself and the parts of a merge into it, and
// where the tool names the file (`stemTemplate`, "STEM.%(ext)s") any "STEM.EXT"; EXT always
// one of the tools' video and sound extensions.
bool RunMayTake(const char *destinationName, const char *name, bool stemTemplate);

// Gives the file name at the end of `path` the extension `extension` (without its dot),
// replacing the one it has. True when `path` changed; false when it had that one already or
// the result would not fit `size`.
bool ReplaceExtension(char *path, size_t size, const char *extension);

// Joins `first` and `second` into `out`; false (and `out` empty) if it would not fit.
bool JoinText(char *out, size_t size, const char *first, const char *second);

// FNV-1a of the upper-cased path: the same user with another TEMP (and every test, which
// has its own) is another instance, with a run folder of its own.
unsigned long PathHash(const char *path);
