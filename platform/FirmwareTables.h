// The system firmware's tables (EnumSystemFirmwareTables /
// GetSystemFirmwareTable): the raw SMBIOS table the machine is identified by.
#pragma once

#include <cstdint>

namespace Korvane::PC::Tarnwick {

inline constexpr std::uint32_t kRsmbProvider = 0x52534D42;  // 'RSMB', raw SMBIOS

class IFirmwareTables {
public:
    virtual ~IFirmwareTables() = default;
    // Both mirror the Win32 calls: with a null buffer or a buffer that is too
    // small they return the size needed; otherwise the number of bytes
    // written; 0 on failure.
    [[nodiscard]] virtual std::uint32_t EnumTables(std::uint32_t provider, void* buffer, std::uint32_t size) = 0;
    [[nodiscard]] virtual std::uint32_t GetTable(std::uint32_t provider, std::uint32_t tableId, void* buffer,
                                                 std::uint32_t size) = 0;
};

}  // namespace Korvane::PC::Tarnwick
