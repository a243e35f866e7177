// Stand-in for the message box, so the readers' failure reports can be checked.
#include "tests/unit/fake_alert.h"

#include <stdio.h>

AlertLog alertLog;

void ResetAlertLog()
{
    alertLog = AlertLog();
}

void Alert(const char *text, const char *caption, AlertIcon icon)
{
    alertLog.count++;
    snprintf(alertLog.text, sizeof alertLog.text, "%s", text);
    snprintf(alertLog.caption, sizeof alertLog.caption, "%s", caption ? caption : "");
    alertLog.icon = icon;
}
