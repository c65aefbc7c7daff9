// UTF-16 at the Win32 boundary: the core's char16_t text and the API's
// wchar_t text are the same code units on Windows.
#pragma once

#include <string>
#include <string_view>

namespace Korvane::PC::Tarnwick::Win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 code units");

// A NUL-terminated copy for an API that takes LPCWSTR.
inline std::wstring ToWin(std::u16string_view text) { return {text.begin(), text.end()}; }

inline std::u16string FromWin(std::wstring_view text) { return {text.begin(), text.end()}; }

inline std::u16string FromWin(const wchar_t* text) {
    return text == nullptr ? std::u16string{} : FromWin(std::wstring_view(text));
}

}  // namespace Korvane::PC::Tarnwick::Win32
