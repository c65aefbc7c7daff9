#include "app/CommandLine.h"

#include "common/Numbers.h"

namespace Korvane::PC::Tarnwick {

CommandLineParser::CommandLineParser(std::uint32_t prefixes, std::vector<CommandLineOption*> options)
    : prefixes_(prefixes), options_(std::move(options)) {}

int CommandLineParser::ParseStep(const std::vector<std::u16string>& arguments, int index) {
    const auto count = static_cast<int>(arguments.size());
    if (index < 0 || index >= count) return -1;
    const std::u16string& argument = arguments[static_cast<std::size_t>(index)];
    if (argument.empty()) return -1;
    const bool dash = argument[0] == u'-' && (prefixes_ & kDashPrefix) != 0;
    const bool slash = argument[0] == u'/' && (prefixes_ & kSlashPrefix) != 0;
    if (!dash && !slash) return -1;
    const std::u16string_view name = std::u16string_view(argument).substr(1);
    for (CommandLineOption* option : options_) {
        if (option->name != name) continue;
        if (option->present) return -1;
        if (option->takesValue == 0) {
            option->present = true;
            return index + 1;
        }
        if (index + 1 == count) return -1;
        option->value = arguments[static_cast<std::size_t>(index) + 1];
        option->present = true;
        return index + 2;
    }
    return -1;
}

bool CommandLineParser::ParseAll(const std::vector<std::u16string>& arguments) {
    const auto count = static_cast<int>(arguments.size());
    int index = 1;
    while (index < count) {
        index = ParseStep(arguments, index);
        if (index < 0) return false;
    }
    return true;
}

OptionTable MakeOptionTable() {
    return OptionTable{{
        {0, u"silent", {}, false},
        {0, u"viewtarget", {}, false},
        {0, u"nochecknewversion", {}, false},
        {1, u"log", {}, false},
        {0, u"makereleasedat", {}, false},
        {1, u"showinfo", {}, false},
        {0, u"disabledlparam", {}, false},
        {0, u"enablecancellimit", {}, false},
        {1, u"force", {}, false},
        {0, u"nochecksignature", {}, false},
        {1, u"language", {}, false},
    }};
}

bool ParseCommandLine(const std::vector<std::u16string>& arguments, OptionTable& table) {
    std::vector<CommandLineOption*> pointers;
    pointers.reserve(table.size());
    for (CommandLineOption& option : table) pointers.push_back(&option);
    CommandLineParser parser(CommandLineParser::kDashPrefix | CommandLineParser::kSlashPrefix, std::move(pointers));
    return parser.ParseAll(arguments);
}

ToolOptions ToToolOptions(const OptionTable& table) {
    ToolOptions options;
    options.silent = table[kOptSilent].present;
    options.viewTarget = table[kOptViewTarget].present;
    options.checkSignature = !table[kOptNoCheckSignature].present;
    options.checkNewVersion = !table[kOptNoCheckNewVersion].present;
    options.disableDownloadParameters = table[kOptDisableDlParam].present;
    options.enableCancelLimit = table[kOptEnableCancelLimit].present;
    options.force = table[kOptForce].present;
    options.forcedKind = options.force ? ReadUnsigned32(table[kOptForce].value) : 0;
    return options;
}

}  // namespace Korvane::PC::Tarnwick
