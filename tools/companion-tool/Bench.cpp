// Throughput of the table parsers on a large generated library, in MB/s of
// UTF-16 text: once as the program parses (no layout) and once as
// tarnwick-companion does (with the row layout its findings and diffs need).
//
//   tarnwick-companion-bench [MEGABYTES-PER-TABLE]   (default 16)
//
// Run the host build for figures; the goal is at least 100 MB/s.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "definitions/DefinitionTables.h"

using namespace Korvane::PC::Tarnwick;

namespace {

std::u16string Board(std::size_t i) {
    std::u16string board = u"KBX";
    for (char c : std::to_string(100000 + i)) board += static_cast<char16_t>(c);
    return board;
}

// Appends rows made by `row` until the text holds `units` code units.
template <typename Row>
std::u16string Generate(std::size_t units, Row row) {
    std::u16string text;
    text.reserve(units + 512);
    for (std::size_t i = 0; text.size() < units; ++i) text += row(i);
    return text;
}

template <typename Parse>
void Measure(const char* name, const std::u16string& text, Parse parse) {
    const std::span<const char16_t> span(text.data(), text.size());
    const double megabytes = static_cast<double>(text.size() * 2) / 1e6;
    for (const bool layout : {false, true}) {
        double best = 1e9;
        std::size_t rows = 0;
        for (int pass = 0; pass < 3; ++pass) {
            TableLayout table;
            const auto start = std::chrono::steady_clock::now();
            rows = parse(span, layout ? &table : nullptr);
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            best = std::min(best, took.count());
        }
        std::printf("%-22s %-12s %8.1f MB %9zu rows %8.3f s %9.1f MB/s\n", name, layout ? "with layout" : "program",
                    megabytes, rows, best, megabytes / best);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 16;
    const std::size_t units = megabytes * 1000000 / 2;
    const std::u16string hash(64, u'c');
    const std::u16string definitions = Generate(units, [&](std::size_t i) {
        return Board(i) + u"\r\n1\r\n2.0.5\r\nfirmware/" + Board(i) + u"/pmu-2.0.5.exe\r\nPmuFlash\\PmuFlash.exe\r\n"
               u"/s /image pmu205.bin\r\n" + hash + u"\r\n\r\n";
    });
    const std::u16string models = Generate(units, [&](std::size_t i) { return u"KN-" + Board(i) + u"Lite\r\n"; });
    const std::u16string os = Generate(units, [&](std::size_t i) { return Board(i) + u"\t1\t1\t1\t1\t0\t0\t6\t6\r\n"; });
    const std::u16string requirements =
        Generate(units, [&](std::size_t i) { return Board(i) + u"\t1\t1\t0\t0\t1\t1\r\n"; });

    std::printf("%-22s %-12s %11s %14s %10s %14s\n", "table", "parse", "UTF-16", "", "best of 3", "throughput");
    Measure("definitions (108)", definitions,
            [](auto span, TableLayout* layout) { return ParseDefinitionTable(span, layout).size(); });
    Measure("excluded models (114)", models,
            [](auto span, TableLayout* layout) { return ParseModelList(span, layout).size(); });
    Measure("os-support (171)", os,
            [](auto span, TableLayout* layout) { return ParseOsSupportTable(span, layout).size(); });
    Measure("requirements (164)", requirements,
            [](auto span, TableLayout* layout) { return ParseRequirementTable(span, layout).size(); });
    return 0;
}
