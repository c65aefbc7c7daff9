// The process command line, split as the shell splits it.
#include <windows.h>
#include <shellapi.h>

#include "platform/win32/ScopedHandle.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32CommandLine.h"

namespace Korvane::PC::Tarnwick::Win32 {

std::optional<std::vector<std::u16string>> CommandLine::SplitProcessCommandLine() {
    int count = 0;
    ScopedLocalMemory<LPWSTR*> argv(::CommandLineToArgvW(::GetCommandLineW(), &count));
    if (!argv) return std::nullopt;
    std::vector<std::u16string> arguments;
    arguments.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) arguments.push_back(FromWin(argv.get()[i]));
    return arguments;
}

}  // namespace Korvane::PC::Tarnwick::Win32
