// Named kernel objects.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

namespace Korvane::PC::Tarnwick {

// An open kernel handle. Destroying the object closes the handle; it is the
// handle's only owner.
class IKernelObject {
public:
    virtual ~IKernelObject() = default;
};

struct NamedMutexResult {
    std::unique_ptr<IKernelObject> handle;  // null when creation failed
    std::uint32_t lastError = 0;            // GetLastError right after the call
};

class ISync {
public:
    virtual ~ISync() = default;
    // CreateMutexExW(no security attributes, name, flags, access).
    virtual NamedMutexResult CreateNamedMutex(std::u16string_view name, std::uint32_t flags,
                                              std::uint32_t access) = 0;
};

inline constexpr std::uint32_t kErrorAlreadyExists = 183;   // ERROR_ALREADY_EXISTS
inline constexpr std::uint32_t kErrorFileNotFound = 2;      // ERROR_FILE_NOT_FOUND
inline constexpr std::uint32_t kErrorInvalidData = 13;      // ERROR_INVALID_DATA
inline constexpr std::uint32_t kErrorOutOfMemory = 14;      // ERROR_OUTOFMEMORY
inline constexpr std::uint32_t kSynchronizeAccess = 0x00100000;  // SYNCHRONIZE

}  // namespace Korvane::PC::Tarnwick
