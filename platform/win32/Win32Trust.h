// ITrust over WinVerifyTrust and the chain it builds (wintrust and crypt32,
// loaded from the system folder on first use, never imported).
#pragma once

#include "platform/Trust.h"
#include "platform/win32/SystemLibraries.h"

namespace Korvane::PC::Tarnwick::Win32 {

class Trust : public ITrust {
public:
    std::int32_t VerifyFile(const IOpenFile& file, std::u16string_view path, std::uint32_t uiChoice) override;
    ChainVerification VerifyFileWithChain(const IOpenFile& file, std::u16string_view path, std::uint32_t uiChoice,
                                          bool checkRevocation) override;

private:
    LazySystemLibrary wintrust_{L"wintrust.dll"};
    LazySystemLibrary crypt32_{L"crypt32.dll"};
};

}  // namespace Korvane::PC::Tarnwick::Win32
