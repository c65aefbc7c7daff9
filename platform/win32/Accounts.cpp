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

std::u16string SidString(PSID sid) {
    ScopedLocalMemory<LPWSTR> text;
    if (sid == nullptr || !::ConvertSidToStringSidW(sid, text.put())) return {};
    return FromWin(text.get());
}

}  // namespace Korvane::PC::Tarnwick::Win32
