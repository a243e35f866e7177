// The window as a drop target: a browser's link (UniformResourceLocatorW, which wins over the
// file descriptor a link drag also carries) or text (CF_UNICODETEXT); files alone are refused.
#include "ui/droptarget.h"

#include <ole2.h>

#include "toolbridge/alert.h"
#include "toolbridge/systemdll.h"
#include "ui/commands.h"

typedef HRESULT(WINAPI *RegisterDropFunction)(HWND, IDropTarget *);
typedef HRESULT(WINAPI *RevokeDropFunction)(HWND);
typedef void(WINAPI *ReleaseMediumFunction)(STGMEDIUM *);

// One window, one target: it lives as long as the program, so it counts no references.
class DropTarget : public IDropTarget {
public:
    MainState *state;
    bool offersText;  // the data being dragged carries a link or text

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void **object) override
    {
        *object = IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDropTarget) ? this : NULL;
        return *object ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject *data, DWORD, POINTL, DWORD *effect) override
    {
        offersText = TextFormat(data) != 0;
        *effect = Effect(*effect);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD *effect) override
    {
        *effect = Effect(*effect);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override
    {
        offersText = false;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject *data, DWORD, POINTL, DWORD *effect) override
    {
        CLIPFORMAT format = TextFormat(data);
        offersText = format != 0;
        *effect = Effect(*effect);
        if (*effect != DROPEFFECT_NONE && !TakeText(data, format))
            *effect = DROPEFFECT_NONE;
        offersText = false;
        return S_OK;
    }

private:
    // The cursor says no to what is no text, and while the window takes no address.
    DWORD Effect(DWORD allowed) const
    {
        if (!offersText || !TakesAnAddress(state))
            return DROPEFFECT_NONE;
        return allowed & DROPEFFECT_COPY ? DROPEFFECT_COPY : allowed & DROPEFFECT_LINK ? DROPEFFECT_LINK : DROPEFFECT_NONE;
    }

    static FORMATETC Wanted(CLIPFORMAT format)
    {
        FORMATETC wanted = {format, NULL, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        return wanted;
    }

    // The link first: a browser's link drag also carries its page's title as text.
    static CLIPFORMAT TextFormat(IDataObject *data)
    {
        const CLIPFORMAT formats[] = {(CLIPFORMAT)RegisterClipboardFormatA("UniformResourceLocatorW"),
                                      CF_UNICODETEXT};
        for (CLIPFORMAT format : formats) {
            FORMATETC wanted = Wanted(format);
            if (format != 0 && data->QueryGetData(&wanted) == S_OK)
                return format;
        }
        return 0;
    }

    bool TakeText(IDataObject *data, CLIPFORMAT format) const
    {
        ReleaseMediumFunction releaseMedium =
            (ReleaseMediumFunction)(void (*)(void))SystemFunction("ole32.dll", "ReleaseStgMedium");
        FORMATETC wanted = Wanted(format);
        STGMEDIUM medium;
        if (!releaseMedium || data->GetData(&wanted, &medium) != S_OK)
            return false;
        bool taken = medium.tymed == TYMED_HGLOBAL && TakeDroppedText(state, medium.hGlobal);
        releaseMedium(&medium);
        return taken;
    }
};

static DropTarget dropTarget;
static bool dropsTried, dropsAccepted;

void AcceptDropsOnceIdle(MainState *state)
{
    if (dropsTried || ModalOpen() || !IsWindowVisible(state->window))
        return;
    dropsTried = true;
    RegisterDropFunction registerDrop =
        (RegisterDropFunction)(void (*)(void))SystemFunction("ole32.dll", "RegisterDragDrop");
    dropTarget.state = state;
    // Without OLE the window takes no drops, and works as before.
    dropsAccepted = registerDrop && InitializeOle() && registerDrop(state->window, &dropTarget) == S_OK;
}

void StopAcceptingDrops(MainState *state)
{
    RevokeDropFunction revokeDrop =
        dropsAccepted ? (RevokeDropFunction)(void (*)(void))SystemFunction("ole32.dll", "RevokeDragDrop") : NULL;
    if (revokeDrop)
        revokeDrop(state->window);
    dropsAccepted = false;
}
