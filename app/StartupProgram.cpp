#include "app/StartupProgram.h"

#include "platform/LibrarySearch.h"

namespace Korvane::PC::Tarnwick {
namespace {

constexpr std::u16string_view kRunKey = u"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr std::u16string_view kStartupProgramValue = u"VXN02B1_Apps";
constexpr std::uint32_t kRunValueBytes = 1040;
constexpr std::uint32_t kCommandLineChars = 5000;
constexpr std::u16string_view kBatteryCheckArgument = u" -batterycheckonly";

// The program a command line without an application name starts: the
// quoted first token, or the text up to the first blank (from where
// CreateProcessW tries longer and longer prefixes, all in the same folder).
std::u16string_view FirstToken(std::u16string_view commandLine) {
    if (!commandLine.empty() && commandLine.front() == u'"') {
        commandLine.remove_prefix(1);
        return commandLine.substr(0, commandLine.find(u'"'));
    }
    return commandLine.substr(0, commandLine.find_first_of(u" \t"));
}

}  // namespace

std::u16string StartupCommandLine(IEnvironment& environment, const std::vector<std::uint8_t>& value) {
    // A value that fills the whole buffer without a NUL ends at the buffer's
    // end; an odd last byte is not a character.
    std::u16string stored;
    for (std::size_t i = 0; i + 1 < value.size() && i + 1 < kRunValueBytes; i += 2) {
        const auto c = static_cast<char16_t>(value[i] | (value[i + 1] << 8));
        if (c == u'\0') break;
        stored.push_back(c);
    }
    if (stored.empty()) return {};
    std::u16string commandLine = environment.ExpandEnvironmentStrings(stored, kCommandLineChars);
    if (commandLine.size() > kCommandLineChars - 1) commandLine.resize(kCommandLineChars - 1);
    commandLine += kBatteryCheckArgument.substr(0, kCommandLineChars - 1 - commandLine.size());
    return commandLine;
}

bool RunStartupCheck(IRegistry& registry, IEnvironment& environment, IProcesses& processes) {
    std::vector<std::uint8_t> value;
    {
        const OpenedKey opened = registry.OpenKey(RegistryRoot::LocalMachine, kRunKey, kKeyRead);
        if (!opened.key) return false;
        RegistryValue read = opened.key->QueryValue(kStartupProgramValue, kRunValueBytes);
        if (read.error != 0) return false;  // a value longer than the buffer included
        value = std::move(read.data);
    }
    ProcessLaunch launch;
    launch.commandLine = StartupCommandLine(environment, value);
    if (launch.commandLine.empty()) return false;
    // Started by the path the machine-wide registry gives, never searched
    // for: a bare name would be looked up in this program's folder and the
    // current folder first. Such a value counts as a start failure.
    if (!IsFullPath(FirstToken(launch.commandLine))) return false;
    launch.creationFlags = kCreateNoWindow | kCreateNewProcessGroup;
    const std::unique_ptr<IProcess> process = processes.Start(launch);
    if (!process) return false;
    std::uint32_t exitCode = 1;
    if (process->WaitServingMessages() == WaitOutcome::kSignalled) exitCode = process->ExitCode().value_or(1);
    return exitCode == 0;
}

}  // namespace Korvane::PC::Tarnwick
