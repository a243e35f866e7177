// Message boxes, and the count of open boxes that keeps ticks and commands out of the runs.
#include "toolbridge/alert.h"

static HWND boxOwner;
static int modalDepth;

void SetBoxOwner(HWND window)
{
    boxOwner = window;
}

void BeginModal()
{
    modalDepth++;
}

void EndModal()
{
    if (modalDepth > 0)
        modalDepth--;
}

bool ModalOpen()
{
    return modalDepth > 0;
}

static int ShowBox(const char *text, const char *caption, UINT type)
{
    BeginModal();
    int answer = MessageBoxA(boxOwner, text, caption, type);
    EndModal();
    return answer;
}

void Alert(const char *text, const char *caption, AlertIcon icon)
{
    UINT type = MB_OK;
    if (icon == ALERT_ERROR)
        type |= MB_ICONERROR;
    else if (icon == ALERT_WARNING)
        type |= MB_ICONWARNING;
    else if (icon == ALERT_INFORMATION)
        type |= MB_ICONINFORMATION;
    ShowBox(text, caption, type);
}

bool AskYesNo(const char *question)
{
    return ShowBox(question, "Vidmora", MB_YESNO | MB_ICONINFORMATION) == IDYES;
}
