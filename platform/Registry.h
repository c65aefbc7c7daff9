// The registry, as a 32-bit process sees it by default.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Korvane::PC::Tarnwick {

enum class RegistryRoot { CurrentUser, LocalMachine };

inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kKeyRead = 0x20019;        // KEY_READ
inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;   // KEY_ALL_ACCESS
// Added to an access mask: the key in the machine's native view (the 64-bit
// registry on 64-bit Windows) instead of the 32-bit one; ignored by 32-bit
// Windows.
inline constexpr std::uint32_t kKeyWow64_64Key = 0x0100;  // KEY_WOW64_64KEY
inline constexpr std::uint32_t kRegMultiSz = 7;
inline constexpr std::uint32_t kRrfRtRegSz = 0x00000002;       // RRF_RT_REG_SZ
inline constexpr std::uint32_t kRrfRtRegDword = 0x00000010;    // RRF_RT_REG_DWORD
inline constexpr std::uint32_t kRrfRtRegMultiSz = 0x00000020;  // RRF_RT_REG_MULTI_SZ

struct RegistryValue {
    std::uint32_t error = 0;  // platform error code; 0 = success
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;  // the bytes returned (at most the buffer size asked for)
};

// The UTF-16 units of a string value's bytes, little-endian; an odd last
// byte is not a unit. Terminators and embedded NULs are kept.
inline std::u16string RegistryUnits(std::span<const std::uint8_t> bytes) {
    std::u16string units;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        units.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    }
    return units;
}

// The same up to the first NUL: the text of a REG_SZ value.
inline std::u16string RegistryText(std::span<const std::uint8_t> bytes) {
    const std::u16string units = RegistryUnits(bytes);
    return units.substr(0, units.find(u'\0'));
}

// An open key. Destroying it closes the key (RegCloseKey).
class IRegistryKey {
public:
    virtual ~IRegistryKey() = default;
    // RegQueryValueExW into a buffer of `bufferSize` bytes.
    [[nodiscard]] virtual RegistryValue QueryValue(std::u16string_view name, std::uint32_t bufferSize) = 0;
    // RegSetValueExW; returns the platform error code.
    [[nodiscard]] virtual std::uint32_t SetValue(std::u16string_view name, std::uint32_t type,
                                                 const std::vector<std::uint8_t>& data) = 0;
};

struct OpenedKey {
    std::uint32_t error = 0;            // platform error code; 0 = success
    std::unique_ptr<IRegistryKey> key;  // set on success
};

class IRegistry {
public:
    virtual ~IRegistry() = default;
    // RegOpenKeyExW(root, subKey, 0, access).
    [[nodiscard]] virtual OpenedKey OpenKey(RegistryRoot root, std::u16string_view subKey, std::uint32_t access) = 0;
    // RegCreateKeyExW(root, subKey, 0, no class, REG_OPTION_NON_VOLATILE,
    // access, no security attributes); creates the key when needed.
    [[nodiscard]] virtual OpenedKey CreateKey(RegistryRoot root, std::u16string_view subKey, std::uint32_t access) = 0;
    // RegGetValueW(root, subKey, value, flags) into a zeroed buffer of
    // `bufferSize` bytes; `data` holds the returned size in bytes.
    [[nodiscard]] virtual RegistryValue GetValue(RegistryRoot root, std::u16string_view subKey,
                                                 std::u16string_view value, std::uint32_t flags,
                                                 std::uint32_t bufferSize) = 0;
};

}  // namespace Korvane::PC::Tarnwick
