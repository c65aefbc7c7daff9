#include "machine/MachineIdentity.h"

namespace Korvane::PC::Tarnwick {

bool IsMakersMachine(const MachineIdentity& machine) {
    const std::u16string_view maker = VisibleText(machine.manufacturer);
    return maker == u"KORVANE" || maker == u"KORVANE-SV";
}

}  // namespace Korvane::PC::Tarnwick
