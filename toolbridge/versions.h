// What the kept programs answer when asked their version, read without windows.
#pragma once
#include <stddef.h>

// "2018 build" from ffmpeg's first line of -version ("ffmpeg version N-92722-... Copyright
// (c) 2000-2018 ..."), else the word after "ffmpeg version"; "" when it is no ffmpeg's line.
void DescribeFfmpegVersion(const char *line, char *text, size_t size);

// "node 22.23.2" from "v22.23.2", "deno 2.9.6" from "deno 2.9.6 (stable, ...)", for node 22
// or later and deno 2.3 or later, which every yt-dlp that runs one takes; else false with
// the reason.
bool JudgeRuntimeVersion(const char *line, char *version, size_t size, char *reason, size_t reasonSize);

// The first line of `text`, as much as `size` holds, without its line end and surrounding blanks.
void FirstLineOf(const char *text, size_t length, char *line, size_t size);
