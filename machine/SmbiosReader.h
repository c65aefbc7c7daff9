// A forward-only cursor over the raw SMBIOS structure tables that the
// firmware-table provider 'RSMB' hands out.
//
// Each table buffer starts with an 8-byte header (calling method, major and
// minor version, DMI revision, table length) that is skipped unread; the
// table ends at the end of the buffer, not where the length field says. A
// structure is: type (offset 0), formatted length (offset 1), handle, the
// formatted fields, then its string set (NUL-terminated 8-bit strings closed
// by one further NUL). The walk knows no structure types and does not stop at
// type 127: it runs on to the end of the last table.
//
// Whatever the bytes say, no scan leaves the loaded table buffer:
//   - a buffer shorter than the header plus two bytes holds no structure;
//   - a string set that is not closed before the buffer end ends that table
//     (the walk continues with the next table, if any);
//   - GetString returns a pointer to an empty text "" when the structure
//     does not lie in the buffer, when its formatted area reaches the buffer
//     end, when the wanted string lies beyond the string set (string numbers
//     larger than the number of strings), or when the wanted string has no
//     NUL before the buffer end. Any other answer points into the buffer and
//     is NUL-terminated there;
//   - ReadByte returns 0 for a byte beyond the current structure's formatted
//     area or the buffer, so a short structure reads as string number 0 (the
//     first string of its set) at offsets it does not have.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/FirmwareTables.h"

namespace Korvane::PC::Tarnwick {

class CSmbiosReader {
public:
    explicit CSmbiosReader(IFirmwareTables& firmware) : firmware_(firmware) {}
    CSmbiosReader(const CSmbiosReader&) = delete;
    CSmbiosReader& operator=(const CSmbiosReader&) = delete;

    // Lists the tables, loads the first and positions on its first
    // structure. False when there is no table or it holds no structure. May
    // be called again to restart.
    bool MoveFirst();
    // Steps to the next structure, continuing into the next table when the
    // loaded one is used up. False at the end of the walk; then Current() is
    // left where it was, or is null when the next table could not be loaded,
    // and must not be used any more.
    bool MoveNext();
    // The current structure (type at offset 0, formatted length at offset
    // 1); null before a successful MoveFirst. At least these two bytes lie
    // inside the buffer.
    const std::uint8_t* Current() const { return position_ == kNone ? nullptr : buffer_.data() + position_; }

    // String number `n` of `structure`'s string set; 0 and 1 both select the
    // first string. See the header comment for the empty answers.
    const char* GetString(const std::uint8_t* structure, std::uint8_t n) const;

    // Byte `offset` of the current structure: the type and the length byte
    // always, any other byte only inside the formatted area and the buffer;
    // 0 otherwise (also when there is no current structure).
    std::uint8_t ReadByte(std::size_t offset) const;
    // The string whose number stands at `offset` of the current structure.
    const char* StringAt(std::size_t offset) const { return GetString(Current(), ReadByte(offset)); }

private:
    static constexpr std::size_t kHeaderSize = 8;
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    void LoadTable(std::uint32_t tableId);
    // Positions on the loaded table's first structure, if it can hold one.
    bool EnterTable();

    IFirmwareTables& firmware_;
    std::vector<std::uint32_t> tableIds_;
    std::uint32_t tableIndex_ = 0;
    std::vector<std::uint8_t> buffer_;
    std::size_t position_ = kNone;  // offset of the current structure in buffer_
};

}  // namespace Korvane::PC::Tarnwick
