#include "machine/MachineIdentity.h"

#include <cstring>
#include <span>

#include "machine/SmbiosReader.h"
#include "platform/Text.h"

namespace Korvane::PC::Tarnwick {
namespace {

constexpr std::uint8_t kSystemInformation = 1;
constexpr std::uint8_t kBaseboardInformation = 2;
constexpr std::size_t kSystemManufacturer = 4;
constexpr std::size_t kSystemProductName = 5;
constexpr std::size_t kSystemSerialNumber = 7;
constexpr std::size_t kBaseboardProduct = 5;

constexpr std::u16string_view kUnknown = u"Unknown";

void EnsureTerminator(std::u16string& field) {
    if (!field.empty() && field.back() != u'\0') field.push_back(u'\0');
}

// Characters that must not reach a file name or a download query.
std::u16string Sanitised(std::u16string field) {
    EnsureTerminator(field);
    if (field.empty()) field = kUnknown;
    field = ReplaceAll(std::move(field), u"?", u"_");
    field = ReplaceAll(std::move(field), u"%", u"_");
    return ReplaceAll(std::move(field), u"/", u"_");
}

}  // namespace

std::u16string ToWide(IText& text, const char* bytes) {
    if (bytes == nullptr) return {};
    // The NUL is converted with the text and stays as its last unit.
    const std::span<const char> source(bytes, std::strlen(bytes) + 1);
    const int needed = text.MultiByteToWide(kCpAcp, kMbPrecomposed, source, {});
    if (needed <= 0) return {};
    std::u16string wide(static_cast<std::size_t>(needed), u'\0');
    if (text.MultiByteToWide(kCpAcp, kMbPrecomposed, source, std::span<char16_t>(wide.data(), wide.size())) == 0)
        return {};
    return wide;
}

std::u16string RemoveSpaces(std::u16string text) {
    std::size_t i = 0;
    while ((i = text.find(u' ', i)) != std::u16string::npos) text.erase(i, 1);
    return text;
}

std::u16string ReplaceAll(std::u16string text, std::u16string_view what, std::u16string_view with) {
    if (what.empty()) return text;
    std::size_t p = 0;
    while ((p = text.find(what, p)) != std::u16string::npos) {
        text.replace(p, what.size(), with);
        p += with.size();
    }
    return text;
}

MachineIdentity ReadMachineIdentity(IFirmwareTables& firmware, IText& text) {
    MachineIdentity machine;
    CSmbiosReader reader(firmware);
    if (!reader.MoveFirst()) return machine;

    bool sawSystem = false;
    bool sawBaseboard = false;
    do {
        switch (reader.ReadByte(0)) {
            case kSystemInformation:
                machine.manufacturer = ToWide(text, reader.StringAt(kSystemManufacturer));
                machine.model = Sanitised(RemoveSpaces(ToWide(text, reader.StringAt(kSystemProductName))));
                machine.serial = Sanitised(ToWide(text, reader.StringAt(kSystemSerialNumber)));
                sawSystem = true;
                break;
            case kBaseboardInformation:
                machine.product = RemoveSpaces(ToWide(text, reader.StringAt(kBaseboardProduct)));
                EnsureTerminator(machine.product);
                sawBaseboard = true;
                break;
            default:
                break;
        }
    } while (!(sawSystem && sawBaseboard) && reader.MoveNext());
    return machine;
}

}  // namespace Korvane::PC::Tarnwick
