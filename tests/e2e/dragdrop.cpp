// End-to-end driver: drags data from the test process onto the program's window with OLE's
// own DoDragDrop, which calls the program's drop target across the processes.
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>
#include <stdio.h>

#include "tests/e2e/driver.h"

namespace {

// The data being dragged: one global memory block per format.
class DragData : public IDataObject {
public:
    explicit DragData(const std::vector<DragFormat> &offered) : refs(1)
    {
        for (const DragFormat &format : offered) {
            FORMATETC entry = {(CLIPFORMAT)(format.name ? RegisterClipboardFormatA(format.name) : format.format),
                               NULL, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
            entries.push_back(entry);
            blocks.push_back(format.bytes);
        }
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void **object) override
    {
        *object = IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDataObject) ? this : NULL;
        if (!*object)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return (ULONG)InterlockedIncrement(&refs); }
    ULONG STDMETHODCALLTYPE Release() override { return (ULONG)InterlockedDecrement(&refs); }

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC *wanted, STGMEDIUM *medium) override
    {
        int index = Find(wanted);
        if (index < 0)
            return DV_E_FORMATETC;
        const std::string &bytes = blocks[index];
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
        void *copy = block ? GlobalLock(block) : NULL;
        if (!copy)
            return E_OUTOFMEMORY;
        memcpy(copy, bytes.data(), bytes.size());
        GlobalUnlock(block);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = block;
        medium->pUnkForRelease = NULL;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC *, STGMEDIUM *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC *wanted) override
    {
        return Find(wanted) >= 0 ? S_OK : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC *, FORMATETC *out) override
    {
        out->ptd = NULL;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC *, STGMEDIUM *, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC **list) override
    {
        if (direction != DATADIR_GET)
            return E_NOTIMPL;
        return SHCreateStdEnumFmtEtc((UINT)entries.size(), entries.data(), list);
    }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC *, DWORD, IAdviseSink *, DWORD *) override
    {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA **) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    int Find(const FORMATETC *wanted) const
    {
        for (size_t i = 0; i < entries.size(); ++i)
            if (entries[i].cfFormat == wanted->cfFormat && (wanted->tymed & TYMED_HGLOBAL))
                return (int)i;
        return -1;
    }

    LONG refs;
    std::vector<FORMATETC> entries;
    std::vector<std::string> blocks;
};

// Drops once the program has answered a few moves over it, as a person lets go of the button.
class DragSource : public IDropSource {
public:
    DragSource() : feedbacks(0), lastEffect(DROPEFFECT_NONE) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void **object) override
    {
        *object = IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDropSource) ? this : NULL;
        return *object ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD) override
    {
        if (escape)
            return DRAGDROP_S_CANCEL;
        return feedbacks >= MOVES_BEFORE_DROP ? DRAGDROP_S_DROP : S_OK;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override
    {
        feedbacks++;
        lastEffect = effect;
        return DRAGDROP_S_USEDEFAULTCURSORS;
    }

    enum { MOVES_BEFORE_DROP = 3 };
    int feedbacks;
    DWORD lastEffect;
};

}  // namespace

bool DropOnControl(const AppRun *run, int control, const std::vector<DragFormat> &formats, DWORD *effect,
                   DWORD *cursor)
{
    static bool oleStarted;
    if (!oleStarted && FAILED(OleInitialize(NULL))) {
        fprintf(stderr, "OleInitialize failed\n");
        return false;
    }
    oleStarted = true;
    HWND target = ControlOf(run, control);
    RECT rect;
    if (!target || !GetWindowRect(target, &rect) || !BringToFront(run))
        return false;
    // DoDragDrop finds the target under the cursor.
    SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    DragData data(formats);
    DragSource source;
    *effect = DROPEFFECT_NONE;
    HRESULT result = DoDragDrop(&data, &source, DROPEFFECT_COPY | DROPEFFECT_LINK, effect);
    *cursor = source.lastEffect;
    return result == DRAGDROP_S_DROP || result == DRAGDROP_S_CANCEL;
}
