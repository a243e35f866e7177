// Failure reports as message boxes with no owner, so they show even before the window exists.
#include "toolbridge/alert.h"

#include <windows.h>

void Alert(const char *text, const char *caption, AlertIcon icon)
{
    UINT type = MB_OK;
    if (icon == ALERT_ERROR)
        type |= MB_ICONERROR;
    else if (icon == ALERT_WARNING)
        type |= MB_ICONWARNING;
    MessageBoxA(NULL, text, caption, type);
}
