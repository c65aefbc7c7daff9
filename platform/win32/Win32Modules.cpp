// Modules, resources, firmware tables, text conversion and the trust check.
#include <windows.h>
#include <psapi.h>
#include <softpub.h>
#include <wintrust.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/win32/ScopedHandle.h"
#include "platform/win32/SystemLibraries.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Platform.h"

namespace Korvane::PC::Tarnwick::Win32 {

static_assert(kLoadLibraryAsDatafile == LOAD_LIBRARY_AS_DATAFILE);
static_assert(kLoadLibraryAsDatafileExclusive == LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE);
static_assert(kWtdUiNone == WTD_UI_NONE && kWtdUiNoGood == WTD_UI_NOGOOD);
static_assert(kCertTrustIsRevoked == CERT_TRUST_IS_REVOKED &&
              kCertTrustRevocationStatusUnknown == CERT_TRUST_REVOCATION_STATUS_UNKNOWN &&
              kCertTrustIsOfflineRevocation == CERT_TRUST_IS_OFFLINE_REVOCATION &&
              kCertTrustIsSelfSigned == CERT_TRUST_IS_SELF_SIGNED);

ModuleFileName Modules::GetProgramFileName(std::uint32_t bufferChars) {
    std::wstring buffer(bufferChars, L'\0');
    ModuleFileName result;
    result.length = ::GetModuleFileNameW(nullptr, buffer.data(), bufferChars);
    result.lastError = ::GetLastError();
    buffer.resize(std::min<std::size_t>(result.length, bufferChars));
    result.path = FromWin(std::wstring_view(buffer.c_str()));
    return result;
}

ModuleHandle Modules::LoadLibraryEx(std::u16string_view path, std::uint32_t flags) {
    return ::LoadLibraryExW(ToWin(path).c_str(), nullptr, flags);
}

void Modules::FreeLibrary(ModuleHandle module) {
    ::FreeLibrary(static_cast<HMODULE>(const_cast<void*>(module)));
}

namespace {

// The name of the file whose image or data is mapped at `address`
// (K32GetMappedFileNameW: kernel32, never psapi.dll, which is no known DLL);
// empty on failure.
std::wstring MappedFileName(const void* address) {
    std::wstring name(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 3; ++attempt) {
        const DWORD length = ::K32GetMappedFileNameW(::GetCurrentProcess(), const_cast<void*>(address), name.data(),
                                                     static_cast<DWORD>(name.size()));
        if (length == 0) return {};
        if (length + 1 < name.size()) return name.substr(0, length);
        name.resize(name.size() * 4);  // possibly cut: ask again with room to spare
    }
    return {};
}

bool SameFile(HANDLE a, HANDLE b) {
    BY_HANDLE_FILE_INFORMATION first{}, second{};
    return ::GetFileInformationByHandle(a, &first) && ::GetFileInformationByHandle(b, &second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

}  // namespace

bool MapsOpenFile(const void* address, HANDLE file) {
    const std::wstring name = MappedFileName(address);
    if (name.empty()) return false;
    const std::wstring path = name.starts_with(L"\\??\\") ? L"\\\\?\\" + name.substr(4) : L"\\\\?\\GLOBALROOT" + name;
    const ScopedFileHandle mapped(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                OPEN_EXISTING, 0, nullptr));
    return mapped && SameFile(mapped.get(), file);
}

std::u16string Modules::FinalPathOf(const IOpenFile& file) {
    return FromWin(FinalPathOfHandle(static_cast<HANDLE>(file.NativeHandle())));
}

bool Modules::MapsFile(ModuleHandle module, const IOpenFile& file) {
    if (module == nullptr) return false;
    // A module loaded as data is its mapping's address with the low bits
    // marking the kind of load.
    const auto address = reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(module) &
                                                       ~static_cast<std::uintptr_t>(3));
    return MapsOpenFile(address, static_cast<HANDLE>(file.NativeHandle()));
}

std::span<const std::uint8_t> Modules::FindResourceData(ModuleHandle module, std::uint16_t id, ResourceType type) {
    auto* hmodule = static_cast<HMODULE>(const_cast<void*>(module));
    const std::wstring typeName = ToWin(type.name);
    LPCWSTR typeArgument = type.name.empty() ? MAKEINTRESOURCEW(type.id) : typeName.c_str();
    HRSRC resource = ::FindResourceW(hmodule, MAKEINTRESOURCEW(id), typeArgument);
    if (resource == nullptr) return {};
    const DWORD size = ::SizeofResource(hmodule, resource);
    HGLOBAL loaded = ::LoadResource(hmodule, resource);
    if (loaded == nullptr) return {};
    const void* data = ::LockResource(loaded);
    if (data == nullptr || size == 0) return {};
    return {static_cast<const std::uint8_t*>(data), size};
}

std::uint32_t FirmwareTables::EnumTables(std::uint32_t provider, void* buffer, std::uint32_t size) {
    return ::EnumSystemFirmwareTables(provider, static_cast<PVOID>(buffer), size);
}

std::uint32_t FirmwareTables::GetTable(std::uint32_t provider, std::uint32_t tableId, void* buffer,
                                       std::uint32_t size) {
    return ::GetSystemFirmwareTable(provider, tableId, buffer, size);
}

#ifdef TARNWICK_TEST_HOOKS
namespace {

// Test seam: one 'RSMB' table with id 0 whose contents are a file's bytes,
// laid out exactly as GetSystemFirmwareTable returns them.
class FileFirmwareTables : public IFirmwareTables {
public:
    explicit FileFirmwareTables(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    std::uint32_t EnumTables(std::uint32_t provider, void* buffer, std::uint32_t size) override {
        if (provider != kRsmbProvider) return 0;
        if (buffer != nullptr && size >= 4) std::memset(buffer, 0, 4);
        return 4;
    }
    std::uint32_t GetTable(std::uint32_t provider, std::uint32_t tableId, void* buffer, std::uint32_t size) override {
        if (provider != kRsmbProvider || tableId != 0) return 0;
        const auto needed = static_cast<std::uint32_t>(bytes_.size());
        if (buffer != nullptr && size >= needed && needed != 0) std::memcpy(buffer, bytes_.data(), needed);
        return needed;
    }

private:
    std::vector<std::uint8_t> bytes_;
};

}  // namespace
#endif

std::unique_ptr<IFirmwareTables> CreateFirmwareTables() {
#ifdef TARNWICK_TEST_HOOKS
    if (const wchar_t* path = _wgetenv(L"TARNWICK_TEST_SMBIOS"); path != nullptr && *path != L'\0') {
        std::ifstream in(path, std::ios::binary);
        std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return std::make_unique<FileFirmwareTables>(std::move(bytes));
    }
#endif
    return std::make_unique<FirmwareTables>();
}

int Text::MultiByteToWide(std::uint32_t codePage, std::uint32_t flags, std::span<const char> bytes,
                          std::span<char16_t> output) {
    return ::MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()),
                                 reinterpret_cast<wchar_t*>(output.data()), static_cast<int>(output.size()));
}

