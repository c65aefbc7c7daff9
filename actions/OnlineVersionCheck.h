// The newest release of this tool published on the download server, read
// from the release file. The run compares it with the companion library's
// own release number (the controller's StartReleaseCheck starts it).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Handles.h"
#include "platform/Internet.h"
#include "platform/Platform.h"
#include "platform/Threads.h"

namespace Korvane::PC::Tarnwick {

// Fetches `address` with the agent name and reads its answer with
// ParseReleaseAnswer. Only an HTTP 200 answer counts, and only a body of at
// most 49 bytes; a read that fails after some data keeps that data, as if
// the body had ended there. 0 when the file cannot be had or is not one
// number: 0 never stops a run. Anyone who can answer in the server's place
// (a plain http:// address) can still end every run with a high number.
std::uint32_t QueryLatestRelease(IInternet& internet, std::u16string_view agent, std::u16string_view address);
// The same in a session that is already open (made on any thread, used only
// by the calling one from now on).
std::uint32_t QueryLatestRelease(IInternetSession& session, std::u16string_view address);

// The whole release check, from connecting to the last byte, ends after
// this long at the latest and then counts as no answer (0).
inline constexpr std::uint32_t kReleaseCheckLimitMs = 3000;

// The release check on a thread of its own, so that the run's other work
// goes on while it waits on the network. The constructor opens the session
// and starts the thread; Answer() waits for it, but never past `limitMs`
// after the start: then it ends the request from this thread
// (IInternetSession::Abort), joins the thread and answers 0. When no thread
// can be started the check runs at once on the calling thread, bounded the
// same way by the session's watch. The destructor ends and joins a check
// whose answer nobody asked for. Used from one thread; not copyable.
class CReleaseCheck {
public:
    CReleaseCheck(IInternet& internet, IThreads& threads, std::u16string_view agent, std::u16string address,
                  std::uint32_t limitMs = kReleaseCheckLimitMs);
    CReleaseCheck(const CReleaseCheck&) = delete;
    CReleaseCheck& operator=(const CReleaseCheck&) = delete;
    ~CReleaseCheck();

    // The newest release number, 0 on any failure or after the limit.
    std::uint32_t Answer();

private:
    void Run();
    void End();

    IThreads& threads_;
    std::u16string address_;
    std::uint64_t deadline_;
    // Written by the check's thread; read only after that thread has ended.
    std::uint32_t answer_ = 0;
    bool ended_ = false;
    // Declared before the thread: it outlives every use the thread makes.
    std::unique_ptr<IInternetSession> session_;
    std::unique_ptr<IThread> thread_;
};

// The run's release check, started: the agent name and the address
// (download base and release file name) are strings of `companionLibrary`.
// Null when memory runs out (then there is no check).
std::unique_ptr<CReleaseCheck> MakeReleaseCheck(Platform& platform, ModuleHandle companionLibrary);

// The release number when `body` (8-bit text) is exactly one number with
// automatic base (0x hexadecimal, a leading 0 octal, else decimal; no sign,
// no white space) that fits in 32 bits, optionally followed by CR LF or LF;
// nullopt for anything else ("404 Not Found", "12abc", "99999999999", "").
std::optional<std::uint32_t> ParseReleaseAnswer(std::string_view body);

}  // namespace Korvane::PC::Tarnwick
