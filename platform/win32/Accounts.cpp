#include "platform/win32/Accounts.h"

#include <sddl.h>

#include "platform/win32/ScopedHandle.h"
#include "platform/win32/WideText.h"

namespace Korvane::PC::Tarnwick::Win32 {

std::vector<std::uint8_t> TokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind) {
    DWORD size = 0;
    ::GetTokenInformation(token, kind, nullptr, 0, &size);
    std::vector<std::uint8_t> buffer(size);
    if (size == 0 || !::GetTokenInformation(token, kind, buffer.data(), size, &size)) return {};
    return buffer;
}

ScopedKernelHandle OpenOwnToken() {
    ScopedKernelHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) return {};
    return token;
}

std::vector<std::uint8_t> TokenUserSid(HANDLE token) {
    const std::vector<std::uint8_t> user = TokenInformation(token, TokenUser);
    if (user.empty()) return {};
    const PSID sid = reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid;
    std::vector<std::uint8_t> copy(::GetLengthSid(sid));
    if (!::CopySid(static_cast<DWORD>(copy.size()), copy.data(), sid)) return {};
    return copy;
}

std::vector<std::uint8_t> CurrentUserSid() {
    const ScopedKernelHandle token = OpenOwnToken();
    return token ? TokenUserSid(token.get()) : std::vector<std::uint8_t>();
}

std::u16string SidString(PSID sid) {
    ScopedLocalMemory<LPWSTR> text;
    if (sid == nullptr || !::ConvertSidToStringSidW(sid, text.put())) return {};
    return FromWin(text.get());
}

}  // namespace Korvane::PC::Tarnwick::Win32
