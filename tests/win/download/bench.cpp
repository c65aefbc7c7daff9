// Driver of the download benchmark (tools/bench-download.sh):
//   bench.exe job SERVER_URL PATH SHA256_HEX   a silent update job (ExecuteToolJobs) of SERVER_URL + PATH
//   bench.exe download URL FILE                WinINet alone, into FILE, through one 64 KiB buffer
//   bench.exe hash FILE                        CryptoAPI's SHA-256 alone, over FILE in 64 KiB pieces
// Prints the job's result or the digest; exits with 0 on success.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "actions/ToolExecution.h"
#include "app/UpdateController.h"
#include "platform/fakes/FakeModules.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Platform.h"

using namespace Korvane::PC::Tarnwick;
using namespace Korvane::PC::Tarnwick::Win32;

namespace {

std::vector<std::uint8_t> FromHex(const std::wstring& hex) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(std::wstring(hex, i, 2), nullptr, 16)));
    }
    return bytes;
}

int Job(const std::wstring& server, const std::wstring& path, const std::wstring& hash) {
    Win32Platform real(GetModuleHandleW(nullptr));
    FakeModules modules;
    FakeModules::AddStrings(modules.files[u"battery.dll"], {{145, u"Tarnwick-bench"}, {146, FromWin(server)}});
    Platform& r = real.platform();
    Platform platform = WithParts(r, {.modules = &modules});
    ToolOptions options;
    options.silent = true;
    options.disableDownloadParameters = true;
    UpdateController controller(platform, options);
    controller.companionLibrary.reset(modules.LoadLibraryEx(u"battery.dll", 0));
    controller.target.url = FromWin(path) + u'\0';
    controller.target.toolFile = std::u16string(u"tool.exe\0", 9);
    controller.target.toolParameters = std::u16string(u"--tool\0", 7);
    controller.target.hash = FromHex(hash);
    const std::int32_t result = ToNumber(ExecuteToolJobs(controller.View(), kFirmwareJobMessages, ToolWait::kNone));
    std::printf("job result %d\n", static_cast<int>(result));
    return result == 0 ? 0 : 1;
}

int Download(const std::wstring& url, const std::wstring& file) {
    Internet internet;
    const auto session = internet.Open(u"Tarnwick-bench");
    const auto request = session ? session->OpenUrl(FromWin(url)) : nullptr;
    HANDLE out = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
    if (!request || out == INVALID_HANDLE_VALUE) return 1;
    std::vector<std::uint8_t> buffer(65536);
    for (;;) {
        const auto count = request->Read(buffer);
        if (!count) return 1;
        if (*count == 0) break;
        DWORD written = 0;
        WriteFile(out, buffer.data(), *count, &written, nullptr);
    }
    CloseHandle(out);
    return 0;
}

int Hash(const std::wstring& file) {
    HANDLE in = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    Hashing hashing;
    const auto hash = hashing.CreateSha256();
    if (in == INVALID_HANDLE_VALUE || !hash) return 1;
    std::vector<std::uint8_t> buffer(65536);
    DWORD count = 0;
    while (ReadFile(in, buffer.data(), 65536, &count, nullptr) && count != 0) {
        if (!hash->Update({buffer.data(), count})) return 1;
    }
    CloseHandle(in);
    Sha256Digest digest{};
    if (!hash->Finish(digest)) return 1;
    for (std::uint8_t b : digest) std::printf("%02x", b);
    std::printf("\n");
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"job" && argc == 5) return Job(argv[2], argv[3], argv[4]);
    if (mode == L"download" && argc == 4) return Download(argv[2], argv[3]);
    if (mode == L"hash" && argc == 3) return Hash(argv[2]);
    std::fprintf(stderr, "usage: bench.exe job SERVER_URL PATH SHA256 | download URL FILE | hash FILE\n");
    return 2;
}
