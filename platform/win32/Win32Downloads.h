// The Win32 side of an update job: WinINet (loaded from the system folder on
// first use, never imported), CryptoAPI's SHA-256, threads, the work folder
// and its files, and the shell. Members of Win32Platform.
#pragma once

#include <windows.h>

#include "platform/Hashing.h"
#include "platform/Internet.h"
#include "platform/JobLimits.h"
#include "platform/Shell.h"
#include "platform/Threads.h"
#include "platform/WorkFiles.h"
#include "platform/win32/SystemLibraries.h"

namespace Korvane::PC::Tarnwick::Win32 {

// WinINet's entry points. Each session has a worker thread that makes its
// waiting calls, so that Abort (from any thread) ends a wait at once.
// Open is called from one thread.
class Internet : public IInternet {
public:
    std::unique_ptr<IInternetSession> Open(std::u16string_view agent) override;

private:
    LazySystemLibrary wininet_{L"wininet.dll"};
    bool pinned_ = false;
};

class Hashing : public IHashing {
public:
    std::unique_ptr<IHash> CreateSha256() override;
};

class Threads : public IThreads {
public:
    std::unique_ptr<IThread> Start(std::function<void()> routine) override;
    void Sleep(std::uint32_t milliseconds) override;
    std::uint64_t TickCount() override;
};

class WorkFiles : public IWorkFiles {
public:
    std::optional<std::u16string> TempPath() override;
    std::optional<std::u16string> AppendPath(std::u16string_view base, std::u16string_view name) override;
    CreatedFolder CreatePrivateFolder(std::u16string_view path, FolderAccess access) override;
    CreatedFile CreateTempFile(std::u16string_view folder, std::u16string_view prefix) override;
    std::unique_ptr<ISealedFile> OpenSealed(std::u16string_view path) override;
    bool RemoveFolderTree(std::u16string_view path) override;
};

class Shell : public IShell {
public:
    std::optional<std::u16string> CombinePath(std::u16string_view folder, std::u16string_view more) override;
    std::u16string RemoveFileSpec(std::u16string_view path) override;
    ShellLaunchResult Execute(const ShellLaunch& launch) override;
};

// Takes over a process handle (closed when the object is destroyed).
std::unique_ptr<IProcess> AdoptProcess(HANDLE process);

// The defaults; in the test build (TARNWICK_TEST_HOOKS) the environment
// variables TARNWICK_TEST_RETRY_WAIT_MS, TARNWICK_TEST_PACKAGE_LIMIT,
// TARNWICK_TEST_ATTEMPT_DEADLINE_MS, TARNWICK_TEST_RATE_WINDOW_MS and
// TARNWICK_TEST_RATE_WINDOW_BYTES (decimal) may shorten them.
JobLimits CreateJobLimits();

}  // namespace Korvane::PC::Tarnwick::Win32
