// The command-line switches and their parser.
//
// Every switch starts with '-' or '/' and is compared exactly and
// case-sensitively; a value switch takes the next argument verbatim. Any
// error (non-switch argument, unknown or repeated switch, missing value)
// fails the whole command line.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "run/ToolOptions.h"

namespace Korvane::PC::Tarnwick {

struct CommandLineOption {
    std::uint32_t takesValue = 0;  // 0: plain switch; 1: consumes the next argument
    std::u16string name;           // without the prefix character
    std::u16string value;
    bool present = false;
};

class CommandLineParser {
public:
    static constexpr std::uint32_t kDashPrefix = 1u << 0;
    static constexpr std::uint32_t kSlashPrefix = 1u << 1;

    // The options are not owned and must outlive the parser.
    CommandLineParser(std::uint32_t prefixes, std::vector<CommandLineOption*> options);

    // Parses argument `index`; returns the index after the argument(s)
    // consumed, or -1 on error.
    int ParseStep(const std::vector<std::u16string>& arguments, int index);

    // Parses arguments 1..count-1 (argument 0 is the program path).
    bool ParseAll(const std::vector<std::u16string>& arguments);

private:
    std::uint32_t prefixes_;
    std::vector<CommandLineOption*> options_;
};

// The eleven switches of the tool, in search order.
enum OptionIndex : std::size_t {
    kOptSilent,
    kOptViewTarget,
    kOptNoCheckNewVersion,
    kOptLog,
    kOptMakeReleaseDat,
    kOptShowInfo,
    kOptDisableDlParam,
    kOptEnableCancelLimit,
    kOptForce,
    kOptNoCheckSignature,
    kOptLanguage,
    kOptionCount
};

using OptionTable = std::array<CommandLineOption, kOptionCount>;

OptionTable MakeOptionTable();

// Parses a whole argument vector into the option table; false on any error.
bool ParseCommandLine(const std::vector<std::u16string>& arguments, OptionTable& table);

// Maps the parsed switches of a normal run to ToolOptions.
ToolOptions ToToolOptions(const OptionTable& table);

}  // namespace Korvane::PC::Tarnwick
