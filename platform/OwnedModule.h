// The one owner of a loaded module handle: frees it through IModules when
// reset or destroyed. Move-only.
#pragma once

#include <utility>

#include "platform/Modules.h"

namespace Korvane::PC::Tarnwick {

class OwnedModule {
public:
    explicit OwnedModule(IModules& modules) : modules_(&modules) {}
    OwnedModule(const OwnedModule&) = delete;
    OwnedModule& operator=(const OwnedModule&) = delete;
    OwnedModule(OwnedModule&& other) noexcept
        : modules_(other.modules_), handle_(std::exchange(other.handle_, nullptr)) {}
    OwnedModule& operator=(OwnedModule&& other) noexcept {
        if (this != &other) {
            reset();
            modules_ = other.modules_;
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    ~OwnedModule() { reset(); }

    ModuleHandle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

    // Frees the module held (if any) and takes ownership of `handle`.
    void reset(ModuleHandle handle = nullptr) {
        if (handle_ != nullptr && handle_ != handle) modules_->FreeLibrary(handle_);
        handle_ = handle;
    }

private:
    IModules* modules_;
    ModuleHandle handle_ = nullptr;
};

}  // namespace Korvane::PC::Tarnwick
