// Test twins of the small platform interfaces: each records what it was
// asked and answers what the test scripted.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <set>
#include <optional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/CommandLine.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "platform/SystemInfo.h"
#include "platform/Trust.h"

namespace Korvane::PC::Tarnwick {

class FakeCommandLine : public ICommandLine {
public:
    std::optional<std::vector<std::u16string>> arguments = std::vector<std::u16string>{u"Tarnwick.exe"};
    std::optional<std::vector<std::u16string>> SplitProcessCommandLine() override { return arguments; }
};

class FakeThreadLanguage : public IThreadLanguage {
public:
    // Calls in order, as "locale:N" / "ui:N".
    std::vector<std::string> calls;
    std::int32_t geoId = -1;
    void SetThreadLocale(std::uint32_t lcid) override { calls.push_back("locale:" + std::to_string(lcid)); }
    void SetThreadUILanguage(std::uint16_t langId) override { calls.push_back("ui:" + std::to_string(langId)); }
    std::int32_t GetUserNationGeoId() override { return geoId; }
};

// Files as attributes by path. Opening succeeds for every path that has
// attributes and is not in `unopenable`; the fake does not model sharing.
class FakeFiles : public IFiles {
public:
    class OpenFile : public IOpenFile {
    public:
        explicit OpenFile(int& openNow, std::u16string openedAs = {})
            : path(std::move(openedAs)), openNow_(openNow) { ++openNow_; }
        ~OpenFile() override { --openNow_; }
        void* NativeHandle() const override { return const_cast<OpenFile*>(this); }
        const std::u16string path;  // as it was opened

    private:
        int& openNow_;
    };

    std::map<std::u16string, std::uint32_t> attributes;  // path -> attributes
    std::set<std::u16string> unopenable;
    std::vector<std::u16string> opens;
    int openNow = 0;  // files opened and not yet closed
    std::uint32_t lastError = 0;
    std::unique_ptr<IOpenFile> OpenReadDenyWrite(std::u16string_view path) override {
        opens.emplace_back(path);
        if (!attributes.contains(std::u16string(path)) || unopenable.contains(std::u16string(path))) {
            lastError = 32;  // ERROR_SHARING_VIOLATION
            return nullptr;
        }
        return std::make_unique<OpenFile>(openNow, std::u16string(path));
    }
    std::optional<std::uint32_t> GetFileAttributes(std::u16string_view path) override {
        const auto it = attributes.find(std::u16string(path));
        if (it == attributes.end()) return std::nullopt;
        return it->second;
    }
    std::optional<std::u16string> ReplaceFileName(std::u16string_view path, std::u16string_view fileName) override {
        const auto slash = path.find_last_of(u"\\/");
        std::u16string result(slash == std::u16string_view::npos ? std::u16string_view{} : path.substr(0, slash));
        if (!result.empty()) result += u'\\';
        result += fileName;
        return result;
    }
    void SetLastError(std::uint32_t error) override { lastError = error; }
    std::uint32_t GetLastError() override { return lastError; }
};

class FakeClock : public IClock {
public:
    std::int64_t now = 0;
    // Local offset in seconds added before splitting into a date.
    std::int64_t utcOffsetSeconds = 0;
    bool localConversionFails = false;
    LocalTime localTime{2026, 3, 4, 5, 6, 7};
    std::int64_t Now() override { return now; }
    std::optional<LocalDate> ToLocalDate(std::int64_t time) override;
    LocalTime GetLocalTime() override { return localTime; }
};

class FakeSystemInfo : public ISystemInfo {
public:
    std::uint32_t major = 10, minor = 0;
    std::uint16_t servicePack = 0;
    std::optional<bool> wow64 = true;
    long long versionChecks = 0;
    bool VersionAtLeast(std::uint32_t ma, std::uint32_t mi, std::uint16_t sp) override {
        ++versionChecks;
        if (major != ma) return major > ma;
        if (minor != mi) return minor > mi;
        return servicePack >= sp;
    }
    std::optional<bool> IsWow64Process() override { return wow64; }
};

class FakeTrust : public ITrust {
public:
    std::int32_t result = 0;
    std::vector<std::pair<std::u16string, std::uint32_t>> calls;  // path, UI choice
    std::vector<const void*> files;                              // the open file of each call
    std::int32_t VerifyFile(const IOpenFile& file, std::u16string_view path, std::uint32_t uiChoice) override {
        calls.emplace_back(std::u16string(path), uiChoice);
        files.push_back(file.NativeHandle());
        return result;
    }
    // The chain and element statuses it reports, whatever revocation was
    // asked for; records each call's revocation choice. Models no
    // certificate or chain building and no policy flags.
    std::vector<CertificateHashes> chain;
    std::vector<ChainElementStatus> elements;
    std::vector<bool> revocationChecks;
    ChainVerification VerifyFileWithChain(const IOpenFile& file, std::u16string_view path, std::uint32_t uiChoice,
                                          bool checkRevocation) override {
        revocationChecks.push_back(checkRevocation);
        const std::int32_t answer = VerifyFile(file, path, uiChoice);
        if (answer != 0) return {answer, {}, {}};
        return {answer, chain, elements};
    }
};

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
inline LocalDate CivilFromSeconds(std::int64_t seconds) {
    std::int64_t days = seconds / 86400;
    if (seconds % 86400 < 0) --days;
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t doe = days - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t d = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t m = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t y = yoe + era * 400 + (m <= 2 ? 1 : 0);
    return LocalDate{static_cast<int>(y - 1900), static_cast<int>(m - 1), static_cast<int>(d)};
}

inline std::optional<LocalDate> FakeClock::ToLocalDate(std::int64_t time) {
    if (localConversionFails) return std::nullopt;
    return CivilFromSeconds(time + utcOffsetSeconds);
}

}  // namespace Korvane::PC::Tarnwick
