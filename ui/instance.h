// One window per user and temporary directory: a second start hands its address to the
// window that is already there and ends, so two windows never share the working files.
#pragma once
#include <windows.h>

// Tag of the WM_COPYDATA that carries an address from a second start.
enum { HANDED_ADDRESS_TAG = 0x56414452 };  // "VADR"

// Posted by the main window to itself: a handed address waits to be loaded.
enum { WM_HANDED_ADDRESS = WM_APP + 1 };

// Claims this user's and temporary directory's instance. Returns true when the program
// should go on; false when the start was handed to the running window (or that window did
// not answer, which was said) and the process should end with exit code 0.
bool ClaimInstance(const char *commandLine);
