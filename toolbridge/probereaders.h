// Readers of the two files a probe leaves: the proposed file name and the offered formats.
#pragma once
#include "formats/catalogue.h"

enum { TITLE_STEM_LIMIT = 200 };

// The first line of the title file, as a malloc'ed string the caller frees; "" when
// the file is missing or empty.
char *ReadTitleFile(const char *probeToolPath);

// Fills `list` (MAX_AVAILABLE_FORMATS records) from the format file and sets `count`;
// leaves both unchanged when the file cannot be opened.
void ReadFormatFile(const char *probeToolPath, AvailableFormat *list, int32_t *count);

// Scans one format line ("22\t:\tmp4\t[720x1280]"); false when it is not one.
bool ParseFormatLine(const char *line, AvailableFormat *record);
