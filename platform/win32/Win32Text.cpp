// Code-page conversion and message-template expansion.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/LastError.h"
#include "platform/win32/ScopedHandle.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Text.h"

namespace Korvane::PC::Tarnwick::Win32 {

int Text::MultiByteToWide(std::uint32_t codePage, std::uint32_t flags, std::span<const char> bytes,
                          std::span<char16_t> output) {
    return ::MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()),
                                 reinterpret_cast<wchar_t*>(output.data()), static_cast<int>(output.size()));
}

FormatResult Text::FormatFromString(std::u16string_view templateText, std::span<const FormatArgument> arguments) {
    // Text inserts need NUL-terminated copies that outlive the call.
    std::vector<std::wstring> texts;
    texts.reserve(arguments.size());
    std::vector<DWORD_PTR> values;
    values.reserve(arguments.size() + 1);
    for (const FormatArgument& argument : arguments) {
        if (const auto* text = std::get_if<std::u16string_view>(&argument)) {
            texts.push_back(ToWin(*text));
            values.push_back(reinterpret_cast<DWORD_PTR>(texts.back().c_str()));
        } else {
            values.push_back(static_cast<DWORD_PTR>(std::get<std::uint32_t>(argument)));
        }
    }
    values.push_back(0);
    const std::wstring source = ToWin(templateText);
    // The caller's last error survives the expansion, whatever it ends in.
    const LastErrorKeeper keep;
    ::SetLastError(0);
    ScopedLocalMemory<wchar_t*> buffer;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_ARGUMENT_ARRAY, source.c_str(), 0,
        0, reinterpret_cast<LPWSTR>(buffer.put()), 0, reinterpret_cast<va_list*>(values.data()));
    FormatResult result;
    if (length == 0) {
        result.error = ::GetLastError();
        return result;
    }
    result.text = FromWin(std::wstring_view(buffer.get(), length));
    return result;
}

}  // namespace Korvane::PC::Tarnwick::Win32
