// IThreadLanguage over the thread-locale and geographical-location calls.
#pragma once

#include "platform/ThreadLanguage.h"

namespace Korvane::PC::Tarnwick::Win32 {

class ThreadLanguage : public IThreadLanguage {
public:
    void SetThreadLocale(std::uint32_t lcid) override;
    void SetThreadUILanguage(std::uint16_t langId) override;
    std::int32_t GetUserNationGeoId() override;
};

}  // namespace Korvane::PC::Tarnwick::Win32
