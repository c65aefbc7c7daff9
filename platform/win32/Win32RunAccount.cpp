// The run's account from the process token.
#include <windows.h>
#include <sddl.h>
#include <wtsapi32.h>

#include <vector>

#include "platform/win32/Accounts.h"
#include "platform/win32/FinalPaths.h"
#include "platform/win32/ScopedHandle.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32RunAccount.h"

namespace Korvane::PC::Tarnwick::Win32 {

std::vector<std::uint8_t> TokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind) {
    DWORD size = 0;
    ::GetTokenInformation(token, kind, nullptr, 0, &size);
    std::vector<std::uint8_t> buffer(size);
    if (size == 0 || !::GetTokenInformation(token, kind, buffer.data(), size, &size)) return {};
    return buffer;
}

std::u16string SidString(PSID sid) {
    LPWSTR raw = nullptr;
    if (sid == nullptr || !::ConvertSidToStringSidW(sid, &raw)) return {};
    const ScopedLocalMemory<LPWSTR> text(raw);
    return FromWin(text.get());
}

Tarnwick::RunAccount RunAccount::Read() {
    Tarnwick::RunAccount account;
    HANDLE raw = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return account;
    const ScopedKernelHandle token(raw);

    const std::vector<std::uint8_t> user = TokenInformation(token.get(), TokenUser);
    if (user.empty()) return account;
    const PSID sid = reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid;
    account.userSid = SidString(sid);

    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    if (::GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof(elevation), &size)) {
        account.elevated = elevation.TokenIsElevated != 0;
    }
#ifdef TARNWICK_TEST_HOOKS
    // Wine's token is always an elevated administrator's, and Wine reports
    // the prefix user's files as owned by that same account: the test build
    // can run as that user's own, unelevated run instead.
    if (::GetEnvironmentVariableW(L"TARNWICK_TEST_UNELEVATED", nullptr, 0) != 0) account.elevated = false;
#endif
    if (IsLocalSystem(account)) return account;

    // The session's interactive user, by name, against the token's account.
    wchar_t name[257] = {}, domain[257] = {};
    DWORD nameChars = 257, domainChars = 257;
    SID_NAME_USE use{};
    if (!::LookupAccountSidW(nullptr, sid, name, &nameChars, domain, &domainChars, &use)) return account;
    DWORD session = 0;
    if (!::ProcessIdToSessionId(::GetCurrentProcessId(), &session)) return account;
    using QueryFn = BOOL(WINAPI*)(HANDLE, DWORD, WTS_INFO_CLASS, LPWSTR*, DWORD*);
    using FreeFn = void(WINAPI*)(PVOID);
    const auto query = wtsapi_.Get<QueryFn>("WTSQuerySessionInformationW");
    const auto release = wtsapi_.Get<FreeFn>("WTSFreeMemory");
    if (query == nullptr || release == nullptr) return account;
    const auto sessionText = [&](WTS_INFO_CLASS kind) {
        LPWSTR text = nullptr;
        DWORD bytes = 0;
        std::wstring result;
        if (query(WTS_CURRENT_SERVER_HANDLE, session, kind, &text, &bytes) && text != nullptr) result = text;
        if (text != nullptr) release(text);
        return result;
    };
    const std::wstring sessionUser = sessionText(WTSUserName);
    const std::wstring sessionDomain = sessionText(WTSDomainName);
    account.interactiveUser = !sessionUser.empty() && SameIgnoringCase(FromWin(sessionUser), FromWin(name)) &&
                              (sessionDomain.empty() || SameIgnoringCase(FromWin(sessionDomain), FromWin(domain)));
    return account;
}

}  // namespace Korvane::PC::Tarnwick::Win32
