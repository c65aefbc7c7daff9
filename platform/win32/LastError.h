// Keeps the thread's last error across clean-up that may overwrite it.
//
// A function that fails reports why through the last error, but what it
// undoes on the way out (closing, freeing, taking a folder out of the
// search) calls the system too. Made right after the failing call, a
// LastErrorKeeper puts that call's error back when the scope ends:
//
//   if (module == nullptr) {
//       const LastErrorKeeper keep;
//       Undo();            // may set its own last error
//       return nullptr;    // the caller still reads the loader's
//   }
#pragma once

#include <windows.h>

namespace Korvane::PC::Tarnwick::Win32 {

class LastErrorKeeper {
public:
    LastErrorKeeper() noexcept : error_(::GetLastError()) {}
    LastErrorKeeper(const LastErrorKeeper&) = delete;
    LastErrorKeeper& operator=(const LastErrorKeeper&) = delete;
    ~LastErrorKeeper() { ::SetLastError(error_); }

    // The error that is put back.
    DWORD error() const noexcept { return error_; }

private:
    DWORD error_;
};

}  // namespace Korvane::PC::Tarnwick::Win32
