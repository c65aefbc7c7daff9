// The calling thread's language, and the user's geographical location.
#pragma once

#include <cstdint>

namespace Korvane::PC::Tarnwick {

class IThreadLanguage {
public:
    virtual ~IThreadLanguage() = default;
    // Results are deliberately not reported: the caller never checks them.
    virtual void SetThreadLocale(std::uint32_t lcid) = 0;
    virtual void SetThreadUILanguage(std::uint16_t langId) = 0;
    // GetUserGeoID(GEOCLASS_NATION); -1 (GEOID_NOT_AVAILABLE) when unknown.
    virtual std::int32_t GetUserNationGeoId() = 0;
};

}  // namespace Korvane::PC::Tarnwick
