#pragma once

#include <memory>
#include <string>

#include "platform/Sync.h"
#include "platform/fakes/FakeRunAccount.h"

namespace Korvane::PC::Tarnwick {

// Named mutexes in one simulated session. Counts the open handles, so a test
// can prove that every handle it handed out was closed.
class FakeSync : public ISync {
public:
    int openHandles = 0;
    int created = 0;
    std::u16string lastName;
    std::uint32_t lastFlags = 0xdeadbeef, lastAccess = 0xdeadbeef;
    bool failCreation = false;    // CreateMutexExW returns null
    bool alreadyExists = false;   // another process holds the name
    std::u16string existingOwner{kFakeUserSid};  // its owner
    std::uint32_t creationError = 5;  // last error of a failed creation

    NamedMutexResult CreateNamedMutex(std::u16string_view name, std::uint32_t flags, std::uint32_t access) override {
        lastName = name;
        lastFlags = flags;
        lastAccess = access;
        if (failCreation) return {nullptr, creationError, {}};
        ++created;
        if (!alreadyExists) return {std::make_unique<Handle>(openHandles), 0u, {}};
        return {std::make_unique<Handle>(openHandles), kErrorAlreadyExists, existingOwner};
    }

private:
    class Handle : public IKernelObject {
    public:
        explicit Handle(int& counter) : counter_(counter) { ++counter_; }
        ~Handle() override { --counter_; }

    private:
        int& counter_;
    };
};

}  // namespace Korvane::PC::Tarnwick
