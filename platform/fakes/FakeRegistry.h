#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>

#include "platform/Registry.h"

namespace Korvane::PC::Tarnwick {

// An in-memory registry. Keys exist once created (or seeded); values keep
// their type and bytes. Opening a key that does not exist gives error 2.
class FakeRegistry : public IRegistry {
public:
    struct Value {
        std::uint32_t type = 0;
        std::vector<std::uint8_t> data;
    };
    using KeyName = std::pair<RegistryRoot, std::u16string>;
    std::map<KeyName, std::map<std::u16string, Value>> keys;
    std::uint32_t createError = 0;  // scripted failure of CreateKey
    int openKeys = 0;
    std::vector<std::uint32_t> openAccess, createAccess;

    void SetDword(RegistryRoot root, const std::u16string& key, const std::u16string& name, std::uint32_t v) {
        keys[{root, key}][name] = {kRegDword, {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                               static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)}};
    }
    void SetString(RegistryRoot root, const std::u16string& key, const std::u16string& name,
                   const std::u16string& text) {
        Value value{kRegSz, {}};
        for (char16_t c : text) {
            value.data.push_back(static_cast<std::uint8_t>(c));
            value.data.push_back(static_cast<std::uint8_t>(c >> 8));
        }
        value.data.push_back(0);
        value.data.push_back(0);
        keys[{root, key}][name] = value;
    }
    const Value* Find(RegistryRoot root, const std::u16string& key, const std::u16string& name) const {
        const auto k = keys.find({root, key});
        if (k == keys.end()) return nullptr;
        const auto v = k->second.find(name);
        return v == k->second.end() ? nullptr : &v->second;
    }

    OpenedKey OpenKey(RegistryRoot root, std::u16string_view subKey, std::uint32_t access) override {
        openAccess.push_back(access);
        const auto it = keys.find({root, std::u16string(subKey)});
        if (it == keys.end()) return {2, nullptr};
        return {0, std::make_unique<Key>(*this, it->second)};
    }
    OpenedKey CreateKey(RegistryRoot root, std::u16string_view subKey, std::uint32_t access) override {
        createAccess.push_back(access);
        if (createError != 0) return {createError, nullptr};
        return {0, std::make_unique<Key>(*this, keys[{root, std::u16string(subKey)}])};
    }
    RegistryValue GetValue(RegistryRoot root, std::u16string_view subKey, std::u16string_view value,
                           std::uint32_t flags, std::uint32_t bufferSize) override {
        const Value* v = Find(root, std::u16string(subKey), std::u16string(value));
        if (v == nullptr) return {2, 0, {}};
        if ((flags & kRrfRtRegSz) != 0 && v->type != kRegSz) return {1629 /* ERROR_UNSUPPORTED_TYPE */, v->type, {}};
        if (v->data.size() > bufferSize) return {234 /* ERROR_MORE_DATA */, v->type, {}};
        return {0, v->type, v->data};
    }

private:
    class Key : public IRegistryKey {
    public:
        Key(FakeRegistry& owner, std::map<std::u16string, Value>& values) : owner_(owner), values_(values) {
            ++owner_.openKeys;
        }
        ~Key() override { --owner_.openKeys; }
        RegistryValue QueryValue(std::u16string_view name, std::uint32_t bufferSize) override {
            const auto it = values_.find(std::u16string(name));
            if (it == values_.end()) return {2, 0, {}};
            if (it->second.data.size() > bufferSize) return {234, it->second.type, {}};
            return {0, it->second.type, it->second.data};
        }
        std::uint32_t SetValue(std::u16string_view name, std::uint32_t type,
                               const std::vector<std::uint8_t>& data) override {
            values_[std::u16string(name)] = {type, data};
            return 0;
        }

    private:
        FakeRegistry& owner_;
        std::map<std::u16string, Value>& values_;
    };
};

}  // namespace Korvane::PC::Tarnwick
