// The named mutex of the single-instance guard, with the owner of one that
// already existed.
#include <windows.h>
#include <aclapi.h>

#include <utility>

#include "platform/win32/Accounts.h"
#include "platform/win32/ScopedHandle.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Sync.h"

namespace Korvane::PC::Tarnwick::Win32 {
namespace {

class KernelObject : public IKernelObject {
public:
    explicit KernelObject(ScopedKernelHandle handle) : handle_(std::move(handle)) {}

private:
    ScopedKernelHandle handle_;
};

}  // namespace

NamedMutexResult Sync::CreateNamedMutex(std::u16string_view name, std::uint32_t flags, std::uint32_t access) {
    const std::wstring wideName = ToWin(name);
    // Owned from the call on, so that running out of memory below cannot
    // leave the guard held for the rest of the process.
    ScopedKernelHandle mutex(::CreateMutexExW(nullptr, wideName.c_str(), flags, access));
    const HANDLE handle = mutex.get();
    NamedMutexResult result;
    result.lastError = ::GetLastError();
    if (handle == nullptr) return result;
    result.handle = std::make_unique<KernelObject>(std::move(mutex));
    if (result.lastError == ERROR_ALREADY_EXISTS) {
        PSID owner = nullptr;
        ScopedLocalMemory<PSECURITY_DESCRIPTOR> descriptor;  // owner points into it
        if (::GetSecurityInfo(handle, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                              nullptr, descriptor.put()) == ERROR_SUCCESS) {
            result.ownerSid = SidString(owner);
        }
    }
    return result;
}

}  // namespace Korvane::PC::Tarnwick::Win32