FormatResult Text::FormatFromString(std::u16string_view templateText, std::span<const FormatArgument> arguments) {
    // Text inserts need NUL-terminated copies that outlive the call.
    std::vector<std::wstring> texts;
    texts.reserve(arguments.size());
    std::vector<DWORD_PTR> values;
    values.reserve(arguments.size() + 1);
    for (const FormatArgument& argument : arguments) {
        if (const auto* text = std::get_if<std::u16string_view>(&argument)) {
            texts.push_back(ToWin(*text));
            values.push_back(reinterpret_cast<DWORD_PTR>(texts.back().c_str()));
        } else {
            values.push_back(static_cast<DWORD_PTR>(std::get<std::uint32_t>(argument)));
        }
    }
    values.push_back(0);
    const std::wstring source = ToWin(templateText);
    const DWORD saved = ::GetLastError();
    ::SetLastError(0);
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_ARGUMENT_ARRAY, source.c_str(), 0,
        0, reinterpret_cast<LPWSTR>(&buffer), 0, reinterpret_cast<va_list*>(values.data()));
    ScopedLocalMemory<wchar_t*> owned(buffer);
    FormatResult result;
    if (length == 0) {
        result.error = ::GetLastError();
        ::SetLastError(saved);
        return result;
    }
    ::SetLastError(saved);
    result.text = FromWin(std::wstring_view(buffer, length));
    return result;
}

namespace {

using WinVerifyTrustFn = LONG(WINAPI*)(HWND, GUID*, LPVOID);

// The structure as Windows 7 defines it: up to and including the UI context
// (48 bytes in a 32-bit process). `info` must outlive the call.
WINTRUST_DATA TrustData(WINTRUST_FILE_INFO& info, const std::wstring& path, const IOpenFile& file,
                        std::uint32_t uiChoice) {
    info = {};
    info.cbStruct = 16;
    info.pcwszFilePath = path.c_str();
    info.hFile = static_cast<HANDLE>(file.NativeHandle());
    info.pgKnownSubject = nullptr;
    WINTRUST_DATA data{};
    data.cbStruct = offsetof(WINTRUST_DATA, dwUIContext) + sizeof(data.dwUIContext);
    data.pPolicyCallbackData = nullptr;
    data.pSIPClientData = nullptr;
    data.dwUIChoice = uiChoice;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &info;
    data.dwStateAction = WTD_STATEACTION_IGNORE;
    data.hWVTStateData = nullptr;
    data.pwszURLReference = nullptr;
    data.dwProvFlags = 0;
    data.dwUIContext = 0;
    return data;
}

}  // namespace

