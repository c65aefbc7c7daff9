// The one owner of a loaded module handle: frees it through IModules when
// reset or destroyed, and with it the file the module was loaded from when
// that file is held open too. Move-only.
#pragma once

#include <memory>
#include <utility>

#include "platform/Files.h"
#include "platform/Modules.h"

namespace Korvane::PC::Tarnwick {

class OwnedModule {
public:
    explicit OwnedModule(IModules& modules) : modules_(&modules) {}
    OwnedModule(const OwnedModule&) = delete;
    OwnedModule& operator=(const OwnedModule&) = delete;
    OwnedModule(OwnedModule&& other) noexcept
        : modules_(other.modules_), handle_(std::exchange(other.handle_, nullptr)), file_(std::move(other.file_)) {}
    OwnedModule& operator=(OwnedModule&& other) noexcept {
        if (this != &other) {
            reset();
            modules_ = other.modules_;
            handle_ = std::exchange(other.handle_, nullptr);
            file_ = std::move(other.file_);
        }
        return *this;
    }
    ~OwnedModule() { reset(); }

    ModuleHandle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

    // Frees the module held (if any), then closes the file held with it,
    // and takes ownership of `handle` and of `file`, the open file it was
    // loaded from, which then stays open until the module is freed.
    void reset(ModuleHandle handle = nullptr, std::unique_ptr<IOpenFile> file = nullptr) {
        if (handle_ != nullptr && handle_ != handle) modules_->FreeLibrary(handle_);
        handle_ = handle;
        file_ = std::move(file);
    }

private:
    IModules* modules_;
    ModuleHandle handle_ = nullptr;
    std::unique_ptr<IOpenFile> file_;
};

}  // namespace Korvane::PC::Tarnwick
