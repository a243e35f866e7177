// Text between code pages: what a tool printed, what an older record holds and what the
// clipboard gives, all made text of the process's own code page (UTF-8 where the system
// honours the manifest's request, else the legacy ANSI code page).
#pragma once
#include <stddef.h>
#include <wchar.h>

// The system's legacy ANSI code page (its locale's), which a tool not asked for UTF-8
// writes in, and which records written before UTF-8 hold.
unsigned LegacyCodePage();

bool ProcessIsUtf8();

// `text`, printed by a tool (`askedUtf8`: with --encoding utf-8), as process text in `out`:
// unchanged where the process is not UTF-8; where it is, kept when it is well-formed UTF-8
// the tool was asked for, else converted from the legacy code page, else each bad byte
// made '_'. Cut at a character boundary to fit.
void ToolTextToProcess(const char *text, bool askedUtf8, char *out, size_t size);

// The same for a malloc'ed string; returns a malloc'ed string (null only when out of memory).
char *ToolStringToProcess(char *text, bool askedUtf8);

// A string of the record, in place: one that is not well-formed UTF-8 in a UTF-8 process
// was written before, in the legacy code page.
void RecordTextToProcess(char *text, size_t size);

// The temporary directory as process text, ending in '\'. Where the code page cannot hold
// its name (a profile named in another script, before Windows ran programs in UTF-8), its
// short 8.3 form. False when neither can be had.
bool TempDirectory(char *out, size_t size);

// `text` from one code page into another through UTF-16, cut at a character boundary to fit
// `size`; false when it is not valid in `fromCodePage`.
bool ConvertText(const char *text, unsigned fromCodePage, unsigned toCodePage, char *out, size_t size);

// Windows-1252 text (the format catalogue's) as process text.
bool FromWindows1252(const char *text, char *out, size_t size);

// A save-dialog filter block ("text\0pattern\0...\0\0") of Windows-1252 text as process
// text, malloc'ed; null when out of memory.
char *FilterBlockFromWindows1252(const char *block, size_t size);

// UTF-16 text as process text, cut at a character boundary; false when it does not convert.
bool WideToProcess(const wchar_t *text, char *out, size_t size);
