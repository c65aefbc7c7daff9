// Child processes: started with a given command line, current folder and
// window, then waited for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/WaitOutcome.h"

namespace Korvane::PC::Tarnwick {

inline constexpr std::uint16_t kSwHide = 0;            // SW_HIDE
inline constexpr std::uint16_t kSwShowNormal = 1;      // SW_SHOWNORMAL
inline constexpr std::uint16_t kSwShowNoActivate = 4;  // SW_SHOWNOACTIVATE

inline constexpr std::uint32_t kCreateNewProcessGroup = 0x00000200;  // CREATE_NEW_PROCESS_GROUP
inline constexpr std::uint32_t kCreateNoWindow = 0x08000000;         // CREATE_NO_WINDOW

// What CreateProcessW is given. Strings that are empty are passed as null.
struct ProcessLaunch {
    std::u16string application;       // empty: the command line's first token names the program
    std::u16string commandLine;       // passed in a writable copy
    std::u16string currentDirectory;  // empty: the caller's current folder
    std::uint32_t creationFlags = 0;
    // STARTF_USESHOWWINDOW with this show command; nullopt: the startup
    // information carries only its size.
    std::optional<std::uint16_t> showWindow;
};

// A started process. Destroying it closes the process handle (the thread
// handle is closed right after the start); the process itself runs on.
class IProcess {
public:
    virtual ~IProcess() = default;
    // WaitForSingleObject; nullopt = INFINITE.
    [[nodiscard]] virtual WaitOutcome Wait(std::optional<std::uint32_t> timeoutMs) = 0;
    // MsgWaitForMultipleObjects on the one handle, any, 400 ms, QS_ALLINPUT,
    // in a loop that dispatches every queued message of the calling thread
    // (PeekMessageW/TranslateMessage/DispatchMessageW) and waits again on
    // input or time-out. Returns kSignalled or kFailed.
    [[nodiscard]] virtual WaitOutcome WaitServingMessages() = 0;
    // GetExitCodeProcess; nullopt when the call fails.
    [[nodiscard]] virtual std::optional<std::uint32_t> ExitCode() = 0;
};

// What one read of a child's standard output gave.
struct OutputRead {
    std::string bytes{};  // as the child wrote them; empty when the wait passed without output
    bool ended = false;   // nothing more will come: the child has ended and the pipe is empty
    bool failed = false;  // the pipe or the process could not be read; nothing more will come
};

// A started process whose standard output goes into a pipe that only this
// object reads. Destroying it closes the pipe and the process handle; the
// process itself runs on (its next write fails).
class IOutputProcess {
public:
    virtual ~IOutputProcess() = default;
    // Up to `maxBytes` of what the child has written. Returns as soon as
    // there is output, the output has ended, or `waitMs` has passed.
    [[nodiscard]] virtual OutputRead Read(std::size_t maxBytes, std::uint32_t waitMs) = 0;
    // TerminateProcess; false when it fails.
    [[nodiscard]] virtual bool Terminate() = 0;
};

class IProcesses {
public:
    virtual ~IProcesses() = default;
    // CreateProcessW without security attributes and without handle
    // inheritance, with the caller's environment. Null on failure.
    [[nodiscard]] virtual std::unique_ptr<IProcess> Start(const ProcessLaunch& launch) = 0;
    // The same, with the child's standard output going into a new pipe (the
    // only handle the child inherits) and no standard input or error.
    // Null on failure.
    [[nodiscard]] virtual std::unique_ptr<IOutputProcess> StartReadingOutput(const ProcessLaunch& launch) = 0;
};

}  // namespace Korvane::PC::Tarnwick
