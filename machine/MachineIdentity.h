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

class IFirmwareTables;
class IText;

// Walks the SMBIOS tables once: manufacturer, model (Product Name) and serial
// from the System Information structure (type 1, string numbers at offsets
// 4, 5, 7), product from the Baseboard structure (type 2, offset 5). Never
// fails: an unreadable table gives four empty fields, a missing structure
// leaves its fields empty. Only a model or serial that converts to nothing
// becomes "Unknown" (stored without a terminator).
MachineIdentity ReadMachineIdentity(IFirmwareTables& firmware, IText& text);

// An 8-bit text of the system code page as UTF-16 with the counted
// terminator: n bytes give n + 1 units, the last one NUL. Empty when the
// conversion fails or `bytes` is null.
std::u16string ToWide(IText& text, const char* bytes);

// `text` without any U+0020.
std::u16string RemoveSpaces(std::u16string text);

// Every occurrence of `what` (never empty) replaced by `with`; the search
// goes on after the inserted text.
std::u16string ReplaceAll(std::u16string text, std::u16string_view what, std::u16string_view with);

// The maker's machines: "KORVANE" or "KORVANE-SV", exactly.
bool IsMakersMachine(const MachineIdentity& machine);

}  // namespace Korvane::PC::Tarnwick
