#include "tools/companion-tool/Report.h"

#include <cstdio>

namespace Korvane::PC::Tarnwick::Companion {
namespace {

bool IsWide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

}  // namespace

std::string CsvCell(const std::string& cell) {
    if (cell.find_first_of(",\"\r\n") == std::string::npos) return cell;
    std::string out = "\"";
    for (char c : cell) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

std::size_t DisplayWidth(std::string_view text) {
    std::size_t width = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        const std::size_t length = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : 4;
        char32_t c = length == 1 ? b : b & (0x7F >> length);
        for (std::size_t k = 1; k < length && i + k < text.size(); ++k)
            c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        width += IsWide(c) ? 2 : 1;
        i += length;
    }
    return width;
}

void Print(const Report& report, OutputFormat format, std::ostream& out) {
    if (format == OutputFormat::kCsv) {
        const auto line = [&](const std::vector<std::string>& cells) {
            for (std::size_t i = 0; i < cells.size(); ++i) out << (i ? "," : "") << CsvCell(cells[i]);
            out << "\r\n";
        };
        line(report.header);
        for (const auto& row : report.rows) line(row);
        return;
    }
    if (format == OutputFormat::kJson) {
        out << "[";
        for (std::size_t r = 0; r < report.rows.size(); ++r) {
            out << (r ? ",\n  {" : "\n  {");
            for (std::size_t i = 0; i < report.header.size(); ++i)
                out << (i ? ", " : "") << JsonString(report.header[i]) << ": " << JsonString(report.rows[r][i]);
            out << "}";
        }
        out << (report.rows.empty() ? "]\n" : "\n]\n");
        return;
    }
    // One line per row on a terminal: line breaks and TABs become spaces.
    Report flat = report;
    for (auto& row : flat.rows)
        for (std::string& cell : row)
            for (char& c : cell)
                if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    std::vector<std::size_t> widths(report.header.size());
    const auto measure = [&](const std::vector<std::string>& cells) {
        for (std::size_t i = 0; i < cells.size(); ++i) widths[i] = std::max(widths[i], DisplayWidth(cells[i]));
    };
    measure(flat.header);
    for (const auto& row : flat.rows) measure(row);
    const auto line = [&](const std::vector<std::string>& cells) {
        std::string text;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            text += cells[i];
            if (i + 1 < cells.size()) text += std::string(widths[i] - DisplayWidth(cells[i]) + 2, ' ');
        }
        out << text << "\n";
    };
    line(flat.header);
    for (const auto& row : flat.rows) line(row);
}

}  // namespace Korvane::PC::Tarnwick::Companion
