// Runs a callable when the scope ends, for clean-up that has no owner type
// of its own (a device context given back to its window, memory freed by a
// function looked up at run time):
//
//   HDC dc = ::GetDC(window);
//   const auto releaseDc = ScopeExit([&] { ::ReleaseDC(window, dc); });
//
// dismiss() cancels it, for the path on which the resource is handed on.
// The callable runs at most once and must not throw.
#pragma once

#include <type_traits>
#include <utility>

namespace Korvane::PC::Tarnwick::Win32 {

template <typename Callable>
class [[nodiscard]] ScopeExitAction {
public:
    explicit ScopeExitAction(Callable callable) noexcept(std::is_nothrow_move_constructible_v<Callable>)
        : callable_(std::move(callable)) {}
    ScopeExitAction(const ScopeExitAction&) = delete;
    ScopeExitAction& operator=(const ScopeExitAction&) = delete;
    ScopeExitAction(ScopeExitAction&&) = delete;
    ScopeExitAction& operator=(ScopeExitAction&&) = delete;
    ~ScopeExitAction() {
        if (armed_) callable_();
    }

    void dismiss() noexcept { armed_ = false; }

private:
    Callable callable_;
    bool armed_ = true;
};

// Guaranteed copy elision hands the action over without a move, so it can
// be neither copied nor moved and runs exactly where it was made.
template <typename Callable>
ScopeExitAction<std::decay_t<Callable>> ScopeExit(Callable&& callable) {
    return ScopeExitAction<std::decay_t<Callable>>(std::forward<Callable>(callable));
}

}  // namespace Korvane::PC::Tarnwick::Win32
