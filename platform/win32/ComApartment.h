// The calling thread's COM apartment, entered for one scope: CoInitializeEx
// when the object is made, CoUninitialize when it goes, and only when the
// entry succeeded (S_OK, or S_FALSE for a thread that was already in an
// apartment of that kind: every successful entry is paired). A thread that is
// in an apartment of another kind (RPC_E_CHANGED_MODE) stays there untouched.
#pragma once

#include <windows.h>
#include <objbase.h>

namespace Korvane::PC::Tarnwick::Win32 {

class ComApartment {
public:
    explicit ComApartment(DWORD coinit) : result_(::CoInitializeEx(nullptr, coinit)) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (SUCCEEDED(result_)) ::CoUninitialize();
    }

    // What CoInitializeEx answered.
    HRESULT result() const { return result_; }

private:
    HRESULT result_;
};

}  // namespace Korvane::PC::Tarnwick::Win32
