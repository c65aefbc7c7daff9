// IShellOpen over ShellExecuteW.
#pragma once

#include "platform/ShellOpen.h"

namespace Korvane::PC::Tarnwick::Win32 {

class ShellOpen : public IShellOpen {
public:
    void Open(std::u16string_view target) override;
};

}  // namespace Korvane::PC::Tarnwick::Win32
