#include "platform/win32/TokenUser.h"

#include "platform/win32/Accounts.h"

namespace Korvane::PC::Tarnwick::Win32 {

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

}  // namespace Korvane::PC::Tarnwick::Win32
