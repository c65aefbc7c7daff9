// IFirmwareTables over EnumSystemFirmwareTables and GetSystemFirmwareTable.
#pragma once

#include <memory>

#include "platform/FirmwareTables.h"

namespace Korvane::PC::Tarnwick::Win32 {

class FirmwareTables : public IFirmwareTables {
public:
    std::uint32_t EnumTables(std::uint32_t provider, void* buffer, std::uint32_t size) override;
    std::uint32_t GetTable(std::uint32_t provider, std::uint32_t tableId, void* buffer, std::uint32_t size) override;
};

// The firmware tables this program uses: the real ones, or in the test build
// (TARNWICK_TEST_HOOKS) a file named by TARNWICK_TEST_SMBIOS when it is set.
std::unique_ptr<IFirmwareTables> CreateFirmwareTables();

}  // namespace Korvane::PC::Tarnwick::Win32
