#include "tools/companion-tool/Fleet.h"

#include <algorithm>
#include <charconv>
#include <map>

namespace Korvane::PC::Tarnwick::Companion {
namespace {

constexpr std::array<std::string_view, 11> kColumns{"manufacturer", "board", "model", "serial", "windows", "firmware",
                                                    "bios", "tool", "components", "skip", "mode"};

// Splits CSV text into records of fields; `lines` gets the line each record
// starts at. Quoted fields may hold commas, quotes ("") and line ends.
std::vector<std::vector<std::string>> Records(std::string_view csv, std::vector<std::uint32_t>& lines,
                                              std::vector<std::string>& errors) {
    std::vector<std::vector<std::string>> records;
    std::uint32_t line = 1;
    std::size_t i = 0;
    if (csv.starts_with("\xEF\xBB\xBF")) i = 3;
    while (i < csv.size()) {
        const std::uint32_t start = line;
        if (csv[i] == '#' || csv[i] == '\n' || csv[i] == '\r') {  // comment or empty line
            while (i < csv.size() && csv[i] != '\n') ++i;
            ++i;
            ++line;
            continue;
        }
        std::vector<std::string> fields(1);
        bool quoted = false;
        for (; i < csv.size(); ++i) {
            const char c = csv[i];
            if (quoted) {
                if (c == '"' && i + 1 < csv.size() && csv[i + 1] == '"') {
                    fields.back() += '"';
                    ++i;
                } else if (c == '"') {
                    quoted = false;
                } else {
                    if (c == '\n') ++line;
                    fields.back() += c;
                }
            } else if (c == '"') {
                quoted = true;
            } else if (c == ',') {
                fields.emplace_back();
            } else if (c == '\n') {
                break;
            } else if (c != '\r') {
                fields.back() += c;
            }
        }
        if (quoted) errors.push_back("line " + std::to_string(start) + ": a quoted field is not closed");
        ++i;
        ++line;
        records.push_back(std::move(fields));
        lines.push_back(start);
    }
    return records;
}

std::optional<std::uint32_t> Number(std::string_view text) {
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == text.npos) return parts;
        text.remove_prefix(at + 1);
    }
}

std::optional<WindowsVersion> ParseWindows(std::string_view text) {
    WindowsVersion v;
    if (text == "other") {
        v.other = true;
        return v;
    }
    const std::vector<std::string_view> parts = Split(text, '-');
    if (parts.size() < 2 || (parts.back() != "32" && parts.back() != "64")) return std::nullopt;
    v.is64 = parts.back() == "64";
    const std::string_view name = parts[0];
    if (name == "7" || name == "8" || name == "8.1") {
        if (parts.size() != 2) return std::nullopt;
        v.major = 6;
        v.minor = name == "7" ? 1 : name == "8" ? 2 : 3;
        return v;
    }
    if (name != "10" || parts.size() != 3) return std::nullopt;
    const std::optional<std::uint32_t> release = Number(parts[1]);
    if (!release) return std::nullopt;
    v.major = 10;
    v.release = *release;
    return v;
}

}  // namespace

Fleet ParseFleet(std::string_view csv) {
    Fleet fleet;
    std::vector<std::uint32_t> lines;
    const std::vector<std::vector<std::string>> records = Records(csv, lines, fleet.errors);
    if (records.empty()) {
        fleet.errors.push_back("line 1: no header row");
        return fleet;
    }
    std::map<std::string_view, std::size_t> column;
    for (std::size_t i = 0; i < records[0].size(); ++i) {
        const std::string& name = records[0][i];
        if (std::find(kColumns.begin(), kColumns.end(), name) == kColumns.end()) {
            fleet.errors.push_back("line " + std::to_string(lines[0]) + ": unknown column \"" + name + "\"");
        } else {
            column[*std::find(kColumns.begin(), kColumns.end(), name)] = i;
        }
    }
    for (std::string_view name : kColumns) {
        if (!column.contains(name)) fleet.errors.push_back("line " + std::to_string(lines[0]) + ": no column \"" + std::string(name) + "\"");
    }
    if (!fleet.errors.empty()) return fleet;

    for (std::size_t r = 1; r < records.size(); ++r) {
        const std::vector<std::string>& fields = records[r];
        const std::string where = "line " + std::to_string(lines[r]) + ": ";
        if (fields.size() != records[0].size()) {
            fleet.errors.push_back(where + std::to_string(fields.size()) + " fields, the header has " +
                                   std::to_string(records[0].size()));
            continue;
        }
        const auto get = [&](std::string_view name) -> const std::string& { return fields[column.at(name)]; };
        Profile p;
        p.line = lines[r];
        p.manufacturer = get("manufacturer");
        p.board = get("board");
        p.model = get("model");
        p.serial = get("serial");
        p.bios = get("bios");
        p.tool = get("tool");
        p.windowsText = get("windows");
        std::vector<std::string> problems;
        if (const auto windows = ParseWindows(p.windowsText)) {
            p.windows = *windows;
        } else {
            problems.push_back("windows \"" + p.windowsText + "\" is not 7-32, 8.1-64, 10-1909-64, other, ...");
        }
        const std::string& firmware = get("firmware");
        if (firmware != "none") {
            const std::vector<std::string_view> parts = Split(firmware, '.');
            std::array<std::uint32_t, 3> numbers{};
            bool good = parts.size() == 3;
            for (std::size_t i = 0; good && i < 3; ++i) {
                const auto n = Number(parts[i]);
                good = n.has_value();
                if (good) numbers[i] = *n;
            }
            // The embedded controller reports a nibble each for A and B and
            // two decimal digits of a nibble each for C.
            good = good && numbers[0] != 0 && numbers[0] <= 15 && numbers[1] <= 15 && numbers[2] <= 159;
            if (good) p.firmware = numbers;
            else problems.push_back("firmware \"" + firmware + "\" is not A.B.C (A 1..15, B 0..15, C 0..159) or none");
        }
        const std::string& components = get("components");
        if (components == "all") {
            p.components.fill(true);
        } else if (components != "none" && !components.empty()) {
            for (std::string_view tag : Split(components, '+')) {
                const auto slot = std::find(kComponentTags.begin(), kComponentTags.end(), tag);
                if (slot == kComponentTags.end()) problems.push_back("unknown component \"" + std::string(tag) + "\"");
                else p.components[static_cast<std::size_t>(slot - kComponentTags.begin())] = true;
            }
        }
        const std::string& skip = get("skip");
        if (!skip.empty()) {
            p.skipCount = Number(skip);
            if (!p.skipCount) problems.push_back("skip \"" + skip + "\" is not a number");
        }
        const std::string& mode = get("mode");
        if (mode == "silent") p.mode = RunMode::kSilent;
        else if (mode == "viewtarget") p.mode = RunMode::kViewTarget;
        else if (mode != "interactive") problems.push_back("mode \"" + mode + "\" is not interactive, silent or viewtarget");
        for (const std::string& problem : problems) fleet.errors.push_back(where + problem);
        if (problems.empty()) fleet.profiles.push_back(std::move(p));
    }
    return fleet;
}

}  // namespace Korvane::PC::Tarnwick::Companion
