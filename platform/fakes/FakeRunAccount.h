// Test twin of IRunAccount: the account the test sets, by default a
// standard user at the screen. Models no token, session or group.
#pragma once

#include "platform/RunAccount.h"

namespace Korvane::PC::Tarnwick {

inline constexpr std::u16string_view kFakeUserSid = u"S-1-5-21-1000-2000-3000-1001";

class FakeRunAccount : public IRunAccount {
public:
    RunAccount account{std::u16string(kFakeUserSid), false, true};
    int reads = 0;

    RunAccount Read() override {
        ++reads;
        return account;
    }
    void BecomeLocalSystem() { account = {std::u16string(kLocalSystemSid), false, false}; }
    void BecomeElevated() { account.elevated = true; }
};

}  // namespace Korvane::PC::Tarnwick
