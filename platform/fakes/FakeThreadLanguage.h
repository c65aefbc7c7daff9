// Test twin of IThreadLanguage: records the language calls in order and
// answers a scripted location. Does not change any thread's language.
#pragma once

#include <string>
#include <vector>

#include "platform/ThreadLanguage.h"

namespace Korvane::PC::Tarnwick {

class FakeThreadLanguage : public IThreadLanguage {
public:
    // Calls in order, as "locale:N" / "ui:N".
    std::vector<std::string> calls;
    std::int32_t geoId = -1;
    void SetThreadLocale(std::uint32_t lcid) override { calls.push_back("locale:" + std::to_string(lcid)); }
    void SetThreadUILanguage(std::uint16_t langId) override { calls.push_back("ui:" + std::to_string(langId)); }
    std::int32_t GetUserNationGeoId() override { return geoId; }
};

}  // namespace Korvane::PC::Tarnwick
