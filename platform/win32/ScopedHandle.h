// One move-only owner for every kind of Win32 handle. A Traits class names
// the handle type, its "no handle" value(s) and how to release it:
//
//   struct Traits {
//       using Handle = HKEY;
//       static Handle Invalid() noexcept;
//       static bool IsValid(Handle h) noexcept;
//       static void Close(Handle h) noexcept;
//   };
//
// The owner releases the handle exactly once: in reset(), put() or its
// destructor. release() gives the handle up without closing it. put() is for
// calls that hand a handle out through a pointer: it releases what is held
// and returns the empty slot, so the call writes straight into its owner and
// no raw handle is ever loose:
//
//   ScopedRegKey key;
//   if (::RegOpenKeyExW(root, name, 0, KEY_READ, key.put()) != ERROR_SUCCESS) ...
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <cstdint>
#include <optional>
#include <utility>

#include "platform/Processes.h"

namespace Korvane::PC::Tarnwick::Win32 {

template <typename Traits>
class ScopedHandle {
public:
    using Handle = typename Traits::Handle;

    ScopedHandle() noexcept : handle_(Traits::Invalid()) {}
    explicit ScopedHandle(Handle handle) noexcept : handle_(handle) {}
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.release()) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~ScopedHandle() { reset(); }

    Handle get() const noexcept { return handle_; }
    bool valid() const noexcept { return Traits::IsValid(handle_); }
    explicit operator bool() const noexcept { return valid(); }

    void reset(Handle handle = Traits::Invalid()) noexcept {
        if (Traits::IsValid(handle_) && handle_ != handle) Traits::Close(handle_);
        handle_ = handle;
    }
    [[nodiscard]] Handle release() noexcept { return std::exchange(handle_, Traits::Invalid()); }
    // The slot, emptied, for a call that writes a handle into it.
    [[nodiscard]] Handle* put() noexcept {
        reset();
        return &handle_;
    }

private:
    Handle handle_;
};

// Kernel handles whose "none" value is null (mutexes, threads, processes...).
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) noexcept { ::CloseHandle(h); }
};
using ScopedKernelHandle = ScopedHandle<KernelHandleTraits>;

// File handles, whose "none" value is INVALID_HANDLE_VALUE.
struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Handle h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) noexcept { ::CloseHandle(h); }
};
using ScopedFileHandle = ScopedHandle<FileHandleTraits>;

// Searches of FindFirstFileExW, closed with FindClose.
struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Handle h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) noexcept { ::FindClose(h); }
};
using ScopedFindHandle = ScopedHandle<FindHandleTraits>;

struct RegKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { ::RegCloseKey(h); }
};
using ScopedRegKey = ScopedHandle<RegKeyTraits>;

struct ModuleTraits {
    using Handle = HMODULE;
    static Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { ::FreeLibrary(h); }
};
using ScopedModule = ScopedHandle<ModuleTraits>;

struct IconTraits {
    using Handle = HICON;
    static Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { ::DestroyIcon(h); }
};
using ScopedIcon = ScopedHandle<IconTraits>;

// Fonts and brushes that the program created (DeleteObject).
template <typename T>
struct GdiObjectTraits {
    using Handle = T;
    static Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { ::DeleteObject(h); }
};
using ScopedFont = ScopedHandle<GdiObjectTraits<HFONT>>;
using ScopedBrush = ScopedHandle<GdiObjectTraits<HBRUSH>>;

// Memory from LocalAlloc (CommandLineToArgvW, FormatMessageW's buffer).
template <typename T>
struct LocalMemoryTraits {
    using Handle = T;
    static Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { ::LocalFree(reinterpret_cast<HLOCAL>(h)); }
};
template <typename T>
using ScopedLocalMemory = ScopedHandle<LocalMemoryTraits<T>>;

// A COM interface pointer: one reference, given back with Release.
template <typename Interface>
struct ComReferenceTraits {
    using Handle = Interface*;
    static Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { h->Release(); }
};
template <typename Interface>
using ScopedComReference = ScopedHandle<ComReferenceTraits<Interface>>;

// A CryptoAPI provider context (CryptAcquireContextW).
struct CryptProviderTraits {
    using Handle = HCRYPTPROV;
    static Handle Invalid() noexcept { return 0; }
    static bool IsValid(Handle h) noexcept { return h != 0; }
    static void Close(Handle h) noexcept { ::CryptReleaseContext(h, 0); }
};
using ScopedCryptProvider = ScopedHandle<CryptProviderTraits>;

// A hash object of a provider (CryptCreateHash); destroy it before its
// provider is released.
struct CryptHashTraits {
    using Handle = HCRYPTHASH;
    static Handle Invalid() noexcept { return 0; }
    static bool IsValid(Handle h) noexcept { return h != 0; }
    static void Close(Handle h) noexcept { ::CryptDestroyHash(h); }
};
using ScopedCryptHash = ScopedHandle<CryptHashTraits>;

// WaitForSingleObject on a process or thread handle; nullopt = INFINITE.
inline WaitOutcome WaitForHandle(HANDLE handle, std::optional<std::uint32_t> timeoutMs) {
    switch (::WaitForSingleObject(handle, timeoutMs ? *timeoutMs : INFINITE)) {
        case WAIT_OBJECT_0:
            return WaitOutcome::kSignalled;
        case WAIT_TIMEOUT:
            return WaitOutcome::kTimedOut;
        default:
            return WaitOutcome::kFailed;
    }
}

}  // namespace Korvane::PC::Tarnwick::Win32
