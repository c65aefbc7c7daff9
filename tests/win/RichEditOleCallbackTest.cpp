// The rich-edit control's OLE callback: its interfaces, the sub-storages it
// hands out, the objects it lets in and its end with the last Release.
#include <windows.h>
#include <richedit.h>
#include <richole.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/RichEditOleCallback.h"
#include "platform/win32/ScopedHandle.h"
#include "platform/win32/SystemLibraries.h"
#include "tests/win/RunningUnderWine.h"

namespace Korvane::PC::Tarnwick::Win32 {
namespace {

class RichEditOleCallbackTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
    void TearDown() override { CoUninitialize(); }
};

TEST_F(RichEditOleCallbackTest, AnswersForItsTwoInterfacesOnly) {
    CMyRichEditOleCallback* callback = CMyRichEditOleCallback::Create();
    ASSERT_NE(callback, nullptr);
    ASSERT_EQ(callback->CreationResult(), S_OK);
    const GUID unknown = {0x00000000, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    for (const GUID& iid : {kIidRichEditOleCallback, unknown}) {
        void* object = nullptr;
        EXPECT_EQ(callback->QueryInterface(iid, &object), S_OK);
        EXPECT_EQ(object, static_cast<IRichEditOleCallback*>(callback));
        EXPECT_EQ(callback->Release(), 1u);  // QueryInterface added one
    }
    const GUID storage = {0x0000000B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    void* object = reinterpret_cast<void*>(0xdeadbeef);
    EXPECT_EQ(callback->QueryInterface(storage, &object), static_cast<HRESULT>(0x80004002));  // E_NOINTERFACE
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(callback->AddRef(), 2u);  // the count was left alone
    EXPECT_EQ(callback->Release(), 1u);
    EXPECT_EQ(callback->Release(), 0u);
}

TEST_F(RichEditOleCallbackTest, NamesSubStoragesFromOneAndFreesItsRootWithTheLastRelease) {
    CMyRichEditOleCallback* callback = CMyRichEditOleCallback::Create();
    ASSERT_NE(callback, nullptr);
    ASSERT_EQ(callback->CreationResult(), S_OK);
    for (int n = 1; n <= 3; ++n) {
        IStorage* storage = nullptr;
        ASSERT_EQ(callback->GetNewStorage(&storage), S_OK);
        STATSTG stat{};
        ASSERT_EQ(storage->Stat(&stat, STATFLAG_DEFAULT), S_OK);
        EXPECT_STREQ(stat.pwcsName, (L"REOLEStorage" + std::to_wstring(n)).c_str());
        CoTaskMemFree(stat.pwcsName);
        storage->Release();
    }
    IStorage* root = callback->RootStorage();
    root->AddRef();
    EXPECT_EQ(callback->Release(), 0u);
    // The callback's reference went with it: ours is the last one.
    EXPECT_EQ(root->Release(), 0u);
}

std::string ClassText(const CLSID& clsid) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-...}", static_cast<unsigned long>(clsid.Data1), clsid.Data2,
                  clsid.Data3);
    return text;
}

TEST_F(RichEditOleCallbackTest, LetsInStaticPicturesAndNothingElse) {
    CMyRichEditOleCallback* callback = CMyRichEditOleCallback::Create();
    ASSERT_NE(callback, nullptr);
    ASSERT_EQ(callback->CreationResult(), S_OK);
    IStorage* fresh = nullptr;
    ASSERT_EQ(callback->GetNewStorage(&fresh), S_OK);

    // Metafile, DIB and enhanced metafile, as the control asks before it
    // writes the object and after.
    for (const CLSID& picture : kStaticPictureClasses) {
        CLSID clsid = picture;
        EXPECT_EQ(callback->QueryInsertObject(&clsid, nullptr, 0), S_OK) << ClassText(picture);
        EXPECT_EQ(callback->QueryInsertObject(&clsid, fresh, 0), S_OK) << ClassText(picture);
    }
    ASSERT_EQ(fresh->SetClass(kStaticPictureClasses[1]), S_OK);
    CLSID dib = kStaticPictureClasses[1];
    EXPECT_EQ(callback->QueryInsertObject(&dib, fresh, 0), S_OK);

    // Objects with a server of their own: the packager, a document, the
    // picture object that loads any image format, and no class at all.
    const CLSID others[] = {
        {0x0003000C, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}},
        {0x00020906, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}},
        {0x0BE35204, 0x8F91, 0x11CE, {0x9D, 0xE3, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}},
        {},
    };
    for (const CLSID& other : others) {
        CLSID clsid = other;
        EXPECT_EQ(callback->QueryInsertObject(&clsid, nullptr, 0), S_FALSE) << ClassText(other);
        EXPECT_EQ(callback->QueryInsertObject(&clsid, fresh, 0), S_FALSE) << ClassText(other);
    }
    EXPECT_EQ(callback->QueryInsertObject(nullptr, fresh, 0), S_FALSE);
    // A picture's class given for a storage that names another: the storage
    // is what the object is loaded from.
    ASSERT_EQ(fresh->SetClass(others[0]), S_OK);
    EXPECT_EQ(callback->QueryInsertObject(&dib, fresh, 0), S_FALSE);

    fresh->Release();
    EXPECT_EQ(callback->Release(), 0u);
}

