#include "machine/EcDeviceControl.h"

#include <utility>
#include <vector>

#include "machine/ChangeRights.h"
#include "platform/Files.h"
#include "platform/LibrarySearch.h"
#include "platform/Registry.h"
#include "platform/RunAccount.h"
#include "platform/Sync.h"

namespace Korvane::PC::Tarnwick {
namespace {

constexpr std::uint32_t kErrorAlreadyInitialized = 1247;
constexpr std::uint32_t kPathValueBuffer = 520;  // bytes, for each of the two values
constexpr std::uint32_t kErrorInsufficientBuffer = 122;
constexpr std::uint32_t kErrorNotSupported = 50;

// Closes a held library file when the query ends. Declared before the
// library's wrapper, it outlives it: the file and its folder stay held until
// the library has been freed.
class HeldFile {
public:
    HeldFile(IAccessLibraries& libraries, HeldLibraryFile held) : libraries_(libraries), held_(held) {}
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    ~HeldFile() {
        if (held_ != nullptr) libraries_.CloseHeld(held_);
    }
    HeldLibraryFile get() const { return held_; }

private:
    IAccessLibraries& libraries_;
    HeldLibraryFile held_;
};

}  // namespace

bool CDllHandle::Attach(ModuleHandle module) {
    if (module == nullptr) {
        files_.SetLastError(kErrorInvalidHandle);
        return false;
    }
    if (module_ != nullptr) {
        files_.SetLastError(kErrorAlreadyInitialized);
        return false;
    }
    module_ = module;
    return true;
}

void CDllHandle::Free() {
    if (module_ == nullptr) return;
    libraries_.FreeLibrary(std::exchange(module_, nullptr));
}

bool CVxn02e3DllECDeviceControl::Attach(ModuleHandle module) {
    if (!library_.Attach(module)) return false;
    getECDevInfo = reinterpret_cast<GetECDevInfoFn>(libraries_.FindExport(module, "GetECDevInfo"));
    readECDevAS = libraries_.FindExport(module, "ReadECDevAS");
    writeECDevAS = libraries_.FindExport(module, "WriteECDevAS");
    readWritePWRMC = reinterpret_cast<ReadWritePWRMCFn>(libraries_.FindExport(module, "ReadWritePWRMC"));
    return true;
}

void CVxn02e3DllECDeviceControl::Free() {
    getECDevInfo = nullptr;
    readECDevAS = nullptr;
    writeECDevAS = nullptr;
    readWritePWRMC = nullptr;
    library_.Free();
}

Version3 DecodePmuVersion(std::uint32_t value) {
    return {(value >> 4) & 0xF, value & 0xF, ((value >> 12) & 0xF) * 10 + ((value >> 8) & 0xF)};
}

Version3 ReadPmuFirmwareVersion(IRegistry& registry, IFiles& files, IPaths& paths, IAccessLibraries& libraries,
                                IRunAccount& account) {
    const RegistryValue folder =
        registry.GetValue(RegistryRoot::LocalMachine, kAccessLibraryKey, u"InstPath", kRrfRtRegSz, kPathValueBuffer);
    if (folder.error != 0) return {};
    const RegistryValue name =
        registry.GetValue(RegistryRoot::LocalMachine, kAccessLibraryKey, u"DllName", kRrfRtRegSz, kPathValueBuffer);
    if (name.error != 0) return {};
    if (folder.data.size() + name.data.size() >= kPathValueBuffer) {
        files.SetLastError(kErrorInsufficientBuffer);
        return {};
    }
    const std::optional<std::u16string> path = paths.Combine(RegistryText(folder.data), RegistryText(name.data));
    // An empty or relative folder would make the loader search the program's
    // and the current folder: treated like a failed load.
    if (!path || !IsFullPath(*path)) return {};
    // Its code runs with the run's rights (SYSTEM in deployments): anyone who
    // may replace the library, or plant one beside it, must not be able to
    // choose that code. What is checked is what is loaded: the file and its
    // folder are held from here until the library has been freed.
    const HeldFile held(libraries, libraries.OpenHeld(*path));
    if (held.get() == nullptr) return {};
    if (!libraries.IsWherePathSays(held.get())) {
        files.SetLastError(kErrorAccessDenied);
        return {};
    }
    const RunAccount run = account.Read();
    for (const HeldPart part : {HeldPart::kFile, HeldPart::kFolder}) {
        const std::optional<AccessList> list = libraries.ReadAccessList(held.get(), part);
        if (!list || !OnlyTrustedMayChange(*list, TrustedRunSid(run))) {
            files.SetLastError(kErrorAccessDenied);
            return {};
        }
    }

    CVxn02e3DllECDeviceControl control(libraries, files);
    const ModuleHandle module = libraries.LoadHeld(held.get());
    if (module == nullptr) return {};
    if (!libraries.IsHeldFile(module, held.get())) {
        libraries.FreeLibrary(module);
        files.SetLastError(kErrorAccessDenied);
        return {};
    }
    if (!control.Attach(module)) {
        libraries.FreeLibrary(module);
        return {};
    }
    if (control.getECDevInfo == nullptr) {
        files.SetLastError(kErrorNotSupported);
        return {};
    }
    std::uint32_t info = 0;
    if (control.getECDevInfo(&info) != 0 || (info & kPmuPresentBit) == 0) return {};
    if (control.readWritePWRMC == nullptr) {
        files.SetLastError(kErrorNotSupported);
        return {};
    }
    std::uint32_t value = 0;
    if (control.readWritePWRMC(kReadPmuVersionCommand, &value) != 0) return {};
    return DecodePmuVersion(value);
}

}  // namespace Korvane::PC::Tarnwick
