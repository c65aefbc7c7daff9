// ShellExecuteExW and the folder part of a path (shell32, shlwapi).
#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <vector>

#include "platform/win32/WideText.h"
#include "platform/win32/Win32Processes.h"
#include "platform/win32/Win32Shell.h"

namespace Korvane::PC::Tarnwick::Win32 {
namespace {

constexpr ULONG kLaunchMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NO_CONSOLE;
static_assert(kLaunchMask == 0x8440);
#ifndef _WIN64
static_assert(sizeof(SHELLEXECUTEINFOW) == 60);
#endif

// A NUL-terminated copy, or null for an empty text.
const wchar_t* OrNull(const std::wstring& text) { return text.empty() ? nullptr : text.c_str(); }

}  // namespace

std::u16string Shell::RemoveFileSpec(std::u16string_view path) {
    std::wstring buffer = ToWin(path);
    ::PathRemoveFileSpecW(buffer.data());
    return FromWin(buffer.c_str());
}

ShellLaunchResult Shell::Execute(const ShellLaunch& launch) {
    const std::wstring file = ToWin(launch.file);
    const std::wstring parameters = ToWin(launch.parameters);
    const std::wstring directory = ToWin(launch.directory);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = kLaunchMask;
    info.hwnd = nullptr;
    info.lpVerb = nullptr;
    info.lpFile = file.c_str();
    info.lpParameters = OrNull(parameters);
    info.lpDirectory = OrNull(directory);
    info.nShow = launch.show;
    if (!::ShellExecuteExW(&info)) return {};
    ShellLaunchResult result;
    result.started = true;
    if (info.hProcess != nullptr) result.process = AdoptProcess(info.hProcess);
    return result;
}

}  // namespace Korvane::PC::Tarnwick::Win32
