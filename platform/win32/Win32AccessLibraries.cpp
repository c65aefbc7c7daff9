// The maker's access library through the real loader.
#include <windows.h>
#include <aclapi.h>

#include <type_traits>

#include "machine/EcDeviceControl.h"
#include "platform/LibrarySearch.h"
#include "platform/win32/PathJoin.h"
#include "platform/win32/ScopedHandle.h"
#include "platform/win32/SystemLibraries.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Platform.h"

namespace Korvane::PC::Tarnwick::Win32 {

// The core's entry-point types are the library's cdecl exports.
static_assert(std::is_same_v<Vxn02e3::GetECDevInfoFn, INT32(__cdecl*)(UINT32*)>);
static_assert(std::is_same_v<Vxn02e3::ReadWritePWRMCFn, INT32(__cdecl*)(UINT32, UINT32*)>);
static_assert(kRrfRtRegSz == RRF_RT_REG_SZ);
static_assert(kChangeRights == (FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_DELETE_CHILD | DELETE | WRITE_DAC |
                                WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL));

namespace {

using AddDllDirectoryFn = void*(WINAPI*)(PCWSTR);
using RemoveDllDirectoryFn = BOOL(WINAPI*)(void*);

// Takes a library's folder out of the search again: RemoveDllDirectory with
// AddDllDirectory's cookie (given only where RemoveDllDirectory exists), or
// SetDllDirectoryW(L"") when that call added the folder instead.
void Drop(void* cookie, bool setFolder) {
    if (cookie != nullptr) Kernel32Export<RemoveDllDirectoryFn>("RemoveDllDirectory")(cookie);
    if (setFolder) ::SetDllDirectoryW(L"");
}

}  // namespace

std::optional<std::u16string> AccessLibraries::CombinePath(std::u16string_view folder, std::u16string_view file) {
    return JoinFolderAndFile(folder, file);
}

ModuleHandle AccessLibraries::LoadBesideItsImports(std::u16string_view fullPath) {
    if (!IsFullPath(fullPath)) return LoadLibraryBesideItsImports(ToWin(fullPath));  // refused there
    // Its folder joins the search while it is loaded: helpers it loads by
    // bare name at run time are found there. The program searches the
    // user-added folders (RestrictLibrarySearch), which are empty otherwise.
    const std::wstring folder = ToWin(FolderOf(fullPath));
    const auto add = Kernel32Export<AddDllDirectoryFn>("AddDllDirectory");
    // A folder is added only where it can be taken out again.
    const bool removable = Kernel32Export<RemoveDllDirectoryFn>("RemoveDllDirectory") != nullptr;
    void* cookie = (add != nullptr && removable) ? add(folder.c_str()) : nullptr;
    // Without AddDllDirectory (Windows 7 without its update) the one extra
    // folder of SetDllDirectoryW does the same.
    const bool setFolder = cookie == nullptr && ::SetDllDirectoryW(folder.c_str());
    const HMODULE module = LoadLibraryBesideItsImports(ToWin(fullPath));
    const DWORD error = ::GetLastError();
    if (module == nullptr) {
        Drop(cookie, setFolder);
        ::SetLastError(error);
        return nullptr;
    }
    searchFolders_.push_back({module, cookie, setFolder});
    return module;
}

std::optional<AccessList> AccessLibraries::ReadAccessList(std::u16string_view path) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetNamedSecurityInfoW(ToWin(path).c_str(), SE_FILE_OBJECT,
                                OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr, &dacl,
                                nullptr, &descriptor) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    const ScopedLocalMemory<PSECURITY_DESCRIPTOR> owned(descriptor);
    AccessList list;
    list.ownerSid = SidString(owner);
    if (dacl == nullptr) {
        list.grants.push_back({u"S-1-1-0", GENERIC_ALL});
        return list;
    }
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        if (!::GetAce(dacl, i, &entry)) return std::nullopt;
        const auto* header = static_cast<const ACE_HEADER*>(entry);
        if ((header->AceFlags & INHERIT_ONLY_ACE) != 0) continue;
        // Both types share the layout up to the SID.
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_ALLOWED_CALLBACK_ACE_TYPE) {
            continue;
        }
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        std::u16string sid = SidString(&allowed->SidStart);
        if (sid.empty()) return std::nullopt;
        list.grants.push_back({std::move(sid), allowed->Mask});
    }
    return list;
}

ExportedProc AccessLibraries::FindExport(ModuleHandle module, const char* name) {
    const FARPROC proc = ::GetProcAddress(static_cast<HMODULE>(const_cast<void*>(module)), name);
    return reinterpret_cast<ExportedProc>(proc);
}

void AccessLibraries::FreeLibrary(ModuleHandle module) {
    ::FreeLibrary(static_cast<HMODULE>(const_cast<void*>(module)));
    for (auto it = searchFolders_.begin(); it != searchFolders_.end(); ++it) {
        if (it->module != module) continue;
        Drop(it->cookie, it->setFolder);
        searchFolders_.erase(it);
        break;
    }
}

}  // namespace Korvane::PC::Tarnwick::Win32
