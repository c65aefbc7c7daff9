// The tool's tabular output: one header and rows of UTF-8 cells, printed as
// an aligned table for a terminal, as CSV (RFC 4180) or as a JSON array of
// objects keyed by the header.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace Korvane::PC::Tarnwick::Companion {

enum class OutputFormat { kTable, kCsv, kJson };

struct Report {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;  // each as long as the header
};

void Print(const Report& report, OutputFormat format, std::ostream& out);

// One CSV cell, quoted when it must be; one JSON string with its quotes.
std::string CsvCell(const std::string& cell);
std::string JsonString(std::string_view text);

// Terminal columns a UTF-8 text takes (East Asian wide characters take two).
std::size_t DisplayWidth(std::string_view text);

}  // namespace Korvane::PC::Tarnwick::Companion
