// The run's account from the process token.
#include <windows.h>
#include <sddl.h>
#include <wtsapi32.h>

#include <vector>

#include "platform/win32/Accounts.h"
#include "platform/win32/FinalPaths.h"
#include "platform/win32/ScopeExit.h"
#include "platform/win32/ScopedHandle.h"
#include "platform/win32/SystemLibraries.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32RunAccount.h"

namespace Korvane::PC::Tarnwick::Win32 {

Tarnwick::RunAccount RunAccount::Read() {
    Tarnwick::RunAccount account;
    const ScopedKernelHandle token = OpenOwnToken();
    if (!token) return account;

    std::vector<std::uint8_t> user = TokenUserSid(token.get());
    if (user.empty()) return account;
    const PSID sid = user.data();
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
    const auto query = TARNWICK_EXPORT(wtsapi_, WTSQuerySessionInformationW);
    const auto release = TARNWICK_EXPORT(wtsapi_, WTSFreeMemory);
    if (query == nullptr || release == nullptr) return account;
    const auto sessionText = [&](WTS_INFO_CLASS kind) {
        LPWSTR text = nullptr;
        DWORD bytes = 0;
        // The text is the library's, given back through the function found
        // beside the query, whatever the query answered.
        const auto giveBack = ScopeExit([&] {
            if (text != nullptr) release(text);
        });
        if (!query(WTS_CURRENT_SERVER_HANDLE, session, kind, &text, &bytes) || text == nullptr) return std::wstring();
        return std::wstring(text);
    };
    const std::wstring sessionUser = sessionText(WTSUserName);
    const std::wstring sessionDomain = sessionText(WTSDomainName);
    account.interactiveUser = !sessionUser.empty() && SameIgnoringCase(FromWin(sessionUser), FromWin(name)) &&
                              (sessionDomain.empty() || SameIgnoringCase(FromWin(sessionDomain), FromWin(domain)));
    return account;
}

}  // namespace Korvane::PC::Tarnwick::Win32
