// The release file, the information report and the log line.
#include "app/Reports.h"

#include "app/UpdateController.h"
#include "app/Utf8TextFile.h"
#include "definitions/CompanionResources.h"

namespace Korvane::PC::Tarnwick {
namespace {


// printf's "%u" / "%0Nu" / "%d" in UTF-16.
std::u16string Number(std::int64_t value, std::size_t width = 0) {
    const bool negative = value < 0;
    auto magnitude = static_cast<std::uint64_t>(negative ? -value : value);
    std::u16string digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    if (digits.size() < width) digits.insert(0, width - digits.size(), u'0');
    if (negative) digits.insert(digits.begin(), u'-');
    return digits;
}

// A field as it goes into a line: up to its NUL, with every control
// character (CR and LF among them) and every line or paragraph separator as
// a space, so that no text of the machine or the library can end a line of
// a shared log or report early and forge the next one.
void AppendOneLine(std::u16string& out, std::u16string_view text) {
    for (char16_t c : VisibleText(text)) {
        const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
        out += control ? u' ' : c;
    }
}

void AppendField(std::u16string& out, std::u16string_view label, std::u16string_view text) {
    out += label;
    AppendOneLine(out, text);
    out += u'\n';
}

}  // namespace

std::u16string FormatLogLine(const LocalTime& time, std::uint32_t releaseNumber, ExitCode result,
                             const MachineIdentity& machine, std::u16string_view currentVersionText) {
    std::u16string line = Number(time.year, 4) + u'/' + Number(time.month, 2) + u'/' + Number(time.day, 2) + u' ' +
                          Number(time.hour, 2) + u':' + Number(time.minute, 2) + u':' + Number(time.second, 2);
    line += u", " + Number(releaseNumber) + u", " + Number(ToNumber(result)) + u", ";
    for (const std::u16string* field : {&machine.manufacturer, &machine.product, &machine.model, &machine.serial}) {
        AppendOneLine(line, *field);
        line += u", ";
    }
    AppendOneLine(line, currentVersionText);
    line += u'\n';
    return line;
}

std::u16string FormatMachineBlock(const MachineIdentity& machine) {
    std::u16string out = u"Machine info:\n";
    AppendField(out, u" manufacturer: ", machine.manufacturer);
    AppendField(out, u" product: ", machine.product);
    AppendField(out, u" model: ", machine.model);
    AppendField(out, u" serial: ", machine.serial);
    return out;
}

std::u16string FormatTargetBlock(const TargetDefinition& target) {
    std::u16string out = u"Target def:\n action: " + Number(ToNumber(target.action)) + u'\n';
    AppendField(out, u" version: ", target.version);
    AppendField(out, u" url: ", target.url);
    AppendField(out, u" tool file: ", target.toolFile);
    AppendField(out, u" tool parameters: ", target.toolParameters);
    out += u" hash: ";
    constexpr char16_t kHex[] = u"0123456789abcdef";
    for (std::uint8_t byte : target.hash) {
        out += kHex[byte >> 4];
        out += kHex[byte & 0xF];
    }
    out += u'\n';
    return out;
}

void WriteReleaseFile(Platform& platform) {
    UpdateController controller(platform, kReportOptions);
    if (controller.PrepareEnvironment()) {
        // The name is used as the library gives it: a relative name is
        // relative to the current folder.
        const std::u16string name =
            LoadCompanionString(platform.modules, controller.companionLibrary.get(), StringId::kReleaseFile);
        if (std::unique_ptr<IOutputFile> file = platform.outputFiles.OpenForRewrite(name)) {
            std::string digits;
            for (char16_t c : Number(controller.ReleaseNumber())) digits += static_cast<char>(c);
            // The branch ends with 0 whatever happened.
            (void)file->Write({reinterpret_cast<const std::uint8_t*>(digits.data()), digits.size()});
        }
    }
    controller.Teardown();
}

void WriteInfoReport(Platform& platform, std::u16string_view path) {
    std::unique_ptr<IOutputFile> opened = platform.outputFiles.OpenForAppend(path);
    if (!opened) return;
    Utf8TextFile report(std::move(opened));
    // Silent: no message of the start-up environment or the selection
    // waits for a person.
    UpdateController controller(platform, kInfoReportOptions);
    if (!controller.PrepareEnvironment()) {
        report.Write(u"Failed to initialize\n");
    } else {
        report.Write(FormatMachineBlock(controller.machine));
        report.Write(controller.SelectAction() ? FormatTargetBlock(controller.target)
                                               : std::u16string(u"Failed to select action\n"));
    }
    controller.Teardown();
}

void AppendLogLine(Platform& platform, std::u16string_view path, ExitCode result, UpdateController& controller) {
    std::unique_ptr<IOutputFile> opened = platform.outputFiles.OpenForAppend(path);
    if (!opened) return;
    const std::u16string versionText =
        controller.currentAction ? controller.currentAction->GetCurrentVersionText() : std::u16string();
    Utf8TextFile(std::move(opened))
        .Write(FormatLogLine(platform.clock.GetLocalTime(), controller.ReleaseNumber(), result, controller.machine,
                             versionText));
}

}  // namespace Korvane::PC::Tarnwick
