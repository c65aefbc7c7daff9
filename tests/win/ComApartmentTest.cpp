// The dialog host's COM apartment: entered for one scope, and left only when
// this scope's entry succeeded.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include "platform/win32/ComApartment.h"

namespace Korvane::PC::Tarnwick::Win32 {
namespace {

constexpr DWORD kDialogApartment = COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE;

// What the thread answers when asked for a multithreaded apartment: S_OK in
// none, S_FALSE in one, RPC_E_CHANGED_MODE in a single-threaded one. Leaves
// the thread as it found it.
HRESULT AskForMultithreaded() {
    const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(hr)) ::CoUninitialize();
    return hr;
}

// Runs `check` on a thread of its own, which starts in no apartment
// whatever earlier tests left on the test thread.
template <typename Check>
void OnFreshThread(Check check) {
    const auto run = [](void* argument) -> DWORD {
        (*static_cast<Check*>(argument))();
        return 0;
    };
    struct Trampoline {
        static DWORD WINAPI Start(void* argument) { return decltype(run)()(argument); }
    };
    ::SetLastError(0xdeadbeef);
    const HANDLE thread = ::CreateThread(nullptr, 0, Trampoline::Start, &check, 0, nullptr);
    ASSERT_NE(thread, nullptr) << "error " << ::GetLastError();
    EXPECT_EQ(::WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    ::CloseHandle(thread);
}

void ScopeOfItsOwn() {
    ASSERT_EQ(AskForMultithreaded(), S_OK) << "the thread must start in no apartment";
    {
        const ComApartment apartment(kDialogApartment);
        EXPECT_EQ(apartment.result(), S_OK) << std::hex << apartment.result();
        EXPECT_EQ(AskForMultithreaded(), RPC_E_CHANGED_MODE);
    }
    EXPECT_EQ(AskForMultithreaded(), S_OK) << "the apartment must be left";
}

void InsideTheCallersApartment() {
    // A thread in another kind of apartment: the entry fails and that
    // apartment is not left.
    ASSERT_EQ(::CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    {
        const ComApartment apartment(kDialogApartment);
        EXPECT_EQ(apartment.result(), RPC_E_CHANGED_MODE) << std::hex << apartment.result();
    }
    EXPECT_EQ(AskForMultithreaded(), S_FALSE) << "the caller's apartment must stay";
    ::CoUninitialize();

    // A thread already in a single-threaded apartment: S_FALSE, paired, and
    // the caller's entry still holds afterwards.
    ASSERT_EQ(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    {
        const ComApartment apartment(kDialogApartment);
        EXPECT_EQ(apartment.result(), S_FALSE) << std::hex << apartment.result();
    }
    EXPECT_EQ(AskForMultithreaded(), RPC_E_CHANGED_MODE) << "the caller's apartment must stay";
    ::CoUninitialize();
    EXPECT_EQ(AskForMultithreaded(), S_OK);
}

TEST(ComApartmentTest, IsSingleThreadedForItsScopeAndGoneAfter) { OnFreshThread(ScopeOfItsOwn); }

TEST(ComApartmentTest, LeavesOnlyWhatItsOwnEntryEntered) { OnFreshThread(InsideTheCallersApartment); }

}  // namespace
}  // namespace Korvane::PC::Tarnwick::Win32
