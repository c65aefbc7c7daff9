#include "tools/companion-tool/Check.h"

#include <algorithm>
#include <map>
#include <set>

#include "actions/ToolExecution.h"
#include "app/StartupEnvironment.h"
#include "common/Numbers.h"
#include "definitions/CompanionResources.h"
#include "machine/VersionProbes.h"
#include "platform/ThreadLanguage.h"
#include "run/ExitCode.h"
#include "run/PersistentState.h"
#include "tools/companion-tool/Catalogue.h"
#include "tools/companion-tool/TextOut.h"

namespace Korvane::PC::Tarnwick::Companion {
namespace {


using std::to_string;

constexpr std::size_t kDefinitionLines = 7;
constexpr std::size_t kOsNumbers = 8;

// What a row of each code is, by the code's number (kNotTarget to
// kNeedEssentialSoft).
const char* const kActionNames[] = {
    "not a target",        "firmware update",           "BIOS update",
    "charge-limit tool",   "BIOS half of a pair",       "firmware half of a pair",
    "getting ready",       "firmware update (variant)", "essential software missing",
};

bool IsKnownCode(ActionCode code) {
    return ToNumber(code) >= ToNumber(ActionCode::kNotTarget) &&
           ToNumber(code) <= ToNumber(ActionCode::kNeedEssentialSoft);
}
const char* ActionName(ActionCode code) { return kActionNames[ToNumber(code)]; }

// A row that downloads: an update, either half of a pair, the variant.
bool IsUpdateCode(ActionCode code) {
    switch (code) {
        case ActionCode::kUpdatePmuFirmware:
        case ActionCode::kUpdateBios:
        case ActionCode::kInstallChargeLimitTool:
        case ActionCode::kPairBios:
        case ActionCode::kPairFirmware:
        case ActionCode::kCobalenFirmware:
            return true;
        default:
            return false;
    }
}
bool IsPairCode(ActionCode code) { return code == ActionCode::kPairBios || code == ActionCode::kPairFirmware; }

std::string Quoted(std::u16string_view text) { return "\"" + Shown(text) + "\""; }

bool IsHexDigit(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// A number written the way the automatic-base reader takes all of it:
// decimal without a leading 0, 0x hexadecimal or 0 octal, after optional
// white space and (when `sign`) a sign. "08", "1 " or "1.0" are not.
bool IsWholeNumber(std::u16string_view text, bool sign = true) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) ++i;
    if (sign && i < text.size() && (text[i] == u'+' || text[i] == u'-')) ++i;
    const std::u16string_view digits = text.substr(i);
    if (digits.empty()) return false;
    const auto all = [&](std::size_t from, auto accept) {
        return from < digits.size() && std::all_of(digits.begin() + static_cast<std::ptrdiff_t>(from), digits.end(), accept);
    };
    if (digits.size() > 2 && digits[0] == u'0' && (digits[1] == u'x' || digits[1] == u'X')) return all(2, IsHexDigit);
    if (digits[0] == u'0') return digits.size() == 1 || all(1, [](char16_t c) { return c >= u'0' && c <= u'7'; });
    return all(0, [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

// What a machine's board or model name can never hold after the identity
// rules: spaces are removed from both, ?, % and / replaced in the model.
std::optional<std::string> WhyNeverMatches(std::u16string_view key, bool model) {
    if (key.find(u' ') != std::u16string_view::npos)
        return std::string("holds a space, but the program removes every space from the machine's ") +
               (model ? "model" : "board") + " name";
    if (model && key.find_first_of(u"?%/") != std::u16string_view::npos)
        return "holds ?, % or /, but the program replaces those by _ in the machine's model name";
    if (model && key == u"Unknown")
        return "is what a machine without a model name reads as, but without the terminator a table entry carries";
    return std::nullopt;
}

class Checker {
public:
    explicit Checker(Release& release) : release_(release), tables_(release.tables()) {}

    std::vector<Finding> Run() {
        CheckImage();
        const bool definitionsRead = CheckDefinitions();
        CheckModels();
        CheckColumnTable(kOsInfo, tables_.os, kOsNumbers);
        CheckColumnTable(kRequirementsInfo, tables_.requirements, kComponentSlots);
        if (definitionsRead) CheckAcrossTables();
        CheckStrings();
        CheckRtf();
        CheckIcon();
        return std::move(findings_);
    }

private:
    void Add(Severity severity, std::string place, std::string problem, std::string effect) {
        findings_.push_back({severity, std::move(place), std::move(problem), std::move(effect)});
    }
    void Error(std::string place, std::string problem, std::string effect) {
        Add(Severity::kError, std::move(place), std::move(problem), std::move(effect));
    }

    static std::string Place(const TableInfo& table, std::uint32_t line, std::u16string_view product = {}) {
        std::string place = std::string(table.source) + " (TXT " + to_string(table.id) + ") line " + to_string(line);
        if (!product.empty()) place += ", board " + Quoted(product);
        return place;
    }

    // ---- the PE image --------------------------------------------------

    void CheckImage() {
        const PeFacts& facts = release_.image().facts();
        const bool resourceOnly = facts.entryPoint == 0 && facts.importSize == 0 && facts.exportSize == 0 &&
                                  std::all_of(facts.sections.begin(), facts.sections.end(),
                                              [](const std::string& s) { return s == ".rsrc"; });
        if (!resourceOnly) {
            std::string sections;
            for (const std::string& s : facts.sections) sections += (sections.empty() ? "" : " ") + s;
            Error("library image",
                  "not resource-only (entry point " + to_string(facts.entryPoint) + ", imports " +
                      to_string(facts.importSize) + " bytes, exports " + to_string(facts.exportSize) +
                      " bytes, sections " + sections + ")",
                  "the program loads it as data, but a release must carry no code");
        }
        if (facts.signatureSize == 0) {
            Add(Severity::kReport, "library image", "carries no signature",
                "the program refuses it (" + ExitNumber(ExitCode::kNoCompanionLibrary) +
                    ") unless run with /nochecksignature");
        } else {
            Add(Severity::kReport, "library image",
                "carries a signature of " + to_string(facts.signatureSize) + " bytes (not verified here)",
                "the program verifies it with WinVerifyTrust before loading");
        }
    }

    // ---- the definition table ----------------------------------------

    void Missing(const TableInfo& table, const char* effect) {
        Error(std::string(table.source) + " (TXT " + to_string(table.id) + ")", "missing or empty", effect);
    }

    void Unread(const TableInfo& table, const TableLayout& layout, const char* what) {
        if (layout.unread.empty()) return;
        Error(Place(table, layout.unreadLine), std::string(what) + " " + Quoted(layout.unread.substr(0, 80)) +
                                                   " has no line end after it",
              "the program drops it");
    }

    // False when the records are out of step, so later checks that rest on
    // them would only repeat that one fault.
    bool CheckDefinitions() {
        const auto& table = tables_.definitions;
        if (!table.present) {
            Missing(kDefinitionsInfo, "every machine is not a target");
            return false;
        }
        for (std::size_t r = 0; r < table.rows.size(); ++r) {
            const TargetDefinition& row = table.rows[r];
            const RowSource& source = table.layout.rows[r];
            const std::u16string_view product = source.fields[0];
            if (source.fields.size() > kDefinitionLines && !source.fields[kDefinitionLines].empty()) {
                Error(Place(kDefinitionsInfo, source.lastLine),
                      "the line after the hash of record " + to_string(r + 1) + " (board " + Quoted(product) +
                          ") should be empty but holds " + Quoted(source.fields[kDefinitionLines]) +
                          ": a line is missing or extra in the record, or its empty line is missing",
                      "the program skips that line and reads this and every later record shifted; "
                      "later records and the checks across tables are not checked");
                return false;
            }
            CheckDefinitionRecord(row, source);
        }
        Unread(kDefinitionsInfo, table.layout, "the record starting with");
        return true;
    }

    void CheckDefinitionRecord(const TargetDefinition& row, const RowSource& source) {
        const std::u16string_view product = source.fields[0];
        const std::uint32_t line = source.firstLine;
        CheckKey(kDefinitionsInfo, line, product, false);
        const std::u16string_view action = source.fields[1];
        if (!IsWholeNumber(action)) {
            Error(Place(kDefinitionsInfo, line + 1, product), "action code " + Quoted(action) + " is not a number as written",
                  "the program reads it as " + to_string(ToNumber(row.action)));
        } else if (!IsKnownCode(row.action)) {
            Error(Place(kDefinitionsInfo, line + 1, product),
                  "action code " + to_string(ToNumber(row.action)) + " is outside 0..8",
                  "the program treats it as 0: not a target");
        }
        CheckVersion(row.action, source.fields[2], line + 2, product);
        if (IsUpdateCode(row.action)) {
            const std::u16string_view hash = source.fields[6];
            if (hash.size() != 64 || !std::all_of(hash.begin(), hash.end(), IsHexDigit)) {
                Error(Place(kDefinitionsInfo, line + 6, product),
                      "the hash " + Quoted(hash) + " is not 64 hexadecimal digits (32 bytes), it has " +
                          to_string(hash.size()) + " characters",
                      "no download ever verifies: the update ends with " + ExitNumber(ExitCode::kVerificationFailed));
            }
            CheckToolFile(source.fields[4], line + 4, product);
        }
    }

    void CheckToolFile(std::u16string_view toolFile, std::uint32_t line, std::u16string_view product) {
        switch (ClassifyToolFile(toolFile)) {
        case ToolFileKind::kEmpty:
            Error(Place(kDefinitionsInfo, line, product), "the tool file is empty",
                  "the tool is never started: the update ends with " + ExitNumber(ExitCode::kToolFailed));
            break;
        case ToolFileKind::kOutsideWorkFolder:
            Error(Place(kDefinitionsInfo, line, product),
                  "the tool file " + Quoted(toolFile) +
                      " is relative but does not stay inside the work folder (it climbs out with .., starts at a "
                      "drive's root, or holds a name Windows rewrites)",
                  "the tool is never started: the update ends with " + ExitNumber(ExitCode::kToolFailed));
            break;
        case ToolFileKind::kFullPath:
            if (!InSystemFolder(toolFile)) {
                Add(Severity::kWarning, Place(kDefinitionsInfo, line, product),
                    "the tool file " + Quoted(toolFile) + " is a full path outside the system folder",
                    "the program starts whatever is at that path on the notebook, not what the package unpacked; "
                    "only a system program (such as C:\\Windows\\System32\\msiexec.exe) is safe there");
            }
            break;
        case ToolFileKind::kInsideWorkFolder:
            break;
        }
    }

    // "<drive>:\Windows\System32\..." or "...\SysWOW64\...", in any case.
    static bool InSystemFolder(std::u16string_view path) {
        std::u16string lower;
        for (char16_t c : path) lower += (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
        if (lower.size() < 3 || lower[1] != u':') return false;
        const std::u16string_view rest = std::u16string_view(lower).substr(2);
        return rest.starts_with(u"\\windows\\system32\\") || rest.starts_with(u"\\windows\\syswow64\\");
    }

    void CheckVersion(ActionCode code, std::u16string_view text, std::uint32_t line, std::u16string_view product) {
        int count = 0;
        std::string effect;
        switch (code) {
            case ActionCode::kUpdatePmuFirmware:
            case ActionCode::kPairFirmware:
            case ActionCode::kCobalenFirmware:
                count = 3;
                effect = "the firmware update fails with the message 122/123 and the run ends with " +
                         ExitNumber(ExitCode::kNoAction);
                break;
            case ActionCode::kUpdateBios:
                count = 2;
                effect = "the BIOS update fails with the message 126/127 and the run ends with " +
                         ExitNumber(ExitCode::kNoAction);
                break;
            case ActionCode::kPairBios:
                count = 2;
                effect = "every installed BIOS counts as new enough, so the pair never offers the BIOS update";
                break;
            case ActionCode::kInstallChargeLimitTool:
                count = 4;
                effect = "every installed tool counts as current (0.0.0.0 is never newer), so it is never offered";
                break;
            default:
                return;
        }
        // The readers the actions use on the row's version.
        const bool unusable = count == 4   ? ParseVersion4(text) == Version4{}
                              : count == 2 ? ParseVersion2(text)[0] == 0
                                           : ParseVersion3(text)[0] == 0;
        if (unusable) {
            Error(Place(kDefinitionsInfo, line, product),
                  "version " + Quoted(text) + " reads as " + (code == ActionCode::kInstallChargeLimitTool ? "0.0.0.0" : "a first number of 0") +
                      " for a " + ActionName(code) + " row",
                  effect);
        }
    }

    void CheckKey(const TableInfo& table, std::uint32_t line, std::u16string_view key, bool model) {
        if (key.empty()) {
            Error(Place(table, line), std::string("empty ") + (model ? "model" : "board") + " name",
                  std::string("matches only a machine whose SMBIOS ") + (model ? "model" : "board") + " name is empty");
        } else if (const auto why = WhyNeverMatches(key, model)) {
            Error(Place(table, line), Quoted(key) + " " + *why, "no machine ever matches this line");
        }
    }

    // ---- the model list and the two TAB tables -----------------------

    void CheckModels() {
        const auto& table = tables_.models;
        if (!table.present) {
            Missing(kModelsInfo, "no model is excluded");
            return;
        }
        std::map<std::u16string_view, std::uint32_t> seen;
        for (const RowSource& source : table.layout.rows) {
            const std::u16string_view model = source.fields[0];
            CheckKey(kModelsInfo, source.firstLine, model, true);
            const auto [it, first] = seen.emplace(model, source.firstLine);
            if (!first) {
                Error(Place(kModelsInfo, source.firstLine), "model " + Quoted(model) + " is listed again",
                      "line " + to_string(it->second) + " already excludes it");
            }
        }
        Unread(kModelsInfo, table.layout, "the last model");
    }

    template <typename Row>
    void CheckColumnTable(const TableInfo& info, const ParsedTable<Row>& table, std::size_t numbers) {
        const bool requirements = info.id == TableId::kRequirementTable;
        if (!table.present) {
            Missing(info, requirements ? "no board needs essential software" : "every system is served");
            return;
        }
        std::map<std::u16string_view, std::uint32_t> seen;
        for (const RowSource& source : table.layout.rows) {
            const std::u16string_view product = source.fields[0];
            const auto swallowed = std::find_if(source.fields.begin(), source.fields.end(),
                                                [](std::u16string_view f) { return f.find(u'\r') != f.npos; });
            if (swallowed != source.fields.end()) {
                Error(Place(info, source.firstLine, product),
                      "the row has fewer than " + to_string(numbers) + " TAB-separated numbers",
                      "the program reads on into line " + to_string(source.firstLine + 1) + " for the missing ones" +
                          " and loses the row that starts there");
                continue;
            }
            CheckKey(info, source.firstLine, product, false);
            const std::u16string_view last = source.fields.back();
            if (last.find(u'\t') != last.npos) {
                Error(Place(info, source.firstLine, product), "the row has more than " + to_string(numbers) + " numbers",
                      "the program reads the last one from " + Quoted(last) + " and ignores the rest");
            }
            for (std::size_t column = 1; column < source.fields.size(); ++column) {
                const std::u16string_view text = source.fields[column];
                const std::int32_t value = ReadSigned32(text);
                if (!IsWholeNumber(text) && !(column + 1 == source.fields.size() && last.find(u'\t') != last.npos)) {
                    Error(Place(info, source.firstLine, product),
                          "column " + to_string(column + 1) + " " + Quoted(text) + " is not a number as written",
                          "the program reads it as " + to_string(value));
                } else if (requirements && value != 0 && value != 1) {
                    Error(Place(info, source.firstLine, product),
                          "column " + to_string(column + 1) + " reads as " + to_string(value) + ", not 0 or 1",
                          "only 1 means required: the program treats this component as not required");
                }
            }
            const auto [it, first] = seen.emplace(product, source.firstLine);
            if (!first) {
                Error(Place(info, source.firstLine, product), "another row for the same board",
                      "never used: the row at line " + to_string(it->second) + " comes first");
            }
        }
        Unread(info, table.layout, "the row");
    }

    // ---- rows that decide together -----------------------------------

    void CheckAcrossTables() {
        const auto& rows = tables_.definitions.rows;
        const auto& layout = tables_.definitions.layout.rows;
        std::set<std::u16string> done;  // boards whose rows have been checked
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const std::u16string& product = rows[i].product;
            if (!done.insert(product).second) continue;
            std::vector<std::size_t> same;  // later rows of this board
            for (std::size_t j = i + 1; j < rows.size(); ++j)
                if (rows[j].product == product) same.push_back(j);
            const std::u16string_view name = layout[i].fields[0];
            if (name.empty() || WhyNeverMatches(name, false)) continue;  // reported with the row
            std::size_t used = 1;
            if (IsPairCode(rows[i].action)) {
                if (same.empty()) {
                    Error(Place(kDefinitionsInfo, layout[i].firstLine, name),
                          std::string("a ") + ActionName(rows[i].action) + " row without a partner row",
                          "the program treats the machine as not a target");
                } else {
                    const ActionCode partner = rows[same[0]].action;
                    if (!IsPairCode(partner) || partner == rows[i].action) {
                        Error(Place(kDefinitionsInfo, layout[i].firstLine, name),
                              "the pair row is followed, at line " + to_string(layout[same[0]].firstLine) +
                                  ", by a row of code " + to_string(ToNumber(partner)) + " instead of its other half",
                              "selection fails and the run ends with " + ExitNumber(ExitCode::kSelectionFailed));
                    }
                    used = 2;
                }
            }
            for (std::size_t k = used - 1; k < same.size(); ++k) {
                Error(Place(kDefinitionsInfo, layout[same[k]].firstLine, name), "another row for the same board",
                      "never used: the row at line " + to_string(layout[i].firstLine) + " comes first");
            }
            if (IsUpdateCode(rows[i].action)) {
                if (!HasRow(tables_.os.rows, product))
                    Error(Place(kDefinitionsInfo, layout[i].firstLine, name), "no row in os-support.txt",
                          "the update is offered on every system, also on systems outside the eight columns");
                if (!HasRow(tables_.requirements.rows, product))
                    Error(Place(kDefinitionsInfo, layout[i].firstLine, name), "no row in requirements.txt",
                          "the essential software is never checked for this board");
            }
        }
        OrphanRows(kOsInfo, tables_.os, "never used");
        OrphanRows(kRequirementsInfo, tables_.requirements,
                   "a machine with this board that misses a required component still ends with 5 or 6");
    }

    template <typename Row>
    static bool HasRow(const std::vector<Row>& rows, const std::u16string& product) {
        return std::any_of(rows.begin(), rows.end(), [&](const Row& r) { return r.product == product; });
    }

    template <typename Row>
    void OrphanRows(const TableInfo& info, const ParsedTable<Row>& table, const char* effect) {
        for (std::size_t i = 0; i < table.rows.size(); ++i) {
            const std::u16string_view product = table.layout.rows[i].fields[0];
            if (product.empty() || WhyNeverMatches(product, false)) continue;  // reported with the row
            if (!HasRow(tables_.definitions.rows, table.rows[i].product))
                Error(Place(info, table.layout.rows[i].firstLine, table.layout.rows[i].fields[0]),
                      "no definition row for this board", effect);
        }
    }

    // ---- strings -----------------------------------------------------

    static std::string LanguageName(std::uint16_t language) {
        return (language == kLanguageJapanese ? "Japanese " : language == kLanguageEnglishUs ? "English " : "") +
               to_string(language);
    }

    void CheckStrings() {
        for (const CompanionStringInfo& string : kCompanionStrings) {
            const std::uint16_t id = string.id;
            // Languages with the same text are checked (and reported) once.
            std::map<std::u16string, std::vector<std::uint16_t>> texts;
            for (std::uint16_t language : kReleaseLanguages) {
                std::optional<std::u16string> text = release_.StringIn(language, id);
                if (!text) {
                    Error("string " + to_string(id) + " (" + LanguageName(language) + ")", "missing or empty",
                          "the program shows \"" + to_string(id) + "\" in its place");
                    continue;
                }
                texts[*text].push_back(language);
            }
            if (texts.size() > 1 && string.languages == StringLanguages::kSameInEvery) {
                Error("string " + to_string(id), "differs between the languages",
                      "what the program does depends on the language of the user's thread");
            }
            for (const auto& [text, languages] : texts) {
                std::string place = "string " + to_string(id) + " (";
                for (std::size_t i = 0; i < languages.size(); ++i) place += (i ? ", " : "") + LanguageName(languages[i]);
                CheckStringText(string, text, place + ")");
            }
        }
    }

    void CheckStringText(const CompanionStringInfo& string, const std::u16string& text, const std::string& place) {
        const std::uint16_t id = string.id;
        if (string.form == StringForm::kMessageTemplate) CheckTemplate(string, text, place);
        if (string.form == StringForm::kQueryTemplate) CheckQuery(text, place);
        if (id == StringId::kReleaseNumber && !IsWholeNumber(text, false)) {
            Error(place, "the release number " + Quoted(text) + " does not read as a number",
                  "the program reads it as " + to_string(ReadUnsigned32(text)) +
                      " and compares that with the server's release file");
        }
        if (id == StringId::kDownloadBase || id == StringId::kSupportAddress) CheckAddress(id, text, place);
        if (id == StringId::kCancelDays) {
            NoNation language;
            if (LookupCancelDays(language, text) == kNoCancelLimit)
                Error(place, "the cancel-day list " + Quoted(text) + " has no default entry 0x00000000=DAYS",
                      "users of a nation without an entry may postpone the update without limit");
        }
    }

    void CheckAddress(std::uint16_t id, std::u16string_view text, const std::string& place) {
        const bool https = text.starts_with(u"https://");
        if (!https && !text.starts_with(u"http://")) {
            Error(place, "the address " + Quoted(text) + " is not an http:// or https:// address",
                  "downloads and links built on it fail");
            return;
        }
        if (id == StringId::kDownloadBase) {
            if (!text.ends_with(u"/"))
                Error(place, "the download address " + Quoted(text) + " does not end in /",
                      "the program appends each download path and the release file name directly");
            if (!https)
                Add(Severity::kWarning, place, "the download address " + Quoted(text) + " is not https://",
                    "anyone on the network path can answer in the server's place: end every run with " +
                        ExitNumber(ExitCode::kNewerReleaseExists) +
                        " through the release check, serve any package that matches a hash they cannot forge "
                        "(a failed download or verification), and read the model and serial sent along");
        }
    }

    // FormatMessage inserts: %1..%99, optionally with !format!.
    void CheckTemplate(const CompanionStringInfo& use, std::u16string_view text, const std::string& place) {
        std::set<std::size_t> used;
        for (std::size_t i = 0; i + 1 < text.size(); ++i) {
            if (text[i] != u'%') continue;
            const char16_t next = text[i + 1];
            if (next < u'1' || next > u'9') {
                ++i;  // %%, %n, %0, %. and the like
                continue;
            }
            std::size_t number = static_cast<std::size_t>(next - u'0');
            std::size_t end = i + 2;
            if (end < text.size() && text[end] >= u'0' && text[end] <= u'9')
                number = number * 10 + static_cast<std::size_t>(text[end++] - u'0');
            bool numeric = false;
            if (end < text.size() && text[end] == u'!') {
                const std::size_t close = text.find(u'!', end + 1);
                if (close != text.npos && close > end + 1) {
                    const char16_t conversion = text[close - 1];
                    numeric = std::u16string_view(u"diouxXc").find(conversion) != std::u16string_view::npos;
                    end = close + 1;
                }
            }
            const std::string insert = Shown(text.substr(i, end - i));
            i = end - 1;
            if (number > use.inserts.size()) {
                Error(place, "the template uses " + insert + " but the program passes " +
                                 to_string(use.inserts.size()) + " insert(s): " + std::string(use.insertsAre),
                      "the expansion reads an argument that is not there");
                continue;
            }
            used.insert(number);
            const bool wantNumber = use.inserts[number - 1] == 'N';
            if (numeric != wantNumber) {
                Error(place,
                      "insert " + insert + " takes " + (numeric ? "a number" : "a text") + " but the program passes " +
                          (wantNumber ? "a number" : "a text"),
                      wantNumber ? "the number is read as the address of a text: garbage or a crash"
                                 : "the text's address is shown as a number");
            }
        }
        for (std::size_t n = 1; n <= use.inserts.size(); ++n) {
            if (!used.contains(n))
                Error(place, "the template does not use %" + to_string(n) + " (" + std::string(use.insertsAre) + ")",
                      "that part is never shown");
        }
    }

    // printf conversions of the download query: exactly two wide texts.
    void CheckQuery(std::u16string_view text, const std::string& place) {
        std::vector<std::string> conversions;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] != u'%') continue;
            std::size_t end = i + 1;
            while (end < text.size() && std::u16string_view(u"-+ #0123456789.*lhwI").find(text[end]) != std::u16string_view::npos)
                ++end;
            if (end >= text.size()) {
                conversions.push_back("%");
                break;
            }
            if (text[end] != u'%') conversions.push_back(Shown(text.substr(i, end - i + 1)));
            i = end;
        }
        const bool good = conversions.size() == 2 && std::all_of(conversions.begin(), conversions.end(), [](const std::string& c) {
                              return c == "%s" || c == "%ls" || c == "%ws";
                          });
        if (!good) {
            std::string list;
            for (const std::string& c : conversions) list += (list.empty() ? "" : " ") + c;
            Error(place, "the download query " + Quoted(text) + " has the conversions [" + list +
                             "], not two %s (model, then serial)",
                  "the download address is built from garbage, or the program crashes");
        }
    }

