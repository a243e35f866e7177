// The program's failure report: a message box with no owner.
#pragma once

enum AlertIcon { ALERT_NONE, ALERT_ERROR, ALERT_WARNING };

// Shows `text` with `caption` (null gives the system's default caption) and an OK button.
void Alert(const char *text, const char *caption, AlertIcon icon);
