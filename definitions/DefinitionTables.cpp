#include "definitions/DefinitionTables.h"

#include <algorithm>

#include "common/Numbers.h"

namespace Korvane::PC::Tarnwick {
namespace {

constexpr char16_t kByteOrderMark = 0xFEFF;
constexpr char16_t kCr = u'\r';
constexpr char16_t kTab = u'\t';

// A read position inside one table's span. Every move is clamped to the
// span's end.
class Cursor {
public:
    explicit Cursor(std::span<const char16_t> table) : table_(table) {
        if (!table_.empty() && table_[0] == kByteOrderMark) position_ = 1;
    }

    // Finds `separator` at or after the position. On success `field` is the
    // text before it and the position moves past it (`skipAfter` units
    // further: the unit after a CR is passed over unseen). False when the
    // span ends first; the position is then unchanged.
    bool Take(char16_t separator, std::size_t skipAfter, std::u16string_view& field) {
        const auto begin = table_.begin() + static_cast<std::ptrdiff_t>(position_);
        const auto found = std::find(begin, table_.end(), separator);
        if (found == table_.end()) return false;
        const auto at = static_cast<std::size_t>(found - table_.begin());
        field = std::u16string_view(table_.data() + position_, at - position_);
        position_ = std::min(at + 1 + skipAfter, table_.size());
        return true;
    }
    bool TakeLine(std::u16string_view& line) { return Take(kCr, 1, line); }
    bool TakeColumn(std::u16string_view& column) { return Take(kTab, 0, column); }

private:
    std::span<const char16_t> table_;
    std::size_t position_ = 0;
};

std::u16string Counted(std::u16string_view text) {
    std::u16string counted(text);
    counted.push_back(u'\0');
    return counted;
}

// A product, then `N` numbers: all but the last end at a TAB, the last at the
// CR. False (row dropped) when a separator is missing before the span ends.
template <std::size_t N>
bool TakeTabRow(Cursor& cursor, std::u16string& product, std::array<std::int32_t, N>& numbers) {
    std::u16string_view field;
    if (!cursor.TakeColumn(field)) return false;
    product = Counted(field);
    for (std::size_t i = 0; i + 1 < N; ++i) {
        if (!cursor.TakeColumn(field)) return false;
        numbers[i] = ReadSigned32(field);
    }
    if (!cursor.TakeLine(field)) return false;
    numbers[N - 1] = ReadSigned32(field);
    return true;
}

}  // namespace

std::vector<std::uint8_t> ParseHashText(std::u16string_view textWithTerminator) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(textWithTerminator.size() / 2);
    for (std::size_t i = 0; textWithTerminator.size() - i >= 2; i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(ReadUnsigned32(textWithTerminator.substr(i, 2), 16) & 0xFF));
    }
    return bytes;
}

std::vector<TargetDefinition> ParseDefinitionTable(std::span<const char16_t> table) {
    std::vector<TargetDefinition> rows;
    if (table.data() == nullptr || table.empty()) return rows;
    Cursor cursor(table);
    for (;;) {
        TargetDefinition row;
        std::u16string_view line;
        if (!cursor.TakeLine(line)) return rows;
        row.product = Counted(line);
        if (!cursor.TakeLine(line)) return rows;
        row.action = ReadSigned32(line);
        if (!cursor.TakeLine(line)) return rows;
        row.version = Counted(line);
        if (!cursor.TakeLine(line)) return rows;
        row.url = Counted(line);
        if (!cursor.TakeLine(line)) return rows;
        row.toolFile = Counted(line);
        if (!cursor.TakeLine(line)) return rows;
        row.toolParameters = Counted(line);
        if (!cursor.TakeLine(line)) return rows;
        row.hash = ParseHashText(Counted(line));
        rows.push_back(std::move(row));
        // The separator line, whatever it holds; without one the table ends.
        if (!cursor.TakeLine(line)) return rows;
    }
}

std::vector<std::u16string> ParseModelList(std::span<const char16_t> table) {
    std::vector<std::u16string> models;
    if (table.data() == nullptr || table.empty()) return models;
    Cursor cursor(table);
    std::u16string_view line;
    while (cursor.TakeLine(line)) models.push_back(Counted(line));
    return models;
}

std::vector<OsSupportRow> ParseOsSupportTable(std::span<const char16_t> table) {
    std::vector<OsSupportRow> rows;
    if (table.data() == nullptr || table.empty()) return rows;
    Cursor cursor(table);
    for (;;) {
        OsSupportRow row;
        if (!TakeTabRow(cursor, row.product, row.codes)) return rows;
        rows.push_back(std::move(row));
    }
}

std::vector<RequirementRow> ParseRequirementTable(std::span<const char16_t> table) {
    std::vector<RequirementRow> rows;
    if (table.data() == nullptr || table.empty()) return rows;
    Cursor cursor(table);
    for (;;) {
        RequirementRow row;
        std::array<std::int32_t, kComponentSlots> numbers{};
        if (!TakeTabRow(cursor, row.product, numbers)) return rows;
        for (std::size_t i = 0; i < kComponentSlots; ++i) row.required[i] = numbers[i] == 1;
        rows.push_back(std::move(row));
    }
}

}  // namespace Korvane::PC::Tarnwick
