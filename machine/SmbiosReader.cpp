#include "machine/SmbiosReader.h"

#include <cstring>
#include <functional>

namespace Korvane::PC::Tarnwick {

bool CSmbiosReader::MoveFirst() {
    tableIndex_ = 0;
    tableIds_.clear();
    buffer_.clear();
    position_ = kNone;

    const std::uint32_t listBytes = firmware_.EnumTables(kRsmbProvider, nullptr, 0);
    if (listBytes < sizeof(std::uint32_t)) return false;
    // Whole ids only; the array's own size is what the provider may fill.
    std::vector<std::uint32_t> ids(listBytes / sizeof(std::uint32_t), 0);
    const auto arrayBytes = static_cast<std::uint32_t>(ids.size() * sizeof(std::uint32_t));
    if (firmware_.EnumTables(kRsmbProvider, ids.data(), arrayBytes) == 0) return false;

    tableIds_ = std::move(ids);
    LoadTable(tableIds_[0]);
    return EnterTable();
}

bool CSmbiosReader::MoveNext() {
    const std::size_t size = buffer_.size();
    // At least the type and the length byte must lie in the buffer.
    if (size == 0 || position_ == kNone || position_ + 1 >= size) return false;

    // The string set starts after the formatted area and ends at the first
    // pair of NUL bytes.
    std::size_t p = position_ + buffer_[position_ + 1];
    while (p + 1 < size && (buffer_[p] != 0 || buffer_[p + 1] != 0)) ++p;
    if (p + 1 < size) {
        p += 2;
        if (p + 1 < size) {  // room for the next structure's type and length
            position_ = p;
            return true;
        }
    }

    // This table is used up (or its last string set never closes).
    if (tableIndex_ + 1 >= tableIds_.size()) return false;
    ++tableIndex_;
    LoadTable(tableIds_[tableIndex_]);
    return EnterTable();
}

const char* CSmbiosReader::GetString(const std::uint8_t* structure, std::uint8_t n) const {
    static constexpr const char* kEmpty = "";
    const std::size_t size = buffer_.size();
    if (structure == nullptr || size == 0) return kEmpty;
    const std::uint8_t* begin = buffer_.data();
    if (std::less<const std::uint8_t*>{}(structure, begin) ||
        !std::less<const std::uint8_t*>{}(structure, begin + size))
        return kEmpty;
    const auto offset = static_cast<std::size_t>(structure - begin);
    if (offset + 1 >= size) return kEmpty;

    std::size_t s = offset + buffer_[offset + 1];
    if (s >= size) return kEmpty;
    for (unsigned skipped = 1; skipped < n; ++skipped) {
        // A NUL where a string should start is the set's closing NUL: the
        // wanted string lies beyond the set.
        if (buffer_[s] == 0) return kEmpty;
        while (s < size && buffer_[s] != 0) ++s;
        if (s + 1 >= size) return kEmpty;
        ++s;
    }
    if (std::memchr(begin + s, 0, size - s) == nullptr) return kEmpty;
    return reinterpret_cast<const char*>(begin + s);
}

std::uint8_t CSmbiosReader::ReadByte(std::size_t offset) const {
    if (position_ == kNone) return 0;
    // MoveFirst/MoveNext guarantee that the type and length bytes exist.
    if (offset < 2) return buffer_[position_ + offset];
    if (offset >= buffer_[position_ + 1] || offset >= buffer_.size() - position_) return 0;
    return buffer_[position_ + offset];
}

void CSmbiosReader::LoadTable(std::uint32_t tableId) {
    buffer_.clear();
    position_ = kNone;
    const std::uint32_t size = firmware_.GetTable(kRsmbProvider, tableId, nullptr, 0);
    if (size == 0) return;
    std::vector<std::uint8_t> data(size, 0);
    if (firmware_.GetTable(kRsmbProvider, tableId, data.data(), size) == 0) return;
    // The buffer keeps the size asked for, whatever the second call wrote.
    buffer_ = std::move(data);
}

bool CSmbiosReader::EnterTable() {
    if (buffer_.size() < kHeaderSize + 2) {
        position_ = kNone;
        return false;
    }
    position_ = kHeaderSize;
    return true;
}

}  // namespace Korvane::PC::Tarnwick
