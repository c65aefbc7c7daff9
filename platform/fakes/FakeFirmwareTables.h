#pragma once

#include <cstring>
#include <optional>
#include <vector>

#include "platform/FirmwareTables.h"

namespace Korvane::PC::Tarnwick {

// Firmware tables held as byte vectors, listed with the ids 0, 1, ...
class FakeFirmwareTables : public IFirmwareTables {
public:
    std::vector<std::vector<std::uint8_t>> tables;
    // Raw bytes of the id list, when a test wants a malformed one.
    std::optional<std::vector<std::uint8_t>> rawIdList;
    bool failSecondFetch = false;

    std::uint32_t EnumTables(std::uint32_t provider, void* buffer, std::uint32_t size) override {
        if (provider != kRsmbProvider) return 0;
        std::vector<std::uint8_t> ids;
        if (rawIdList) {
            ids = *rawIdList;
        } else {
            for (std::uint32_t i = 0; i < tables.size(); ++i)
                for (int b = 0; b < 4; ++b) ids.push_back(static_cast<std::uint8_t>(i >> (8 * b)));
        }
        if (buffer == nullptr || size < ids.size()) return static_cast<std::uint32_t>(ids.size());
        if (!ids.empty()) std::memcpy(buffer, ids.data(), ids.size());
        return static_cast<std::uint32_t>(ids.size());
    }
    std::uint32_t GetTable(std::uint32_t provider, std::uint32_t id, void* buffer, std::uint32_t size) override {
        if (provider != kRsmbProvider || id >= tables.size()) return 0;
        const auto& table = tables[id];
        if (buffer == nullptr || size < table.size()) return static_cast<std::uint32_t>(table.size());
        if (failSecondFetch) return 0;
        if (!table.empty()) std::memcpy(buffer, table.data(), table.size());
        return static_cast<std::uint32_t>(table.size());
    }
};

}  // namespace Korvane::PC::Tarnwick
