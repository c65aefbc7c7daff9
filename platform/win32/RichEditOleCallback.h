// The OLE callback of the action dialog's rich-edit control: without one the
// control cannot hold embedded objects (pictures in the message RTF). It
// hands out one named sub-storage of a temporary compound file per object,
// lets only static pictures in (any other embedded object would start its
// COM server in the user's session, from RTF that anyone who can get a
// library signed may write), and accepts everything else the control asks
// about as offered.
//
// Ownership: a plain (not interlocked) reference count that starts at 1;
// the last Release destroys the object, which releases its root storage (the
// temporary file goes with it). Used only on the dialog's thread.
#pragma once

#include <windows.h>
#include <richole.h>

#include "platform/win32/ScopedHandle.h"

namespace Korvane::PC::Tarnwick::Win32 {

// {00020D03-0000-0000-C000-000000000046}
inline constexpr GUID kIidRichEditOleCallback = {0x00020D03, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// The classes of static pictures, the only objects the control may insert:
// metafile {00000315-...} (also the static metafile), device-independent
// bitmap {00000316-...} (also the static DIB) and enhanced metafile
// {00000319-...}, each -0000-0000-C000-000000000046.
inline constexpr CLSID kStaticPictureClasses[] = {
    {0x00000315, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}},
    {0x00000316, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}},
    {0x00000319, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}},
};
// Mode of the root storage and of every sub-storage: transacted, create,
// share-exclusive, read-write.
inline constexpr DWORD kOleStorageMode = STGM_TRANSACTED | STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE;

// COM interfaces have no virtual destructor; this object is destroyed only
// by its own Release.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class CMyRichEditOleCallback : public IRichEditOleCallback {
public:
    // A new object with one reference and its root storage attempted; check
    // CreationResult() and Release() it when that failed. Null only when
    // memory ran out.
    static CMyRichEditOleCallback* Create();

    HRESULT CreationResult() const { return creationResult_; }
    // The root storage (not a new reference); null if it was not created.
    IStorage* RootStorage() const { return rootStorage_.get(); }

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // A sub-storage "REOLEStorage<n>" of the root, n counting from 1.
    STDMETHODIMP GetNewStorage(LPSTORAGE* storage) override;
    STDMETHODIMP GetInPlaceContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                   LPOLEINPLACEFRAMEINFO frameInfo) override;
    STDMETHODIMP ShowContainerUI(BOOL show) override;
    // S_OK for a static picture whose storage names no other class (or
    // none yet); S_FALSE, so the control leaves the object out, for anything
    // else.
    STDMETHODIMP QueryInsertObject(LPCLSID clsid, LPSTORAGE storage, LONG position) override;
    STDMETHODIMP DeleteObject(LPOLEOBJECT object) override;
    STDMETHODIMP QueryAcceptData(LPDATAOBJECT data, CLIPFORMAT* format, DWORD operation, BOOL really,
                                 HGLOBAL metafile) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL enterMode) override;
    STDMETHODIMP GetClipboardData(CHARRANGE* range, DWORD operation, LPDATAOBJECT* data) override;
    STDMETHODIMP GetDragDropEffect(BOOL drag, DWORD keyState, LPDWORD effect) override;
    STDMETHODIMP GetContextMenu(WORD selectionType, LPOLEOBJECT object, CHARRANGE* selection,
                                HMENU* menu) override;

private:
    CMyRichEditOleCallback() = default;
    virtual ~CMyRichEditOleCallback();

    LONG referenceCount_ = 1;
    LONG storageCount_ = 0;
    ScopedComReference<IStorage> rootStorage_;
    HRESULT creationResult_ = E_FAIL;
};
#pragma GCC diagnostic pop

}  // namespace Korvane::PC::Tarnwick::Win32
