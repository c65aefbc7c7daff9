// Authenticode verification of an open file (wintrust, crypt32; loaded from
// the system folder on first use).
#include <windows.h>
#include <softpub.h>
#include <wintrust.h>

#include <cstddef>
#include <string>

#include "platform/win32/WideText.h"
#include "platform/win32/Win32Trust.h"

namespace Korvane::PC::Tarnwick::Win32 {

static_assert(kWtdUiNone == WTD_UI_NONE && kWtdUiNoGood == WTD_UI_NOGOOD);
static_assert(kCertTrustIsRevoked == CERT_TRUST_IS_REVOKED &&
              kCertTrustRevocationStatusUnknown == CERT_TRUST_REVOCATION_STATUS_UNKNOWN &&
              kCertTrustIsOfflineRevocation == CERT_TRUST_IS_OFFLINE_REVOCATION &&
              kCertTrustIsSelfSigned == CERT_TRUST_IS_SELF_SIGNED);

namespace {

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
    const auto verify = TARNWICK_EXPORT(wintrust_, WinVerifyTrust);
    if (verify == nullptr) return static_cast<std::int32_t>(TRUST_E_PROVIDER_UNKNOWN);
    const std::wstring widePath = ToWin(path);
    WINTRUST_FILE_INFO info;
    WINTRUST_DATA data = TrustData(info, widePath, file, uiChoice);
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    return static_cast<std::int32_t>(verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data));
}

ChainVerification Trust::VerifyFileWithChain(const IOpenFile& file, std::u16string_view path, std::uint32_t uiChoice,
                                             bool checkRevocation) {
    const auto verify = TARNWICK_EXPORT(wintrust_, WinVerifyTrust);
    const auto provData = TARNWICK_EXPORT(wintrust_, WTHelperProvDataFromStateData);
    const auto provSigner =
        TARNWICK_EXPORT(wintrust_, WTHelperGetProvSignerFromChain);
    const auto hash = TARNWICK_EXPORT(crypt32_, CryptHashCertificate2);
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
