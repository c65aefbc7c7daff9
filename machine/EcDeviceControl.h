// The maker's embedded-controller access library: found through the
// registry (HKEY_LOCAL_MACHINE "Software\Korvane\VXN02E3", values "InstPath"
// and "DllName"), loaded for one query, its exports resolved by name, and
// unloaded before the query returns. Nothing is cached between queries.
#pragma once

#include <cstdint>
#include <string_view>

#include "machine/VersionProbes.h"
#include "platform/AccessLibraries.h"
#include "platform/Paths.h"
#include "platform/RunAccount.h"

namespace Korvane::PC::Tarnwick {

class IFiles;
class IRegistry;

inline constexpr std::u16string_view kAccessLibraryKey = u"Software\\Korvane\\VXN02E3";

// Owns at most one loaded library and frees it when destroyed. Not copyable.
class CDllHandle {
public:
    // `files` carries the thread's last-error value.
    CDllHandle(IAccessLibraries& libraries, IFiles& files) : libraries_(libraries), files_(files) {}
    CDllHandle(const CDllHandle&) = delete;
    CDllHandle& operator=(const CDllHandle&) = delete;
    // Frees the module held, if any.
    ~CDllHandle() { Free(); }

    // Takes ownership of `module`. A null module fails with last error
    // ERROR_INVALID_HANDLE, a second attach with ERROR_ALREADY_INITIALIZED;
    // on failure the caller still owns `module`.
    [[nodiscard]] bool Attach(ModuleHandle module);
    // Frees the module held, if any (the field is cleared first).
    void Free();

    ModuleHandle module() const { return module_; }

private:
    IAccessLibraries& libraries_;
    IFiles& files_;
    ModuleHandle module_ = nullptr;
};

// The two entry points that are called; both are cdecl (the caller cleans
// the stack, the default for free functions in the 32-bit program) and
// return 0 on success.
using GetECDevInfoFn = std::int32_t (*)(std::uint32_t* info);
using ReadWritePWRMCFn = std::int32_t (*)(std::uint32_t command, std::uint32_t* value);

// The access library's four exports, resolved on attach in this order:
// "GetECDevInfo", "ReadECDevAS", "WriteECDevAS", "ReadWritePWRMC". A missing
// export stays null and the attach still succeeds; the caller checks before
// it calls. "ReadECDevAS" and "WriteECDevAS" are resolved but never called.
// The exports are null whenever no library is held.
class CVxn02e3DllECDeviceControl {
public:
    CVxn02e3DllECDeviceControl(IAccessLibraries& libraries, IFiles& files)
        : libraries_(libraries), library_(libraries, files) {}

    // Takes ownership of `module` as CDllHandle::Attach does, then resolves
    // the exports.
    [[nodiscard]] bool Attach(ModuleHandle module);
    // Forgets the exports and frees the library held, if any.
    void Free();

    GetECDevInfoFn getECDevInfo = nullptr;
    ExportedProc readECDevAS = nullptr;
    ExportedProc writeECDevAS = nullptr;
    ReadWritePWRMCFn readWritePWRMC = nullptr;

private:
    IAccessLibraries& libraries_;
    CDllHandle library_;
};

// Bit 4 of GetECDevInfo's answer: the controller offers the power-management
// microcontroller.
inline constexpr std::uint32_t kPmuPresentBit = 0x10;
// ReadWritePWRMC command that reads the firmware version.
inline constexpr std::uint32_t kReadPmuVersionCommand = 0xD5;

// The low 16 bits of the version word: A = bits 4-7, B = bits 0-3, C = the
// high byte as two BCD digits (0x1234 gives 3, 4, 12).
Version3 DecodePmuVersion(std::uint32_t value);

// The installed power-management firmware version, (0, 0, 0) when it cannot
// be read (callers treat a first number of 0 as unreadable). Reads the two
// registry values (520-byte buffers; sizes adding up to 520 or more are
// refused) and joins them (a joined path that is not a full path ends the
// query without a load). The library is then used only as the file that is
// checked: the file and its folder are opened and held (IAccessLibraries::
// OpenHeld) until the library has been freed; both must be where the path
// says (a link on the way fails with ERROR_ACCESS_DENIED); neither may be
// changed by anyone but the trusted accounts (OnlyTrustedMayChange with
// TrustedRunSid of machine/ChangeRights.h, read through the held handles; a
// list that cannot be read fails the check); the library is loaded by that
// path and must be the held file (a module mapped from any other file is
// freed again, with ERROR_ACCESS_DENIED). Then checks bit 4 of the device
// info and reads command 0xD5. The library is unloaded on every path.
// Leaves the last error as the failing step set it.
Version3 ReadPmuFirmwareVersion(IRegistry& registry, IFiles& files, IPaths& paths, IAccessLibraries& libraries,
                                IRunAccount& account);

}  // namespace Korvane::PC::Tarnwick