    // No nation: LookupCancelDays then finds the default entry only.
    class NoNation : public IThreadLanguage {
    public:
        void SetThreadLocale(std::uint32_t) override {}
        void SetThreadUILanguage(std::uint16_t) override {}
        std::int32_t GetUserNationGeoId() override { return -1; }
    };

    // ---- rich text and the icon --------------------------------------

    void CheckRtf() {
        for (std::uint32_t index = 0; index < kRtfMessageIds.size(); ++index) {
            const std::string place = "RTF " + to_string(kRtfMessageIds[index]);
            const std::vector<std::uint8_t> rtf = LoadRtfMessage(release_.modules(kLanguageEnglishUs), release_.module(), index);
            if (rtf.empty()) {
                Error(place, "missing or empty", "the dialog shows an empty message");
                continue;
            }
            const std::string_view text(reinterpret_cast<const char*>(rtf.data()), rtf.size());
            if (!text.starts_with("{\\rtf")) {
                Error(place, "does not start with {\\rtf", "the dialog shows it as plain text, control words and all");
                continue;
            }
            int depth = 0;
            bool broken = false;
            for (std::size_t i = 0; i < text.size() && !broken; ++i) {
                if (text[i] == '\\') ++i;
                else if (text[i] == '{') ++depth;
                else if (text[i] == '}') broken = --depth < 0;
            }
            if (broken || depth != 0)
                Error(place, "its braces do not balance", "the dialog shows it cut short or not at all");
        }
    }

