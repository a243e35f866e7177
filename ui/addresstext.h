// Clean-up of an address that arrives from the command line or the clipboard.
#pragma once
#include <stddef.h>

// Copies `text` into `out` without surrounding blanks and line ends, and without one
// pair of enclosing double quotes (a launcher usually quotes an address with & in it).
// False when the result would not fit in `size`.
bool CleanAddress(char *out, size_t size, const char *text);
