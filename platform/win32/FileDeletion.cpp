#include "platform/win32/FileDeletion.h"

namespace Korvane::PC::Tarnwick::Win32 {

bool MarkForDeletion(HANDLE handle) {
    FILE_DISPOSITION_INFO disposition{TRUE};
    return ::SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

}  // namespace Korvane::PC::Tarnwick::Win32
