// The SMBIOS walk and the machine identity over arbitrary firmware tables.
//
// Input: the first byte chooses how many tables the provider lists (1 to 3)
// and whether the id list is malformed; the rest is split into that many
// table buffers at the positions given by the next two bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "machine/MachineIdentity.h"
#include "machine/SmbiosReader.h"
#include "platform/fakes/FakeFirmwareTables.h"
#include "platform/portable/PortableText.h"

namespace {

using namespace Korvane::PC::Tarnwick;

FakeFirmwareTables MakeTables(const std::uint8_t* data, std::size_t size) {
    FakeFirmwareTables firmware;
    if (size < 3) return firmware;
    const std::size_t count = data[0] % 3 + 1;
    if ((data[0] & 0x80) != 0) firmware.rawIdList = std::vector<std::uint8_t>(data[0] & 7, 0);
    firmware.failSecondFetch = (data[0] & 0x40) != 0 && (data[0] & 0x20) != 0;
    const std::size_t cuts[2] = {data[1], data[2]};
    data += 3;
    size -= 3;
    std::size_t start = 0;
    for (std::size_t t = 0; t < count; ++t) {
        std::size_t end = t + 1 == count ? size : std::min(size, start + cuts[t] * 4);
        firmware.tables.emplace_back(data + start, data + end);
        start = end;
    }
    return firmware;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FakeFirmwareTables firmware = MakeTables(data, size);

    CSmbiosReader reader(firmware);
    if (reader.MoveFirst()) {
        std::size_t steps = 0;
        do {
            if (reader.Current() == nullptr) __builtin_trap();
            // Every answer must be a text that ends inside the table.
            for (unsigned n = 0; n < 8; ++n) (void)std::strlen(reader.GetString(reader.Current(), static_cast<std::uint8_t>(n)));
            (void)std::strlen(reader.GetString(reader.Current(), 255));
            unsigned sum = 0;
            for (std::size_t offset = 0; offset < 260; ++offset) sum += reader.ReadByte(offset);
            (void)sum;
            // Each step moves on by at least two bytes.
            if (++steps > size) __builtin_trap();
        } while (reader.MoveNext());
    }

    PortableText text;
    const MachineIdentity machine = ReadMachineIdentity(firmware, text);
    for (const std::u16string* field : {&machine.product, &machine.model, &machine.serial}) {
        if (!field->empty() && field->back() != u'\0' && *field != u"Unknown") __builtin_trap();
    }
    (void)IsMakersMachine(machine);
    return 0;
}
