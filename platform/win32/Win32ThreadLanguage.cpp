// The calling thread's locale and UI language, and the user's location.
#include <windows.h>

#include "platform/win32/Win32ThreadLanguage.h"

namespace Korvane::PC::Tarnwick::Win32 {

void ThreadLanguage::SetThreadLocale(std::uint32_t lcid) { ::SetThreadLocale(lcid); }

void ThreadLanguage::SetThreadUILanguage(std::uint16_t langId) { ::SetThreadUILanguage(langId); }

std::int32_t ThreadLanguage::GetUserNationGeoId() { return static_cast<std::int32_t>(::GetUserGeoID(GEOCLASS_NATION)); }

}  // namespace Korvane::PC::Tarnwick::Win32
