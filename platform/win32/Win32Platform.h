// The real platform: every interface of platform/ implemented with the Win32
// API. Win32Platform owns one of each and exposes them as a Platform bundle.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "platform/Platform.h"
#include "platform/win32/SystemLibraries.h"
#include "platform/win32/Win32Downloads.h"

namespace Korvane::PC::Tarnwick::Win32 {

class CommandLine : public ICommandLine {
public:
    std::optional<std::vector<std::u16string>> SplitProcessCommandLine() override;
};

class ThreadLanguage : public IThreadLanguage {
public:
    void SetThreadLocale(std::uint32_t lcid) override;
    void SetThreadUILanguage(std::uint16_t langId) override;
    std::int32_t GetUserNationGeoId() override;
};

class Sync : public ISync {
public:
    NamedMutexResult CreateNamedMutex(std::u16string_view name, std::uint32_t flags, std::uint32_t access) override;
};

class DialogHost : public IDialogHost {
public:
    explicit DialogHost(HINSTANCE instance) : instance_(instance) {}
    std::int32_t CoInitializeEx(std::uint32_t coinit) override;
    void CoUninitialize() override;
    void InitCommonControls() override;
    void LoadLibraryAndKeep(std::u16string_view name) override;
    WindowHandle GetActiveWindow() override;
    std::intptr_t RunModalDialog(std::uint16_t templateId, WindowHandle parent, IDialogDelegate& dialog) override;

private:
    HINSTANCE instance_;
};

class TaskDialogs : public ITaskDialogs {
public:
    explicit TaskDialogs(HINSTANCE instance) : instance_(instance) {}
    std::optional<std::int32_t> Show(const TaskDialogRequest& request) override;
    std::optional<std::int32_t> ShowProgress(const TaskDialogRequest& request,
                                             const std::atomic<bool>& busy) override;

private:
    HINSTANCE instance_;
};

class Registry : public IRegistry {
public:
    OpenedKey OpenKey(RegistryRoot root, std::u16string_view subKey, std::uint32_t access) override;
    OpenedKey CreateKey(RegistryRoot root, std::u16string_view subKey, std::uint32_t access) override;
    RegistryValue GetValue(RegistryRoot root, std::u16string_view subKey, std::u16string_view value,
                           std::uint32_t flags, std::uint32_t bufferSize) override;
};

class FirmwareTables : public IFirmwareTables {
public:
    std::uint32_t EnumTables(std::uint32_t provider, void* buffer, std::uint32_t size) override;
    std::uint32_t GetTable(std::uint32_t provider, std::uint32_t tableId, void* buffer, std::uint32_t size) override;
};

// The firmware tables this program uses: the real ones, or in the test build
// (TARNWICK_TEST_HOOKS) a file named by TARNWICK_TEST_SMBIOS when it is set.
std::unique_ptr<IFirmwareTables> CreateFirmwareTables();

class Modules : public IModules {
public:
    ModuleFileName GetProgramFileName(std::uint32_t bufferChars) override;
    ModuleHandle LoadLibraryEx(std::u16string_view path, std::uint32_t flags) override;
    void FreeLibrary(ModuleHandle module) override;
    std::u16string FinalPathOf(const IOpenFile& file) override;
    bool MapsFile(ModuleHandle module, const IOpenFile& file) override;
    std::span<const std::uint8_t> FindResourceData(ModuleHandle module, std::uint16_t id, ResourceType type) override;
};

class Files : public IFiles {
public:
    std::optional<std::uint32_t> GetFileAttributes(std::u16string_view path) override;
    std::optional<std::u16string> ReplaceFileName(std::u16string_view path, std::u16string_view fileName) override;
    std::unique_ptr<IOpenFile> OpenReadDenyWrite(std::u16string_view path) override;
    void SetLastError(std::uint32_t error) override;
    std::uint32_t GetLastError() override;
};

class Text : public IText {
public:
    int MultiByteToWide(std::uint32_t codePage, std::uint32_t flags, std::span<const char> bytes,
                        std::span<char16_t> output) override;
    FormatResult FormatFromString(std::u16string_view templateText,
                                  std::span<const FormatArgument> arguments) override;
};

class Trust : public ITrust {
public:
    std::int32_t VerifyFile(const IOpenFile& file, std::u16string_view path, std::uint32_t uiChoice) override;
    ChainVerification VerifyFileWithChain(const IOpenFile& file, std::u16string_view path, std::uint32_t uiChoice,
                                          bool checkRevocation) override;

private:
    LazySystemLibrary wintrust_{L"wintrust.dll"};
    LazySystemLibrary crypt32_{L"crypt32.dll"};
};

class Clock : public IClock {
public:
    std::int64_t Now() override;
    std::optional<LocalDate> ToLocalDate(std::int64_t time) override;
    LocalTime GetLocalTime() override;
};

class SystemInfo : public ISystemInfo {
public:
    bool VersionAtLeast(std::uint32_t major, std::uint32_t minor, std::uint16_t servicePackMajor) override;
    std::optional<bool> IsWow64Process() override;
};

class Processes : public IProcesses {
public:
    std::unique_ptr<IProcess> Start(const ProcessLaunch& launch) override;
    std::unique_ptr<IOutputProcess> StartReadingOutput(const ProcessLaunch& launch) override;
};

class AccessLibraries : public IAccessLibraries {
public:
    AccessLibraries();
    ~AccessLibraries() override;  // closes what is still held
    std::optional<std::u16string> CombinePath(std::u16string_view folder, std::u16string_view file) override;
    HeldLibraryFile OpenHeld(std::u16string_view fullPath) override;
    bool IsWherePathSays(HeldLibraryFile held) override;
    std::optional<AccessList> ReadAccessList(HeldLibraryFile held, HeldPart part) override;
    ModuleHandle LoadHeld(HeldLibraryFile held) override;
    bool IsHeldFile(ModuleHandle module, HeldLibraryFile held) override;
    void CloseHeld(HeldLibraryFile held) override;
    ExportedProc FindExport(ModuleHandle module, const char* name) override;
    // Also takes the library's folder out of the search again.
    void FreeLibrary(ModuleHandle module) override;

private:
    struct Held;  // the path opened and the handles of the file and its folder
    struct SearchFolder {
        ModuleHandle module;
        void* cookie;    // AddDllDirectory's, or null
        bool setFolder;  // SetDllDirectoryW was used instead
    };
    std::vector<SearchFolder> searchFolders_;
    std::vector<std::unique_ptr<Held>> held_;
};

class Environment : public IEnvironment {
public:
    std::u16string ExpandEnvironmentStrings(std::u16string_view text, std::uint32_t bufferChars) override;
    std::optional<std::u16string> SystemFolder() override;
};

class Paths : public IPaths {
public:
    std::optional<std::u16string> Combine(std::u16string_view folder, std::u16string_view file) override;
    std::optional<std::u16string> Append(std::u16string_view base, std::u16string_view more,
                                         std::uint32_t bufferChars) override;
    bool AnyMatch(std::u16string_view pattern) override;
};

class ShellOpen : public IShellOpen {
public:
    void Open(std::u16string_view target) override;
};

// `sid` as a string SID ("S-1-5-18"); empty on failure.
std::u16string SidString(PSID sid);

// GetTokenInformation of `kind` for `token` (opened with TOKEN_QUERY), in a
// buffer of the size the first call asks for; empty on failure.
std::vector<std::uint8_t> TokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind);

