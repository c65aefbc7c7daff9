// IRegistry over the advapi32 registry calls, in the 32-bit view unless a
// call asks for the native one.
#pragma once

#include "platform/Registry.h"

namespace Korvane::PC::Tarnwick::Win32 {

class Registry : public IRegistry {
public:
    OpenedKey OpenKey(RegistryRoot root, std::u16string_view subKey, std::uint32_t access) override;
    OpenedKey CreateKey(RegistryRoot root, std::u16string_view subKey, std::uint32_t access) override;
    RegistryValue GetValue(RegistryRoot root, std::u16string_view subKey, std::u16string_view value,
                           std::uint32_t flags, std::uint32_t bufferSize) override;
};

}  // namespace Korvane::PC::Tarnwick::Win32
