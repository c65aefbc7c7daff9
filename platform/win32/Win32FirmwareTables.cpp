// The system firmware's tables, and the test build's SMBIOS seam.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/win32/Win32FirmwareTables.h"

namespace Korvane::PC::Tarnwick::Win32 {

std::uint32_t FirmwareTables::EnumTables(std::uint32_t provider, void* buffer, std::uint32_t size) {
    return ::EnumSystemFirmwareTables(provider, static_cast<PVOID>(buffer), size);
}

std::uint32_t FirmwareTables::GetTable(std::uint32_t provider, std::uint32_t tableId, void* buffer,
                                       std::uint32_t size) {
    return ::GetSystemFirmwareTable(provider, tableId, buffer, size);
}

#ifdef TARNWICK_TEST_HOOKS
namespace {

// Test seam: one 'RSMB' table with id 0 whose contents are a file's bytes,
// laid out exactly as GetSystemFirmwareTable returns them.
class FileFirmwareTables : public IFirmwareTables {
public:
    explicit FileFirmwareTables(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    std::uint32_t EnumTables(std::uint32_t provider, void* buffer, std::uint32_t size) override {
        if (provider != kRsmbProvider) return 0;
        if (buffer != nullptr && size >= 4) std::memset(buffer, 0, 4);
        return 4;
    }
    std::uint32_t GetTable(std::uint32_t provider, std::uint32_t tableId, void* buffer, std::uint32_t size) override {
        if (provider != kRsmbProvider || tableId != 0) return 0;
        const auto needed = static_cast<std::uint32_t>(bytes_.size());
        if (buffer != nullptr && size >= needed && needed != 0) std::memcpy(buffer, bytes_.data(), needed);
        return needed;
    }

private:
    std::vector<std::uint8_t> bytes_;
};

}  // namespace
#endif

std::unique_ptr<IFirmwareTables> CreateFirmwareTables() {
#ifdef TARNWICK_TEST_HOOKS
    if (const wchar_t* path = _wgetenv(L"TARNWICK_TEST_SMBIOS"); path != nullptr && *path != L'\0') {
        std::ifstream in(path, std::ios::binary);
        std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return std::make_unique<FileFirmwareTables>(std::move(bytes));
    }
#endif
    return std::make_unique<FirmwareTables>();
}

}  // namespace Korvane::PC::Tarnwick::Win32
