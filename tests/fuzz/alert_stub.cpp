// The readers under test work in memory and never report to the user; a message here
// means one of them reached for a file or a window.
#include "toolbridge/alert.h"

#include <stdio.h>
#include <stdlib.h>

void Alert(const char *text, const char *caption, AlertIcon)
{
    fprintf(stderr, "unexpected message box \"%s\": %s\n", caption ? caption : "", text);
    abort();
}
