#include "tools/companion-tool/MachineRegistry.h"

#include <memory>

namespace Korvane::PC::Tarnwick::Companion {

class MachineRegistry::Key : public IRegistryKey {
public:
    Key(MachineRegistry& owner, RegistryRoot root, std::u16string_view key) : owner_(owner), root_(root), key_(key) {}
    RegistryValue QueryValue(std::u16string_view name, std::uint32_t bufferSize) override {
        const Value* v = owner_.Find(root_, key_, name, true);
        if (v == nullptr) return {2, 0, {}};
        if (v->data.size() > bufferSize) return {234, v->type, {}};
        return {0, v->type, v->data};
    }
    std::uint32_t SetValue(std::u16string_view name, std::uint32_t type,
                           const std::vector<std::uint8_t>& data) override {
        Value* v = owner_.Find(root_, key_, name, false);
        if (v == nullptr) v = &owner_.values_.emplace_back(root_, key_, name);
        v->present = true;
        v->type = type;
        v->data = data;
        return 0;
    }

private:
    MachineRegistry& owner_;
    RegistryRoot root_;
    std::u16string_view key_;  // a name stored by the owner
};

void MachineRegistry::Value::SetDword(std::uint32_t v) {
    type = kRegDword;
    data.clear();
    for (int b = 0; b < 4; ++b) data.push_back(static_cast<std::uint8_t>(v >> (8 * b)));
}

MachineRegistry::Value& MachineRegistry::Add(RegistryRoot root, std::u16string_view key, std::u16string_view name) {
    ForgetWrites();
    while (values_.size() > added_) values_.pop_back();
    ++added_;
    return values_.emplace_back(root, key, name);
}

void MachineRegistry::ForgetWrites() {
    for (std::size_t i = added_; i < values_.size(); ++i) values_[i].present = false;
    createdKeys_.clear();
}

MachineRegistry::Value* MachineRegistry::Find(RegistryRoot root, std::u16string_view key, std::u16string_view name,
                                              bool present) {
    for (Value& v : values_) {
        if ((v.present || !present) && v.root == root && v.name == name && v.key == key) return &v;
    }
    return nullptr;
}

std::u16string_view MachineRegistry::ExistingKey(RegistryRoot root, std::u16string_view key) const {
    for (const std::deque<Value>* list : {&values_, &createdKeys_}) {
        for (const Value& v : *list) {
            if ((v.present || list == &createdKeys_) && v.root == root && v.key == key) return v.key;
        }
    }
    return {};
}

OpenedKey MachineRegistry::OpenKey(RegistryRoot root, std::u16string_view subKey, std::uint32_t) {
    const std::u16string_view key = ExistingKey(root, subKey);
    if (key.data() == nullptr) return {2, nullptr};
    return {0, std::make_unique<Key>(*this, root, key)};
}

OpenedKey MachineRegistry::CreateKey(RegistryRoot root, std::u16string_view subKey, std::uint32_t) {
    std::u16string_view key = ExistingKey(root, subKey);
    if (key.data() == nullptr) key = createdKeys_.emplace_back(root, subKey, u"").key;
    return {0, std::make_unique<Key>(*this, root, key)};
}

RegistryValue MachineRegistry::GetValue(RegistryRoot root, std::u16string_view subKey, std::u16string_view value,
                                        std::uint32_t flags, std::uint32_t bufferSize) {
    const Value* v = Find(root, subKey, value, true);
    if (v == nullptr) return {2, 0, {}};
    if ((flags & kRrfRtRegSz) != 0 && v->type != kRegSz) return {1629 /* ERROR_UNSUPPORTED_TYPE */, v->type, {}};
    if (v->data.size() > bufferSize) return {234 /* ERROR_MORE_DATA */, v->type, {}};
    return {0, v->type, v->data};
}

}  // namespace Korvane::PC::Tarnwick::Companion
