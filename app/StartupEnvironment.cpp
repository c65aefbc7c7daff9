#include "app/StartupEnvironment.h"

#include <memory>
#include <optional>
#include <string>

#include "app/PublisherPolicy.h"
#include "common/Numbers.h"
#include "definitions/CompanionResources.h"
#include "machine/MachineIdentity.h"
#include "messages/Messages.h"
#include "run/PersistentState.h"

namespace Korvane::PC::Tarnwick {
namespace {

constexpr std::int32_t kGeoIdNotAvailable = -1;
constexpr std::u16string_view kCancelListDelimiters = u"=,";

constexpr std::u16string_view kCurrentVersionKey = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr std::u16string_view kReleaseIdValue = u"ReleaseId";
constexpr std::uint32_t kReleaseIdBufferBytes = 200;
constexpr std::uint32_t kFirstReleaseOfLaterClass = 1903;

constexpr std::int32_t kVersion61 = 0x60001;
constexpr std::int32_t kVersion62 = 0x60002;
constexpr std::int32_t kVersion63 = 0x60003;
constexpr std::int32_t kVersion100 = 0xA0000;

constexpr std::uint32_t kLastVersionNumber = 255;

// The largest n in [0, 255] with passes(n), given passes(0).
template <typename Predicate>
std::uint32_t LastPassing(Predicate passes) {
    std::uint32_t low = 0;                       // known to pass
    std::uint32_t high = kLastVersionNumber + 1;  // treated as failing
    while (high - low > 1) {
        const std::uint32_t middle = low + (high - low) / 2;
        if (passes(middle)) {
            low = middle;
        } else {
            high = middle;
        }
    }
    return low;
}

// "0x%08x": eight lower-case hexadecimal digits.
std::u16string CancelListKey(std::uint32_t geoId) {
    std::u16string key = u"0x";
    for (int shift = 28; shift >= 0; shift -= 4) key.push_back(u"0123456789abcdef"[(geoId >> shift) & 0xF]);
    return key;
}

// A token as the C runtime's tokenizer takes it: skip a run of delimiters,
// take units up to the next delimiter or the end, continue after that
// delimiter. At the end of the text the token is empty.
std::u16string_view NextToken(std::u16string_view text, std::size_t& position) {
    const std::size_t start = text.find_first_not_of(kCancelListDelimiters, position);
    if (start == std::u16string_view::npos) {
        position = text.size();
        return {};
    }
    const std::size_t end = text.find_first_of(kCancelListDelimiters, start);
    if (end == std::u16string_view::npos) {
        position = text.size();
        return text.substr(start);
    }
    position = end + 1;
    return text.substr(start, end - start);
}

// "ReleaseId" read as a decimal number; nullopt when it cannot be read or is
// empty.
std::optional<std::uint32_t> ReadReleaseId(IRegistry& registry) {
    const RegistryValue value = registry.GetValue(RegistryRoot::LocalMachine, kCurrentVersionKey, kReleaseIdValue,
                                                  kRrfRtRegSz, kReleaseIdBufferBytes);
    if (value.error != 0 || value.data.empty()) return std::nullopt;
    // The bytes as they land in a zeroed buffer of 200 bytes.
    std::u16string text(kReleaseIdBufferBytes / 2, u'\0');
    for (std::size_t i = 0; i < value.data.size() && i < kReleaseIdBufferBytes; ++i) {
        text[i / 2] = static_cast<char16_t>(text[i / 2] | (value.data[i] << (8 * (i % 2))));
    }
    return ReadDecimalPrefix(text);
}

}  // namespace

std::int32_t ProbeOsVersion(ISystemInfo& system) {
    // Only a system below every version, which cannot exist, fails (0, 0, 0).
    if (!system.VersionAtLeast(0, 0, 0)) return 0;

    const std::uint32_t major = LastPassing([&](std::uint32_t n) { return system.VersionAtLeast(n, 0, 0); });
    const std::uint32_t minor = LastPassing([&](std::uint32_t n) { return system.VersionAtLeast(major, n, 0); });
    const std::uint32_t servicePack = LastPassing(
        [&](std::uint32_t n) { return system.VersionAtLeast(major, minor, static_cast<std::uint16_t>(n)); });

    // The first failing triple is the successor of (major, minor,
    // servicePack) in the walk's order; its major and minor are the answer.
    if (servicePack < kLastVersionNumber) return static_cast<std::int32_t>((major << 16) | minor);
    if (minor < kLastVersionNumber) return static_cast<std::int32_t>((major << 16) | (minor + 1));
    if (major < kLastVersionNumber) return static_cast<std::int32_t>((major + 1) << 16);
    return kNoOsVersion;
}

bool IsWow64(ISystemInfo& system) {
    return system.IsWow64Process().value_or(false);
}

OsClass ClassifyOs(Platform& platform) {
    const std::int32_t version = ProbeOsVersion(platform.system);
    OsClass base = 0;
    switch (version) {
        case kVersion61:
            base = 0;
            break;
        case kVersion62:
            base = 2;
            break;
        case kVersion63:
            base = 4;
            break;
        case kVersion100: {
            const std::optional<std::uint32_t> release = ReadReleaseId(platform.registry);
            base = release && *release >= kFirstReleaseOfLaterClass ? 8 : 6;
            break;
        }
        default:
            return kOsClassOther;
    }
    return base + (IsWow64(platform.system) ? 1 : 0);
}

std::uint32_t LookupCancelDays(IThreadLanguage& language, std::u16string_view list) {
    // The list is a NUL-terminated text to the tokenizer: nothing after a NUL
    // is part of it.
    list = VisibleText(list);

    std::int32_t geoId = language.GetUserNationGeoId();
    if (geoId == kGeoIdNotAvailable) geoId = 0;

    // A plain substring search: the key may match anywhere, not only at the
    // start of an entry.
    std::size_t found = list.find(CancelListKey(static_cast<std::uint32_t>(geoId)));
    if (found == std::u16string_view::npos) found = list.find(CancelListKey(0));
    if (found == std::u16string_view::npos) return kNoCancelLimit;

    const std::u16string_view rest = list.substr(found);
    std::size_t position = 0;
    NextToken(rest, position);  // the key itself
    const std::u16string_view value = NextToken(rest, position);
    if (value.empty()) return kNoCancelLimit;
    return ReadUnsigned32(value);
}

bool PrepareStartupEnvironment(Platform& platform, const ToolOptions& options, const PreparedEnvironment& run) {
    run.machine = ReadMachineIdentity(platform.firmware, platform.text);

    // The companion library stands beside the program.
    std::optional<std::u16string> libraryPath;
    const ModuleFileName program = platform.modules.GetProgramFileName(kModulePathChars);
    if (program.length == 0 || program.length == kModulePathChars) {
        // No path, or a path that was cut: the call's own error stays.
        platform.files.SetLastError(program.lastError);
    } else {
        libraryPath = platform.files.ReplaceFileName(program.path, kCompanionLibraryName);
        if (libraryPath) {
            const std::optional<std::uint32_t> attributes = platform.files.GetFileAttributes(*libraryPath);
            if (!attributes || (*attributes & kFileAttributeDirectory) != 0) {
                platform.files.SetLastError(kErrorFileNotFound);
                libraryPath.reset();
            }
        }
    }

    // The file is opened once and held, denying writers, from before the
    // trust check until the library is freed. The loader is given the held
    // file's final path, not the path asked for: a link on the way (the
    // program's folder, say) may point elsewhere by the time the loader
    // opens it. What the loader mapped must then be the held file, or the
    // library counts as untrusted: the file that is verified is the file
    // that is read, and it stays unchanged while the run reads it.
    std::unique_ptr<IOpenFile> held;
    std::u16string finalPath;
    if (libraryPath) {
        held = platform.files.OpenReadDenyWrite(*libraryPath);
        if (held) finalPath = platform.modules.FinalPathOf(*held);
        if (finalPath.empty()) libraryPath.reset();
    }

    const bool quiet = options.silent || options.viewTarget;
    if (libraryPath && options.checkSignature &&
        !SignatureAccepted(platform.trust, ReadPublisherPolicy(platform.registry), *held, finalPath,
                           quiet ? kWtdUiNone : kWtdUiNoGood)) {
        libraryPath.reset();
    }

    // Loaded as a data file only: its resources become readable, its code
    // never runs.
    run.companionLibrary.reset();
    if (libraryPath) {
        ModuleHandle loaded = platform.modules.LoadLibraryEx(finalPath, kLoadLibraryAsDatafileExclusive);
        if (loaded != nullptr && !platform.modules.MapsFile(loaded, *held)) {
            platform.modules.FreeLibrary(loaded);
            loaded = nullptr;
        }
        if (loaded != nullptr) run.companionLibrary.reset(loaded, std::move(held));
    }
    held.reset();
    const bool haveLibrary = static_cast<bool>(run.companionLibrary);

    if (!haveLibrary) {
        if (!quiet) {
            // The program's own strings and icon: the companion library is
            // what is missing.
            TaskDialogRequest request =
                MessageRequest(nullptr, kOwnToolNameString, kOwnFooterString, kOwnIcon);
            request.commonButtons = kTdcbfCloseButton;
            request.defaultButton = kIdClose;
            request.mainIconId = kTdErrorIcon;
            request.mainInstructionId = kOwnFilesMissingString;
            request.contentId = kOwnDownloadAgainString;
            OpenLinksByRule(request, platform);
            (void)platform.taskDialogs.Show(request);  // one Close button: how it closed changes nothing
        }
        return false;
    }

    if (options.enableCancelLimit) {
        const std::uint32_t days =
            LookupCancelDays(platform.language, LoadCompanionString(platform.modules, run.companionLibrary.get(),
                                                                    StringId::kCancelDays));
        run.cancelAllowed = ComputeDaysLeft(platform, days, run.cancelDaysLeft);
    } else {
        run.cancelAllowed = true;
        run.cancelDaysLeft = kNoCancelLimit;
    }

    run.osClass = ClassifyOs(platform);
    return true;
}

}  // namespace Korvane::PC::Tarnwick
