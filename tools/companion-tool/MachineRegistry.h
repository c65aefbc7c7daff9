// The registry of a simulated machine: a few values in a list searched by
// name, kept from profile to profile so a run allocates next to nothing
// (FakeRegistry's maps of long key names cost simulate most of its time).
// Answers as FakeRegistry does: error 2 for a missing key or value, 1629 for
// RRF_RT_REG_SZ on another type, 234 for a short buffer; names match
// exactly. Does not model access rights (a key opened for reading takes
// writes), subkeys, or deleting.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/Registry.h"

namespace Korvane::PC::Tarnwick::Companion {

class MachineRegistry : public IRegistry {
public:
    struct Value {
        Value(RegistryRoot root_, std::u16string_view key_, std::u16string_view name_)
            : root(root_), key(key_), name(name_) {}

        RegistryRoot root;
        std::u16string key;
        std::u16string name;
        bool present = false;
        std::uint32_t type = 0;
        std::vector<std::uint8_t> data;

        // As FakeRegistry::SetDword / SetString store them.
        void SetDword(std::uint32_t v);
        template <typename Unit>  // calls its argument with each UTF-16 unit
        void SetString(Unit units) {
            type = kRegSz;
            std::size_t size = 0;
            const auto unit = [this, &size](char16_t c) {
                if (data.size() < size + 2) data.resize(size + 2);
                data[size++] = static_cast<std::uint8_t>(c);
                data[size++] = static_cast<std::uint8_t>(c >> 8);
            };
            units(unit);
            unit(0);
            data.resize(size);
        }
    };

    // Adds a value (absent) the machine set-up can then fill; the reference
    // stays valid.
    Value& Add(RegistryRoot root, std::u16string_view key, std::u16string_view name);
    // Removes what runs wrote and the keys they created. The added values
    // stay as they are: the set-up sets each of them for every profile.
    void ForgetWrites();

    OpenedKey OpenKey(RegistryRoot root, std::u16string_view subKey, std::uint32_t access) override;
    OpenedKey CreateKey(RegistryRoot root, std::u16string_view subKey, std::uint32_t access) override;
    RegistryValue GetValue(RegistryRoot root, std::u16string_view subKey, std::u16string_view value,
                           std::uint32_t flags, std::uint32_t bufferSize) override;

private:
    class Key;
    Value* Find(RegistryRoot root, std::u16string_view key, std::u16string_view name, bool present);
    // The stored name of an existing key, or empty.
    std::u16string_view ExistingKey(RegistryRoot root, std::u16string_view key) const;

    std::deque<Value> values_;        // deque: keys view their names
    std::size_t added_ = 0;           // values_[0, added_) are the set-up's
    std::deque<Value> createdKeys_;   // keys created without values (name empty)
};

}  // namespace Korvane::PC::Tarnwick::Companion