    void CheckIcon() {
        const std::span<const std::uint8_t> group =
            release_.modules(kLanguageEnglishUs)
                .FindResourceData(release_.module(), kProgressIconId, {kRtGroupIcon, {}});
        const std::string place = "icon " + to_string(kProgressIconId);
        if (group.size() < 6) {
            Error(place, "missing", "the download progress window shows no icon");
            return;
        }
        const std::size_t count = group[4] | (group[5] << 8);
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t at = 6 + 14 * i;
            if (at + 14 > group.size()) {
                Error(place, "its directory is cut short", "the download progress window shows no icon");
                return;
            }
            const auto image = static_cast<std::uint16_t>(group[at + 12] | (group[at + 13] << 8));
            if (release_.modules(kLanguageEnglishUs).FindResourceData(release_.module(), image, {kRtIcon, {}}).empty())
                Error(place, "names image " + to_string(image) + ", which is missing",
                      "the download progress window shows no icon at that size");
        }
    }

    Release& release_;
    const ReleaseTables& tables_;
    std::vector<Finding> findings_;
};

}  // namespace

std::vector<Finding> CheckRelease(Release& release) { return Checker(release).Run(); }

std::string FormatFinding(const Finding& finding) {
    const char* label = finding.severity == Severity::kError     ? "error"
                        : finding.severity == Severity::kWarning ? "warning"
                                                                 : "report";
    return std::string(label) + ": " + finding.place + ": " + finding.problem + ". " +
           static_cast<char>(std::toupper(static_cast<unsigned char>(finding.effect[0]))) + finding.effect.substr(1) + ".";
}

}  // namespace Korvane::PC::Tarnwick::Companion
