// Raw SMBIOS tables for tests, laid out as GetSystemFirmwareTable('RSMB')
// returns them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Korvane::PC::Tarnwick {

using Bytes = std::vector<std::uint8_t>;

// An SMBIOS structure: type, formatted fields after the 4-byte head, strings.
inline Bytes Structure(std::uint8_t type, Bytes fields, std::vector<std::string> strings) {
    Bytes b{type, static_cast<std::uint8_t>(4 + fields.size()), 0, 0};
    b.insert(b.end(), fields.begin(), fields.end());
    for (const std::string& s : strings) {
        b.insert(b.end(), s.begin(), s.end());
        b.push_back(0);
    }
    if (strings.empty()) b.push_back(0);
    b.push_back(0);
    return b;
}

// The 8-byte table header, then the structures.
inline Bytes Table(std::vector<Bytes> structures) {
    Bytes table(8, 0);
    for (const Bytes& s : structures) table.insert(table.end(), s.begin(), s.end());
    return table;
}

}  // namespace Korvane::PC::Tarnwick
