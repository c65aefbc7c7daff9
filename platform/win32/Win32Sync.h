// ISync over CreateMutexExW and the owner of an existing object.
#pragma once

#include "platform/Sync.h"

namespace Korvane::PC::Tarnwick::Win32 {

class Sync : public ISync {
public:
    NamedMutexResult CreateNamedMutex(std::u16string_view name, std::uint32_t flags, std::uint32_t access) override;
};

}  // namespace Korvane::PC::Tarnwick::Win32
