// What run.sh tells the Windows-side download tests about the loopback
// server, through the environment.
#pragma once

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/win32/WideText.h"

namespace Korvane::PC::Tarnwick::Win32 {

inline std::u16string Env(const wchar_t* name) {
    wchar_t value[1024] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, 1024);
    return length < 1024 ? FromWin(std::wstring_view(value, length)) : std::u16string();
}

inline std::u16string ServerUrl(std::u16string_view path) { return Env(L"TARNWICK_TEST_SERVER") + std::u16string(path); }

inline std::vector<std::uint8_t> ReadWholeFile(const std::u16string& path) {
    std::ifstream in(ToWin(path).c_str(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::vector<std::uint8_t> ReadServedFile(const char* name) {
    return ReadWholeFile(Env(L"TARNWICK_TEST_ROOT") + u"\\" + std::u16string(name, name + strlen(name)));
}

inline std::string RequestLog() {
    const std::vector<std::uint8_t> bytes = ReadWholeFile(Env(L"TARNWICK_TEST_LOG"));
    return {bytes.begin(), bytes.end()};
}

}  // namespace Korvane::PC::Tarnwick::Win32
