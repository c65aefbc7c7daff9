#include "platform/win32/RichEditOleCallback.h"

#include <cwchar>
#include <new>

namespace Korvane::PC::Tarnwick::Win32 {
namespace {

// {00000000-0000-0000-C000-000000000046} and {0000000B-0000-0000-C000-000000000046}
constexpr GUID kIidUnknown = {0x00000000, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kIidStorage = {0x0000000B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Whether `clsid` is a static picture: it draws from the data in its own
// storage and starts no server.
bool IsStaticPicture(const CLSID& clsid) {
    for (const CLSID& picture : kStaticPictureClasses)
        if (IsEqualCLSID(clsid, picture)) return true;
    return false;
}

}  // namespace

static_assert(kOleStorageMode == 0x11012);

CMyRichEditOleCallback* CMyRichEditOleCallback::Create() {
    auto* callback = new (std::nothrow) CMyRichEditOleCallback;
    if (callback == nullptr) return nullptr;
    // No name: a temporary compound file with a unique name, deleted when
    // the storage is released.
    callback->creationResult_ =
        ::StgCreateStorageEx(nullptr, kOleStorageMode, STGFMT_STORAGE, 0, nullptr, nullptr, kIidStorage,
                             reinterpret_cast<void**>(callback->rootStorage_.put()));
    return callback;
}

CMyRichEditOleCallback::~CMyRichEditOleCallback() = default;

STDMETHODIMP CMyRichEditOleCallback::QueryInterface(REFIID iid, void** object) {
    if (IsEqualIID(iid, kIidRichEditOleCallback) || IsEqualIID(iid, kIidUnknown)) {
        *object = static_cast<IRichEditOleCallback*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CMyRichEditOleCallback::AddRef() { return static_cast<ULONG>(++referenceCount_); }

STDMETHODIMP_(ULONG) CMyRichEditOleCallback::Release() {
    const LONG count = --referenceCount_;
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

STDMETHODIMP CMyRichEditOleCallback::GetNewStorage(LPSTORAGE* storage) {
    ++storageCount_;
    wchar_t name[50];
    std::swprintf(name, 50, L"REOLEStorage%ld", static_cast<long>(storageCount_));
    return rootStorage_.get()->CreateStorage(name, kOleStorageMode, 0, 0, storage);
}

// The control's other questions: nothing to add, everything accepted as
// offered, out parameters left as the control set them.
STDMETHODIMP CMyRichEditOleCallback::GetInPlaceContext(IOleInPlaceFrame**, IOleInPlaceUIWindow**,
                                                       LPOLEINPLACEFRAMEINFO) {
    return S_OK;
}
STDMETHODIMP CMyRichEditOleCallback::ShowContainerUI(BOOL) { return S_OK; }
STDMETHODIMP CMyRichEditOleCallback::QueryInsertObject(LPCLSID clsid, LPSTORAGE storage, LONG) {
    if (clsid == nullptr || !IsStaticPicture(*clsid)) return S_FALSE;
    // The object is loaded later by the class its storage names, not by the
    // one given here: that one must be a picture too, or not yet written.
    if (storage != nullptr) {
        STATSTG stat{};
        if (FAILED(storage->Stat(&stat, STATFLAG_NONAME))) return S_FALSE;
        if (!IsEqualCLSID(stat.clsid, CLSID{}) && !IsStaticPicture(stat.clsid)) return S_FALSE;
    }
    return S_OK;
}
STDMETHODIMP CMyRichEditOleCallback::DeleteObject(LPOLEOBJECT) { return S_OK; }
STDMETHODIMP CMyRichEditOleCallback::QueryAcceptData(LPDATAOBJECT, CLIPFORMAT*, DWORD, BOOL, HGLOBAL) {
    return S_OK;
}
STDMETHODIMP CMyRichEditOleCallback::ContextSensitiveHelp(BOOL) { return S_OK; }
STDMETHODIMP CMyRichEditOleCallback::GetClipboardData(CHARRANGE*, DWORD, LPDATAOBJECT*) { return S_OK; }
STDMETHODIMP CMyRichEditOleCallback::GetDragDropEffect(BOOL, DWORD, LPDWORD) { return S_OK; }
STDMETHODIMP CMyRichEditOleCallback::GetContextMenu(WORD, LPOLEOBJECT, CHARRANGE*, HMENU*) { return S_OK; }

}  // namespace Korvane::PC::Tarnwick::Win32
