// IInternet over WinINet (loaded from the system folder on first use, never
// imported).
#pragma once

#include "platform/Internet.h"
#include "platform/win32/SystemLibraries.h"

namespace Korvane::PC::Tarnwick::Win32 {

// WinINet's entry points. Each session has a worker thread that makes its
// waiting calls, so that Abort (from any thread) ends a wait at once.
// Open is called from one thread.
class Internet : public IInternet {
public:
    std::unique_ptr<IInternetSession> Open(std::u16string_view agent) override;

private:
    LazySystemLibrary wininet_{L"wininet.dll"};
    bool pinned_ = false;
};

}  // namespace Korvane::PC::Tarnwick::Win32
