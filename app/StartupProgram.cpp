#include "app/StartupProgram.h"

#include <algorithm>
#include <span>

#include "platform/LibrarySearch.h"
#include "platform/Registry.h"

namespace Korvane::PC::Tarnwick {
namespace {

constexpr std::u16string_view kRunKey = u"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr std::u16string_view kStartupProgramValue = u"VXN02B1_Apps";
constexpr std::uint32_t kRunValueBytes = 1040;
constexpr std::uint32_t kCommandLineChars = 5000;
constexpr std::u16string_view kBatteryCheckArgument = u" -batterycheckonly";

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

// Whether the last name of `path` holds a dot ("app.exe", "VXN02B1.exe -x").
bool HasExtension(std::u16string_view path) {
    const std::size_t name = path.find_last_of(u"\\/");
    return path.find(u'.', name == std::u16string_view::npos ? 0 : name + 1) != std::u16string_view::npos;
}

}  // namespace

std::optional<std::u16string> StartupProgramPath(std::u16string_view value, IFiles& files) {
    const auto isFile = [&](std::u16string_view path) {
        if (!IsFullPath(path)) return false;  // never searched for
        const std::optional<std::uint32_t> attributes = files.GetFileAttributes(path);
        return attributes && (*attributes & kFileAttributeDirectory) == 0;
    };
    if (!value.empty() && value.front() == u'"') {
        value.remove_prefix(1);
        const std::u16string_view program = value.substr(0, value.find(u'"'));
        if (!IsFullPath(program)) return std::nullopt;
        return std::u16string(program);
    }
    std::optional<std::u16string> program;
    int found = 0;
    const auto consider = [&](std::u16string candidate) {
        if (!isFile(candidate)) return;
        ++found;
        program = std::move(candidate);
    };
    for (std::size_t end = 1; end <= value.size(); ++end) {
        if (end < value.size() && !IsBlank(value[end])) continue;
        if (IsBlank(value[end - 1])) continue;  // Windows drops trailing blanks: the shorter part again
        const std::u16string_view part = value.substr(0, end);
        consider(std::u16string(part));
        if (!HasExtension(part)) consider(std::u16string(part) + u".exe");
    }
    if (found != 1) return std::nullopt;
    return program;
}

std::u16string StartupCommandLine(IEnvironment& environment, const std::vector<std::uint8_t>& value) {
    // A value that fills the whole buffer without a NUL ends at the buffer's
    // end; an odd last byte is not a character.
    const std::u16string stored =
        RegistryText(std::span<const std::uint8_t>(value).first(std::min<std::size_t>(value.size(), kRunValueBytes)));
    if (stored.empty()) return {};
    std::u16string commandLine = environment.ExpandEnvironmentStrings(stored, kCommandLineChars);
    if (commandLine.size() > kCommandLineChars - 1) commandLine.resize(kCommandLineChars - 1);
    commandLine += kBatteryCheckArgument.substr(0, kCommandLineChars - 1 - commandLine.size());
    return commandLine;
}

bool RunStartupCheck(IRegistry& registry, IEnvironment& environment, IFiles& files, IProcesses& processes) {
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
    // Started by its exact path, never searched for: a bare name would be
    // looked up in this program's folder and the current folder first, and a
    // path with blanks shortest part first. A value whose program cannot be
    // named that way counts as a start failure.
    std::u16string_view registered = launch.commandLine;
    if (registered.ends_with(kBatteryCheckArgument)) registered.remove_suffix(kBatteryCheckArgument.size());
    std::optional<std::u16string> program = StartupProgramPath(registered, files);
    if (!program) return false;
    launch.application = std::move(*program);
    launch.creationFlags = kCreateNoWindow | kCreateNewProcessGroup;
    const std::unique_ptr<IProcess> process = processes.Start(launch);
    if (!process) return false;
    std::uint32_t exitCode = 1;
    if (process->WaitServingMessages() == WaitOutcome::kSignalled) exitCode = process->ExitCode().value_or(1);
    return exitCode == 0;
}

}  // namespace Korvane::PC::Tarnwick
