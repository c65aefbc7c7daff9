// Named kernel objects.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/ErrorCodes.h"  // the errors its results report

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
    // The owner of an object that already existed (ERROR_ALREADY_EXISTS), as
    // a string SID; empty when it could not be read (the access asked for
    // lacks READ_CONTROL, or the object's access list denies it).
    std::u16string ownerSid;
};

class ISync {
public:
    virtual ~ISync() = default;
    // CreateMutexExW(no security attributes, name, flags, access); for an
    // object that already existed, its owner as well.
    [[nodiscard]] virtual NamedMutexResult CreateNamedMutex(std::u16string_view name, std::uint32_t flags,
                                                            std::uint32_t access) = 0;
};

inline constexpr std::uint32_t kSynchronizeAccess = 0x00100000;  // SYNCHRONIZE
inline constexpr std::uint32_t kReadControlAccess = 0x00020000;  // READ_CONTROL

}  // namespace Korvane::PC::Tarnwick
