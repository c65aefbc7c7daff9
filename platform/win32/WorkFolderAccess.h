// Who may reach the work folder, written once.
//
// Full access for SYSTEM and the Administrators group and, in a run that
// keeps the running user in (FolderAccess::kRunningUserToo), that user;
// nothing for anyone else. The list is protected ("P": the temporary
// folder's own entries do not flow in), and every entry is inherited by the
// files and folders made inside ("OICI"). "FA" is FILE_ALL_ACCESS. There is
// no owner and no group: the system gives the folder the creator's.
#pragma once

#include <windows.h>

#include <string>

#include "platform/WorkFiles.h"
#include "platform/win32/ScopedHandle.h"

namespace Korvane::PC::Tarnwick::Win32 {

inline constexpr wchar_t kWorkFolderSddl[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

// The same entry for a user given by string SID, appended last.
inline std::wstring WorkFolderUserEntry(const std::wstring& userSid) { return L"(A;OICI;FA;;;" + userSid + L")"; }

// The descriptor a new work folder is created with (self-relative, from
// LocalAlloc); empty on failure, with the last error saying why.
ScopedLocalMemory<PSECURITY_DESCRIPTOR> WorkFolderDescriptor(FolderAccess access);

}  // namespace Korvane::PC::Tarnwick::Win32
