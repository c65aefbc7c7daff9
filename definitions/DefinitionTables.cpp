#include "definitions/DefinitionTables.h"

#include <algorithm>

#include "common/Numbers.h"

namespace Korvane::PC::Tarnwick {
namespace {

constexpr char16_t kByteOrderMark = 0xFEFF;
constexpr char16_t kCr = u'\r';
constexpr char16_t kTab = u'\t';

// A read position inside one table's span. Every move is clamped to the
// span's end. It counts the CRs it passes (the lines read) when asked to;
// TakeLine always counts, since that costs nothing.
class Cursor {
public:
    Cursor(std::span<const char16_t> table, bool countLines) : table_(table), countLines_(countLines) {
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
    bool TakeLine(std::u16string_view& line) {
        if (!Take(kCr, 1, line)) return false;
        ++line_;
        return true;
    }
    bool TakeColumn(std::u16string_view& column) {
        if (!Take(kTab, 0, column)) return false;
        if (countLines_) line_ += static_cast<std::uint32_t>(std::count(column.begin(), column.end(), kCr));
        return true;
    }

    std::size_t position() const { return position_; }
    std::uint32_t linesRead() const { return line_; }
    std::span<const char16_t> table() const { return table_; }

private:
    std::span<const char16_t> table_;
    std::size_t position_ = 0;
    std::uint32_t line_ = 0;
    bool countLines_;
};

// Fills a TableLayout when one is given; does nothing otherwise.
class Trace {
public:
    explicit Trace(TableLayout* layout) : layout_(layout) {}
    bool on() const { return layout_ != nullptr; }

    void BeginRow(const Cursor& cursor) {
        if (!on()) return;
        row_ = RowSource{};
        row_.firstLine = cursor.linesRead() + 1;
        rowStart_ = cursor.position();
    }
    void Field(std::u16string_view field) {
        if (on()) row_.fields.push_back(field);
    }
    void EndRow(const Cursor& cursor) {
        if (!on()) return;
        row_.lastLine = cursor.linesRead();
        layout_->rows.push_back(std::move(row_));
    }
    // The parse ends: what is left from the row begun last (or, with
    // `atCursor`, from the cursor) was dropped.
    void Stop(const Cursor& cursor, bool atCursor = false) {
        if (!on()) return;
        const std::size_t from = atCursor ? cursor.position() : rowStart_;
        const std::span<const char16_t> table = cursor.table();
        layout_->unread = std::u16string_view(table.data() + from, table.size() - from);
        layout_->unreadLine = atCursor ? cursor.linesRead() + 1 : row_.firstLine;
    }

private:
    TableLayout* layout_;
    RowSource row_;
    std::size_t rowStart_ = 0;
};

std::u16string Counted(std::u16string_view text) {
    std::u16string counted(text);
    counted.push_back(u'\0');
    return counted;
}

// A product, then `N` numbers: all but the last end at a TAB, the last at the
// CR. False (row dropped) when a separator is missing before the span ends.
template <std::size_t N>
bool TakeTabRow(Cursor& cursor, Trace& trace, std::u16string& product, std::array<std::int32_t, N>& numbers) {
    trace.BeginRow(cursor);
    std::u16string_view field;
    if (!cursor.TakeColumn(field)) return false;
    product = Counted(field);
    trace.Field(field);
    for (std::size_t i = 0; i + 1 < N; ++i) {
        if (!cursor.TakeColumn(field)) return false;
        numbers[i] = ReadSigned32(field);
        trace.Field(field);
    }
    if (!cursor.TakeLine(field)) return false;
    numbers[N - 1] = ReadSigned32(field);
    trace.Field(field);
    trace.EndRow(cursor);
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

std::vector<TargetDefinition> ParseDefinitionTable(std::span<const char16_t> table, TableLayout* layout) {
    std::vector<TargetDefinition> rows;
    if (table.data() == nullptr || table.empty()) return rows;
    Cursor cursor(table, layout != nullptr);
    Trace trace(layout);
    std::u16string_view line;
    // Takes the next line of the record, or ends the parse (dropping it).
    const auto next = [&]() {
        if (!cursor.TakeLine(line)) {
            trace.Stop(cursor);
            return false;
        }
        trace.Field(line);
        return true;
    };
    for (;;) {
        TargetDefinition row;
        trace.BeginRow(cursor);
        if (!next()) return rows;
        row.product = Counted(line);
        if (!next()) return rows;
        row.action = ToActionCode(ReadSigned32(line));
        if (!next()) return rows;
        row.version = Counted(line);
        if (!next()) return rows;
        row.url = Counted(line);
        if (!next()) return rows;
        row.toolFile = Counted(line);
        if (!next()) return rows;
        row.toolParameters = Counted(line);
        if (!next()) return rows;
        row.hash = ParseHashText(Counted(line));
        rows.push_back(std::move(row));
        // The separator line, whatever it holds; without one the table ends.
        if (!cursor.TakeLine(line)) {
            trace.EndRow(cursor);
            trace.Stop(cursor, true);
            return rows;
        }
        trace.Field(line);
        trace.EndRow(cursor);
    }
}

std::vector<std::u16string> ParseModelList(std::span<const char16_t> table, TableLayout* layout) {
    std::vector<std::u16string> models;
    if (table.data() == nullptr || table.empty()) return models;
    Cursor cursor(table, layout != nullptr);
    Trace trace(layout);
    std::u16string_view line;
    for (;;) {
        trace.BeginRow(cursor);
        if (!cursor.TakeLine(line)) break;
        models.push_back(Counted(line));
        trace.Field(line);
        trace.EndRow(cursor);
    }
    trace.Stop(cursor);
    return models;
}

std::vector<OsSupportRow> ParseOsSupportTable(std::span<const char16_t> table, TableLayout* layout) {
    std::vector<OsSupportRow> rows;
    if (table.data() == nullptr || table.empty()) return rows;
    Cursor cursor(table, layout != nullptr);
    Trace trace(layout);
    for (;;) {
        OsSupportRow row;
        std::array<std::int32_t, 8> numbers{};
        if (!TakeTabRow(cursor, trace, row.product, numbers)) {
            trace.Stop(cursor);
            return rows;
        }
        for (std::size_t i = 0; i < numbers.size(); ++i) row.codes[i] = ToActionCode(numbers[i]);
        rows.push_back(std::move(row));
    }
}

std::vector<RequirementRow> ParseRequirementTable(std::span<const char16_t> table, TableLayout* layout) {
    std::vector<RequirementRow> rows;
    if (table.data() == nullptr || table.empty()) return rows;
    Cursor cursor(table, layout != nullptr);
    Trace trace(layout);
    for (;;) {
        RequirementRow row;
        std::array<std::int32_t, kComponentSlots> numbers{};
        if (!TakeTabRow(cursor, trace, row.product, numbers)) {
            trace.Stop(cursor);
            return rows;
        }
        for (std::size_t i = 0; i < kComponentSlots; ++i) row.required[i] = numbers[i] == 1;
        rows.push_back(std::move(row));
    }
}

}  // namespace Korvane::PC::Tarnwick