// A small enhanced metafile (one rectangle) as \pict writes it in hex.
std::string PictureGroup() {
    HDC dc = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
    if (dc == nullptr) return {};
    Rectangle(dc, 0, 0, 20, 20);
    HENHMETAFILE metafile = CloseEnhMetaFile(dc);
    std::vector<BYTE> bits(GetEnhMetaFileBits(metafile, 0, nullptr));
    GetEnhMetaFileBits(metafile, static_cast<UINT>(bits.size()), bits.data());
    DeleteEnhMetaFile(metafile);
    std::string group = "{\\pict\\emfblip\\picw529\\pich529\\picwgoal300\\pichgoal300 ";
    for (const BYTE b : bits) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", b);
        group += hex;
    }
    return group + "}";
}

// An embedded packager object (OLE 1 stream: version 0x0501, embedded,
// class "Package", no topic or item, four bytes of native data).
constexpr char kObjectGroup[] =
    "{\\object\\objemb\\objw200\\objh200{\\*\\objclass Package}{\\*\\objdata "
    "0105000002000000080000005061636b6167650000000000000000000400000074657374}"
    "{\\result shown instead}}";

struct RtfCursor {
    const char* data;
    LONG left;
};

DWORD CALLBACK ReadRtf(DWORD_PTR cookie, LPBYTE buffer, LONG asked, LONG* given) {
    auto* cursor = reinterpret_cast<RtfCursor*>(cookie);
    *given = asked < cursor->left ? asked : cursor->left;
    std::memcpy(buffer, cursor->data, static_cast<std::size_t>(*given));
    cursor->data += *given;
    cursor->left -= *given;
    return 0;
}

// Objects in a rich-edit control with the callback after streaming `rtf`.
LONG ObjectsAfterStreaming(const std::string& rtf) {
    HWND control = CreateWindowExW(0, L"RichEdit50W", L"", WS_POPUP | ES_MULTILINE | ES_READONLY, 0, 0, 300, 200,
                                   nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    EXPECT_NE(control, nullptr) << "error " << GetLastError();
    if (control == nullptr) return -1;
    CMyRichEditOleCallback* callback = CMyRichEditOleCallback::Create();
    EXPECT_TRUE(SendMessageW(control, EM_SETOLECALLBACK, 0, reinterpret_cast<LPARAM>(callback)));
    callback->Release();
    RtfCursor cursor{rtf.data(), static_cast<LONG>(rtf.size())};
    EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&cursor), 0, ReadRtf};
    SendMessageW(control, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    EXPECT_EQ(stream.dwError, 0u);
    IRichEditOle* ole = nullptr;
    LONG objects = -1;
    if (SendMessageW(control, EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(&ole)) && ole != nullptr) {
        objects = ole->GetObjectCount();
        ole->Release();
    }
    DestroyWindow(control);
    return objects;
}

TEST_F(RichEditOleCallbackTest, TheControlShowsPicturesAndLeavesOtherObjectsOut) {
    ScopedModule msftedit(LoadSystemLibrary(L"Msftedit.dll"));
    ASSERT_TRUE(msftedit) << "error " << GetLastError();
    const std::string picture = PictureGroup();
    ASSERT_FALSE(picture.empty());
    const LONG pictureOnly = ObjectsAfterStreaming("{\\rtf1\\ansi before " + picture + " after}");
    TODO_WINE_EXPECT(pictureOnly == 1, pictureOnly == 0, "Wine's rich edit lists no object for a picture")
        << pictureOnly << " objects";
    // The packager object is left out; the picture beside it stays.
    const LONG withObject =
        ObjectsAfterStreaming("{\\rtf1\\ansi before " + picture + " middle " + kObjectGroup + " after}");
    TODO_WINE_EXPECT(withObject == 1, withObject == 0, "Wine's rich edit lists no object for a picture")
        << withObject << " objects";
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick::Win32
