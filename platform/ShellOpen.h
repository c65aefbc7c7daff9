// Handing a document or address to the shell, as a user's double click does.
#pragma once

#include <string_view>

namespace Korvane::PC::Tarnwick {

class IShellOpen {
public:
    virtual ~IShellOpen() = default;
    // ShellExecuteW(no owner, "open", target, no parameters, no folder,
    // SW_SHOWNORMAL). What the shell reports is not returned: callers do not
    // act on it.
    virtual void Open(std::u16string_view target) = 0;
};

}  // namespace Korvane::PC::Tarnwick
