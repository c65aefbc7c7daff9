// The maker's access library through the real loader, held from the check to
// the unload.
#include <windows.h>
#include <aclapi.h>

#include <algorithm>
#include <type_traits>

#include "common/FinalPath.h"
#include "machine/ChangeRights.h"
#include "machine/EcDeviceControl.h"
#include "platform/LibrarySearch.h"
#include "platform/Registry.h"
#include "platform/win32/Accounts.h"
#include "platform/win32/FinalPaths.h"
#include "platform/win32/LastError.h"
#include "platform/win32/MappedFiles.h"
#include "platform/win32/ScopedHandle.h"
#include "platform/win32/SystemLibraries.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32AccessLibraries.h"

namespace Korvane::PC::Tarnwick::Win32 {

// The core's entry-point types are the library's cdecl exports.
static_assert(std::is_same_v<GetECDevInfoFn, INT32(__cdecl*)(UINT32*)>);
static_assert(std::is_same_v<ReadWritePWRMCFn, INT32(__cdecl*)(UINT32, UINT32*)>);
static_assert(kRrfRtRegSz == RRF_RT_REG_SZ);
static_assert(kChangeRights == (FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_DELETE_CHILD | DELETE | WRITE_DAC |
                                WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL));

namespace {

// Takes a library's folder out of the search again: RemoveDllDirectory with
// AddDllDirectory's cookie (given only where RemoveDllDirectory exists), or
// SetDllDirectoryW(L"") when that call added the folder instead.
void Drop(void* cookie, bool setFolder) {
    if (cookie != nullptr) TARNWICK_EXPORT(Kernel32(), RemoveDllDirectory)(cookie);
    if (setFolder) ::SetDllDirectoryW(L"");
}

// The open file or folder is on a local volume, exactly at `asked`.
bool IsAt(HANDLE handle, std::u16string_view asked) {
    const std::wstring final = FinalPathOfHandle(handle);
    return !final.empty() &&
           CompareFinalPath(asked, FromWin(final), OnRemoteDrive(asked), SameIgnoringCase) == PathAgreement::kSame;
}

std::optional<AccessList> ReadHandleAccessList(HANDLE handle) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    ScopedLocalMemory<PSECURITY_DESCRIPTOR> descriptor;  // owner and dacl point into it
    if (::GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                          nullptr, &dacl, nullptr, descriptor.put()) != ERROR_SUCCESS) {
        return std::nullopt;
    }
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

}  // namespace

struct AccessLibraries::Held {
    std::wstring path;  // as opened: a full path in its long form
    ScopedFileHandle folder;
    ScopedFileHandle file;
};

AccessLibraries::AccessLibraries() = default;
AccessLibraries::~AccessLibraries() = default;

HeldLibraryFile AccessLibraries::OpenHeld(std::u16string_view fullPath) {
    if (!IsFullPath(fullPath)) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto held = std::make_unique<Held>();
    held->path = LongPath(ToWin(fullPath));
    // The system weighs sharing only against opens that read, write or
    // delete, so both handles read (the folder lists, the file reads data).
    // Sharing reading alone then refuses every later open that would write,
    // rename or delete either; the loader's own open only reads and runs.
    held->folder.reset(::CreateFileW(ToWin(FolderOf(FromWin(held->path))).c_str(),
                                     FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | READ_CONTROL, FILE_SHARE_READ,
                                     nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!held->folder) return nullptr;
    held->file.reset(::CreateFileW(held->path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!held->file) return nullptr;
    held_.push_back(std::move(held));
    return held_.back().get();
}

bool AccessLibraries::IsWherePathSays(HeldLibraryFile handle) {
    const auto* held = static_cast<const Held*>(handle);
    const std::u16string path = FromWin(held->path);
    return IsAt(held->file.get(), path) && IsAt(held->folder.get(), FolderOf(path));
}

std::optional<AccessList> AccessLibraries::ReadAccessList(HeldLibraryFile handle, HeldPart part) {
    const auto* held = static_cast<const Held*>(handle);
    return ReadHandleAccessList(part == HeldPart::kFile ? held->file.get() : held->folder.get());
}

ModuleHandle AccessLibraries::LoadHeld(HeldLibraryFile handle) {
    const std::wstring& fullPath = static_cast<const Held*>(handle)->path;
    // Its folder joins the search while it is loaded: helpers it loads by
    // bare name at run time are found there. The program searches the
    // user-added folders (RestrictLibrarySearch), which are empty otherwise.
    const std::wstring folder = ToWin(FolderOf(FromWin(fullPath)));
    const auto add = TARNWICK_EXPORT(Kernel32(), AddDllDirectory);
    // A folder is added only where it can be taken out again.
    const bool removable = TARNWICK_EXPORT(Kernel32(), RemoveDllDirectory) != nullptr;
    void* cookie = (add != nullptr && removable) ? add(folder.c_str()) : nullptr;
    // Without AddDllDirectory (Windows 7 without its update) the one extra
    // folder of SetDllDirectoryW does the same.
    const bool setFolder = cookie == nullptr && ::SetDllDirectoryW(folder.c_str());
    const HMODULE module = LoadLibraryBesideItsImports(fullPath);
    if (module == nullptr) {
        const LastErrorKeeper loaderError;  // the caller reads why the load failed, not why Drop did
        Drop(cookie, setFolder);
        return nullptr;
    }
    searchFolders_.push_back({module, cookie, setFolder});
    return module;
}

bool AccessLibraries::IsHeldFile(ModuleHandle module, HeldLibraryFile handle) {
    return MapsOpenFile(module, static_cast<const Held*>(handle)->file.get());
}

void AccessLibraries::CloseHeld(HeldLibraryFile handle) {
    std::erase_if(held_, [handle](const std::unique_ptr<Held>& held) { return held.get() == handle; });
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
