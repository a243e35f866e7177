// A logging double of the shell's taskbar list (CLSID_TaskbarList), registered for the
// current user by the taskbar tests: each call the program makes is appended as one line to
// the file that VIDMORA_TASKBAR_LOG names in the program's environment.
#include <windows.h>
#include <shobjidl.h>
#include <stdio.h>

namespace {

void Log(const char *format, ...)
{
    char path[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("VIDMORA_TASKBAR_LOG", path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return;
    FILE *file = fopen(path, "a");
    if (!file)
        return;
    va_list args;
    va_start(args, format);
    vfprintf(file, format, args);
    va_end(args);
    fputc('\n', file);
    fclose(file);
}

class TaskbarLog final : public ITaskbarList3 {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void **object) override
    {
        bool known = IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_ITaskbarList) ||
                     IsEqualIID(id, IID_ITaskbarList2) || IsEqualIID(id, IID_ITaskbarList3);
        *object = known ? this : NULL;
        if (known)
            AddRef();
        return known ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return (ULONG)InterlockedIncrement(&refs); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG left = InterlockedDecrement(&refs);
        if (left == 0)
            delete this;
        return (ULONG)left;
    }

    HRESULT STDMETHODCALLTYPE HrInit() override { return Logged("HrInit"); }
    HRESULT STDMETHODCALLTYPE AddTab(HWND) override { return Logged("AddTab"); }
    HRESULT STDMETHODCALLTYPE DeleteTab(HWND) override { return Logged("DeleteTab"); }
    HRESULT STDMETHODCALLTYPE ActivateTab(HWND) override { return Logged("ActivateTab"); }
    HRESULT STDMETHODCALLTYPE SetActiveAlt(HWND) override { return Logged("SetActiveAlt"); }
    HRESULT STDMETHODCALLTYPE MarkFullscreenWindow(HWND, WINBOOL) override { return Logged("MarkFullscreenWindow"); }
    HRESULT STDMETHODCALLTYPE SetProgressValue(HWND, ULONGLONG done, ULONGLONG total) override
    {
        Log("SetProgressValue %llu %llu", done, total);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetProgressState(HWND, TBPFLAG flags) override
    {
        Log("SetProgressState %d", (int)flags);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE RegisterTab(HWND, HWND) override { return Logged("RegisterTab"); }
    HRESULT STDMETHODCALLTYPE UnregisterTab(HWND) override { return Logged("UnregisterTab"); }
    HRESULT STDMETHODCALLTYPE SetTabOrder(HWND, HWND) override { return Logged("SetTabOrder"); }
    HRESULT STDMETHODCALLTYPE SetTabActive(HWND, HWND, DWORD) override { return Logged("SetTabActive"); }
    HRESULT STDMETHODCALLTYPE ThumbBarAddButtons(HWND, UINT, LPTHUMBBUTTON) override
    {
        return Logged("ThumbBarAddButtons");
    }
    HRESULT STDMETHODCALLTYPE ThumbBarUpdateButtons(HWND, UINT, LPTHUMBBUTTON) override
    {
        return Logged("ThumbBarUpdateButtons");
    }
    HRESULT STDMETHODCALLTYPE ThumbBarSetImageList(HWND, HIMAGELIST) override { return Logged("ThumbBarSetImageList"); }
    HRESULT STDMETHODCALLTYPE SetOverlayIcon(HWND, HICON, LPCWSTR) override { return Logged("SetOverlayIcon"); }
    HRESULT STDMETHODCALLTYPE SetThumbnailTooltip(HWND, LPCWSTR) override { return Logged("SetThumbnailTooltip"); }
    HRESULT STDMETHODCALLTYPE SetThumbnailClip(HWND, RECT *) override { return Logged("SetThumbnailClip"); }

private:
    HRESULT Logged(const char *name)
    {
        Log("%s", name);
        return S_OK;
    }

    LONG refs = 1;
};

class Factory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void **object) override
    {
        *object = IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IClassFactory) ? this : NULL;
        return *object ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *outer, REFIID id, void **object) override
    {
        *object = NULL;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        TaskbarLog *list = new TaskbarLog;
        HRESULT result = list->QueryInterface(id, object);
        list->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

Factory factory;

}  // namespace

extern "C" __declspec(dllexport) HRESULT WINAPI DllGetClassObject(REFCLSID id, REFIID interfaceId, void **object)
{
    if (!IsEqualCLSID(id, CLSID_TaskbarList)) {
        *object = NULL;
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return factory.QueryInterface(interfaceId, object);
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllCanUnloadNow()
{
    return S_FALSE;
}