// GetFinalPathNameByHandleW (FILE_NAME_NORMALIZED | VOLUME_NAME_DOS) of an
// open file or folder, as the system gives it (with its "\\?\" prefix);
// empty on failure.
std::wstring FinalPathOfHandle(HANDLE handle);

// Whether the image or data the system mapped at `address` comes from the
// open file `file`: the mapping's file (K32GetMappedFileNameW, in device
// form on Windows, "\??\C:\..." under Wine) is opened for its attributes
// only and compared with `file` by volume and file id.
bool MapsOpenFile(const void* address, HANDLE file);

// GetLongPathNameW: short (8.3) names made long, as final paths give them;
// the path itself when that fails. A link on the way keeps its own name
// here; it is not followed.
std::wstring LongPath(const std::wstring& path);

// Whether a full path (with or without its "\\?\" prefix) is on a drive
// letter that is a mapped network drive. UNC paths are told apart by
// CompareFinalPath itself.
bool OnRemoteDrive(std::u16string_view path);

// Whether two texts (paths, account names) are the same apart from letter
// case: CompareStringOrdinal ignoring case, independent of the locale.
bool SameIgnoringCase(std::u16string_view a, std::u16string_view b);

// Marks an open file or folder (opened with DELETE access) for deletion once
// its last handle is closed (FileDispositionInfo); false on failure.
bool MarkForDeletion(HANDLE handle);

class RunAccountReader : public IRunAccount {
public:
    RunAccount Read() override;

private:
    LazySystemLibrary wtsapi_{L"wtsapi32.dll"};
};

class OutputFiles : public IOutputFiles {
public:
    std::unique_ptr<IOutputFile> OpenForAppend(std::u16string_view path) override;
    std::unique_ptr<IOutputFile> OpenForRewrite(std::u16string_view path) override;
};

// Owns one implementation of each interface for the life of the process.
class Win32Platform {
public:
    explicit Win32Platform(HINSTANCE instance);
    Platform& platform() { return platform_; }

private:
    CommandLine commandLine_;
    ThreadLanguage language_;
    Sync sync_;
    DialogHost dialogs_;
    TaskDialogs taskDialogs_;
    Registry registry_;
    std::unique_ptr<IFirmwareTables> firmware_;
    Modules modules_;
    Files files_;
    Text text_;
    Trust trust_;
    Clock clock_;
    SystemInfo system_;
    Processes processes_;
    AccessLibraries accessLibraries_;
    Internet internet_;
    Hashing hashing_;
    Threads threads_;
    WorkFiles workFiles_;
    Shell shell_;
    JobLimits jobLimits_;
    Environment environment_;
    Paths paths_;
    ShellOpen shellOpen_;
    OutputFiles outputFiles_;
    RunAccountReader runAccount_;
    Platform platform_;
};

}  // namespace Korvane::PC::Tarnwick::Win32
