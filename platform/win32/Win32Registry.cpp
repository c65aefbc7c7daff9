#include <windows.h>

#include <utility>

#include "platform/win32/ScopedHandle.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Registry.h"

namespace Korvane::PC::Tarnwick::Win32 {

static_assert(kRegSz == REG_SZ && kRegExpandSz == REG_EXPAND_SZ && kRegDword == REG_DWORD && kKeyRead == KEY_READ &&
              kKeyWow64_64Key == KEY_WOW64_64KEY);
static_assert(kRegMultiSz == REG_MULTI_SZ && kRrfRtRegDword == RRF_RT_REG_DWORD &&
              kRrfRtRegMultiSz == RRF_RT_REG_MULTI_SZ);

namespace {

HKEY RootKey(RegistryRoot root) { return root == RegistryRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

class RegistryKey : public IRegistryKey {
public:
    explicit RegistryKey(ScopedRegKey key) : key_(std::move(key)) {}

    RegistryValue QueryValue(std::u16string_view name, std::uint32_t bufferSize) override {
        RegistryValue value;
        value.data.assign(bufferSize, 0);
        DWORD type = 0;
        DWORD size = bufferSize;
        value.error = static_cast<std::uint32_t>(
            ::RegQueryValueExW(key_.get(), ToWin(name).c_str(), nullptr, &type, value.data.data(), &size));
        value.type = type;
        value.data.resize(value.error == ERROR_SUCCESS ? size : 0);
        return value;
    }

    std::uint32_t SetValue(std::u16string_view name, std::uint32_t type, const std::vector<std::uint8_t>& data) override {
        return static_cast<std::uint32_t>(::RegSetValueExW(key_.get(), ToWin(name).c_str(), 0, type, data.data(),
                                                           static_cast<DWORD>(data.size())));
    }

private:
    ScopedRegKey key_;
};

}  // namespace

OpenedKey Registry::OpenKey(RegistryRoot root, std::u16string_view subKey, std::uint32_t access) {
    ScopedRegKey key;
    const LSTATUS status = ::RegOpenKeyExW(RootKey(root), ToWin(subKey).c_str(), 0, access, key.put());
    if (status != ERROR_SUCCESS) return {static_cast<std::uint32_t>(status), nullptr};
    return {0, std::make_unique<RegistryKey>(std::move(key))};
}

OpenedKey Registry::CreateKey(RegistryRoot root, std::u16string_view subKey, std::uint32_t access) {
    ScopedRegKey key;
    const LSTATUS status = ::RegCreateKeyExW(RootKey(root), ToWin(subKey).c_str(), 0, nullptr,
                                             REG_OPTION_NON_VOLATILE, access, nullptr, key.put(), nullptr);
    if (status != ERROR_SUCCESS) return {static_cast<std::uint32_t>(status), nullptr};
    return {0, std::make_unique<RegistryKey>(std::move(key))};
}

RegistryValue Registry::GetValue(RegistryRoot root, std::u16string_view subKey, std::u16string_view valueName,
                                 std::uint32_t flags, std::uint32_t bufferSize) {
    RegistryValue value;
    value.data.assign(bufferSize, 0);
    DWORD type = 0;
    DWORD size = bufferSize;
    value.error = static_cast<std::uint32_t>(::RegGetValueW(RootKey(root), ToWin(subKey).c_str(),
                                                            ToWin(valueName).c_str(), flags, &type,
                                                            value.data.data(), &size));
    value.type = type;
    value.data.resize(value.error == ERROR_SUCCESS ? size : 0);
    return value;
}

}  // namespace Korvane::PC::Tarnwick::Win32