std::int32_t Trust::VerifyFile(const IOpenFile& file, std::u16string_view path, std::uint32_t uiChoice) {
    // wintrust.dll is not a known DLL: it comes from the system folder, on
    // first use, never from the import table (which Windows would satisfy
    // from the program's own folder first).
    const auto verify = wintrust_.Get<WinVerifyTrustFn>("WinVerifyTrust");
    if (verify == nullptr) return static_cast<std::int32_t>(TRUST_E_PROVIDER_UNKNOWN);
    const std::wstring widePath = ToWin(path);
    WINTRUST_FILE_INFO info;
    WINTRUST_DATA data = TrustData(info, widePath, file, uiChoice);
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    return static_cast<std::int32_t>(verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data));
}

ChainVerification Trust::VerifyFileWithChain(const IOpenFile& file, std::u16string_view path, std::uint32_t uiChoice,
                                             bool checkRevocation) {
    using ProvDataFn = CRYPT_PROVIDER_DATA*(WINAPI*)(HANDLE);
    using ProvSignerFn = CRYPT_PROVIDER_SGNR*(WINAPI*)(CRYPT_PROVIDER_DATA*, DWORD, BOOL, DWORD);
    using HashFn = BOOL(WINAPI*)(LPCWSTR, DWORD, void*, const BYTE*, DWORD, BYTE*, DWORD*);
    const auto verify = wintrust_.Get<WinVerifyTrustFn>("WinVerifyTrust");
    const auto provData = wintrust_.Get<ProvDataFn>("WTHelperProvDataFromStateData");
    const auto provSigner = wintrust_.Get<ProvSignerFn>("WTHelperGetProvSignerFromChain");
    const auto hash = crypt32_.Get<HashFn>("CryptHashCertificate2");
    ChainVerification verified;
    if (verify == nullptr || provData == nullptr || provSigner == nullptr || hash == nullptr) {
        verified.result = static_cast<std::int32_t>(TRUST_E_PROVIDER_UNKNOWN);
        return verified;
    }
    const std::wstring widePath = ToWin(path);
    WINTRUST_FILE_INFO info;
    WINTRUST_DATA data = TrustData(info, widePath, file, uiChoice);
    if (checkRevocation) {
        data.fdwRevocationChecks = WTD_REVOKE_WHOLECHAIN;
        data.dwProvFlags = WTD_REVOCATION_CHECK_CHAIN;
    }
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const HWND noWindow = static_cast<HWND>(INVALID_HANDLE_VALUE);
    verified.result = static_cast<std::int32_t>(verify(noWindow, &action, &data));

    const auto certificateHashes = [&](const CERT_CONTEXT* certificate, CertificateHashes& hashes) {
        DWORD sha1Size = hashes.sha1.size(), sha256Size = hashes.sha256.size();
        return hash(L"SHA1", 0, nullptr, certificate->pbCertEncoded, certificate->cbCertEncoded, hashes.sha1.data(),
                    &sha1Size) &&
               sha1Size == hashes.sha1.size() &&
               hash(L"SHA256", 0, nullptr, certificate->pbCertEncoded, certificate->cbCertEncoded,
                    hashes.sha256.data(), &sha256Size) &&
               sha256Size == hashes.sha256.size();
    };
    if (verified.result == 0) {
        CRYPT_PROVIDER_DATA* provider = provData(data.hWVTStateData);
        CRYPT_PROVIDER_SGNR* signer = provider != nullptr ? provSigner(provider, 0, FALSE, 0) : nullptr;
        if (signer == nullptr || signer->csCertChain == 0) verified.result = static_cast<std::int32_t>(TRUST_E_NOSIGNATURE);
        for (DWORD i = 0; signer != nullptr && i < signer->csCertChain; ++i) {
            CertificateHashes hashes;
            if (signer->pasCertChain[i].pCert == nullptr || !certificateHashes(signer->pasCertChain[i].pCert, hashes)) {
                verified.result = static_cast<std::int32_t>(TRUST_E_SYSTEM_ERROR);
                break;
            }
            verified.chain.push_back(hashes);
        }
        // The chain as the engine built it, element by element: whether
        // revocation was checked and what it found is read here, not left
        // to the policy flags through which WinVerifyTrust judges it.
        const CERT_CHAIN_CONTEXT* context = signer != nullptr ? signer->pChainContext : nullptr;
        for (DWORD c = 0; verified.result == 0 && context != nullptr && c < context->cChain; ++c) {
            const CERT_SIMPLE_CHAIN* simple = context->rgpChain[c];
            for (DWORD e = 0; simple != nullptr && e < simple->cElement; ++e) {
                const CERT_CHAIN_ELEMENT* element = simple->rgpElement[e];
                if (element == nullptr) continue;
                verified.elements.push_back({element->TrustStatus.dwErrorStatus, element->TrustStatus.dwInfoStatus,
                                             element->pRevocationInfo != nullptr, e + 1 == simple->cElement});
            }
        }
        if (verified.result != 0) {
            verified.chain.clear();
            verified.elements.clear();
        }
    }
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    verify(noWindow, &action, &data);
    return verified;
}

}  // namespace Korvane::PC::Tarnwick::Win32
