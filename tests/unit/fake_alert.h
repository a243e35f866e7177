// Records the message boxes the window-free code would show, for the unit tests.
#pragma once
#include "toolbridge/alert.h"

struct AlertLog {
    int count;
    char text[256];
    char caption[64];
    AlertIcon icon;
};

extern AlertLog alertLog;
void ResetAlertLog();
