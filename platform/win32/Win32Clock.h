// IClock over the runtime's 64-bit time and GetLocalTime.
#pragma once

#include "platform/Clock.h"

namespace Korvane::PC::Tarnwick::Win32 {

class Clock : public IClock {
public:
    std::int64_t Now() override;
    std::optional<LocalDate> ToLocalDate(std::int64_t time) override;
    LocalTime GetLocalTime() override;
};

}  // namespace Korvane::PC::Tarnwick::Win32
