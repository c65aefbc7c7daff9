// The rich-edit control's OLE callback: its interfaces, the sub-storages it
// hands out and its end with the last Release.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/RichEditOleCallback.h"

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

}  // namespace
}  // namespace Korvane::PC::Tarnwick::Win32
