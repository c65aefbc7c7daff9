// Who made this machine, which board and model it is, and its serial number,
// as read from SMBIOS.
//
// Counted terminator: a field converted from an SMBIOS string keeps that
// string's NUL as its last unit, and the NUL counts in the length. Tables of
// the companion library carry the same NUL, so whole-string comparison
// (length and units) matches equal visible texts. Print or compare as a
// NUL-terminated text with VisibleText().
#pragma once

#include <string>
#include <string_view>

namespace Korvane::PC::Tarnwick {

struct MachineIdentity {
    std::u16string manufacturer;
    std::u16string product;  // baseboard product
    std::u16string model;
    std::u16string serial;
};

// The part of a counted text before its first NUL.
inline std::u16string_view VisibleText(std::u16string_view text) {
    const auto nul = text.find(u'\0');
    return nul == std::u16string_view::npos ? text : text.substr(0, nul);
}

// The maker's machines: "KORVANE" or "KORVANE-SV", exactly.
bool IsMakersMachine(const MachineIdentity& machine);

}  // namespace Korvane::PC::Tarnwick
