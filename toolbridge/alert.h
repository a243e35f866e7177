// The program's boxes: failure reports and questions. Once the main window exists it owns
// every box, so it is disabled while one is open; before that they have no owner.
#pragma once

enum AlertIcon { ALERT_NONE, ALERT_ERROR, ALERT_WARNING, ALERT_INFORMATION };

// Shows `text` with `caption` (null gives the system's default caption) and an OK button.
void Alert(const char *text, const char *caption, AlertIcon icon);

// Asks `question` with Yes and No, caption "Vidmora"; true on Yes.
bool AskYesNo(const char *question);

// A box or dialog is open: its modal loop still lets ticks and posted commands through,
// and code that waits for the box must not find its runs replaced when it returns.
// Every modal box or dialog of the program is shown between these two calls.
void BeginModal();
void EndModal();
bool ModalOpen();

#ifdef _WIN32
#include <windows.h>
// The window that owns the boxes from now on; null again when it is destroyed.
void SetBoxOwner(HWND window);
#endif
