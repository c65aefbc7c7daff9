// Throughput of the table parsers on a large generated library, in MB/s of
// UTF-16 text: once as the program parses (no layout) and once as
// tarnwick-companion does (with the row layout its findings and diffs need).
// With a library, the decision path of simulate instead: profiles per
// second for generated fleets of 10,000 and 1,000,000 profiles.
//
//   tarnwick-companion-bench [MEGABYTES-PER-TABLE]   (default 16)
//   tarnwick-companion-bench --profiles LIBRARY
//
// Run the host build for figures; the goals are at least 100 MB/s and
// 200,000 profiles per second, with time linear in the fleet size.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "definitions/DefinitionTables.h"
#include "tools/companion-tool/Simulation.h"
#include "tools/companion-tool/TextOut.h"

using namespace Korvane::PC::Tarnwick;
using namespace Korvane::PC::Tarnwick::Companion;

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

// Profile `i` of a generated fleet: the library's boards (and one it does
// not know) on every system, mode, firmware and component set in turn.
Profile Generated(std::size_t i, const std::vector<std::string>& boards) {
    static const char* const kWindows[] = {"7-32", "8-64", "8.1-64", "10-1809-32", "10-1909-64", "other"};
    static const WindowsVersion kVersions[] = {{false, 6, 1, 0, false}, {false, 6, 2, 0, true},
                                               {false, 6, 3, 0, true},  {false, 10, 0, 1809, false},
                                               {false, 10, 0, 1909, true}, {true, 0, 0, 0, false}};
    Profile p;
    p.line = static_cast<std::uint32_t>(i + 2);
    p.manufacturer = i % 17 == 0 ? "OTHER" : "KORVANE";
    p.board = boards[i % boards.size()];
    p.model = "KN-" + std::to_string(i % 97);
    p.serial = "SN" + std::to_string(i);
    const std::size_t w = (i / boards.size()) % 6;
    p.windowsText = kWindows[w];
    p.windows = kVersions[w];
    if (i % 11 != 0) p.firmware = std::array<std::uint32_t, 3>{2 + static_cast<std::uint32_t>(i % 2), 0, static_cast<std::uint32_t>(i % 9)};
    p.bios = i % 3 == 0 ? "1.07" : "1.9";
    if (i % 5 == 0) p.tool = "1.2.3." + std::to_string(i % 7);
    p.components.fill(i % 7 != 0);
    if (i % 13 == 0) p.skipCount = static_cast<std::uint32_t>(i % 4);
    p.mode = static_cast<RunMode>(i % 3);
    return p;
}

int BenchProfiles(const char* path) {
    std::string error;
    std::unique_ptr<Release> release = Release::Open(path, error);
    if (!release) {
        std::fprintf(stderr, "%s: %s\n", path, error.c_str());
        return 3;
    }
    std::vector<std::string> boards{"KBX-UNKNOWN"};
    for (const TargetDefinition& row : release->tables().definitions.rows) boards.push_back(Utf8(row.product));
    Simulator simulator(*release);
    // Fleets are generated and run in batches so a million profiles need no
    // million-row buffer; only the runs are timed.
    constexpr std::size_t kBatch = 10000;
    std::printf("%-10s %10s %12s %16s\n", "fleet", "profiles", "seconds", "profiles/s");
    for (const std::size_t fleet : {std::size_t{10000}, std::size_t{1000000}}) {
        std::chrono::duration<double> took{};
        std::size_t executes = 0;
        // A digest of every outcome (FNV-1a, taken outside the timing): a
        // faster simulate must print the same one.
        std::uint64_t digest = 14695981039346656037ull;
        std::vector<Profile> batch;
        std::vector<Outcome> outcomes(kBatch);
        for (std::size_t start = 0; start < fleet; start += kBatch) {
            batch.clear();
            for (std::size_t i = start; i < start + kBatch && i < fleet; ++i) batch.push_back(Generated(i, boards));
            const auto begin = std::chrono::steady_clock::now();
            for (std::size_t i = 0; i < batch.size(); ++i) outcomes[i] = simulator.Run(batch[i]);
            took += std::chrono::steady_clock::now() - begin;
            for (std::size_t i = 0; i < batch.size(); ++i) {
                const Outcome& o = outcomes[i];
                executes += o.exitCode.starts_with("silent");
                for (const std::string* field : {&o.action, &o.state, &o.exitCode, &o.versionText, &o.decidedBy}) {
                    for (const char c : *field) digest = (digest ^ static_cast<unsigned char>(c)) * 1099511628211ull;
                    digest = (digest ^ 0xFF) * 1099511628211ull;
                }
            }
        }
        std::printf("%-10s %10zu %12.3f %16.0f   (%zu would execute; outcomes %016llx)\n", fleet == 10000 ? "10k" : "1M",
                    fleet, took.count(), static_cast<double>(fleet) / took.count(), executes,
                    static_cast<unsigned long long>(digest));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--profiles") return BenchProfiles(argv[2]);
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
