// The built battery.dll, loaded as data the way the program loads it and
// read through the real resource API: every text in both languages, the
// rich-text messages and the templates as FormatMessageW expands them; and
// the portable PE reader of tarnwick-companion reading the same as the
// loader does.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "definitions/CompanionResources.h"
#include "definitions/DefinitionTables.h"
#include "platform/portable/PortableModules.h"
#include "platform/portable/PortableText.h"
#include "platform/win32/Win32Platform.h"
#include "tests/unit/TestText.h"
#include "tools/companion-tool/Catalogue.h"

namespace Korvane::PC::Tarnwick::Win32 {
namespace {

constexpr LANGID kEnglish = 1033;
constexpr LANGID kJapanese = 1041;
constexpr LANGID kLanguages[] = {kEnglish, kJapanese};
// The ids of the catalogue's strings, in order.
constexpr std::array<std::uint16_t, kCompanionStrings.size()> kStringIds = [] {
    std::array<std::uint16_t, kCompanionStrings.size()> ids{};
    for (std::size_t i = 0; i < ids.size(); ++i) ids[i] = kCompanionStrings[i].id;
    return ids;
}();

std::wstring BesideThisProgram(const wchar_t* name) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L'\\') + 1) + name;
}

std::u16string Decimal(unsigned value) {
    const std::string digits = std::to_string(value);
    return {digits.begin(), digits.end()};
}

using StringTable = std::map<std::uint16_t, std::u16string>;

class CompanionLibraryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const std::wstring path = BesideThisProgram(L"battery.dll");
        SetLastError(0xdeadbeef);
        library_ = modules_.LoadLibraryEx(std::u16string(path.begin(), path.end()), kLoadLibraryAsDatafile);
        loadError_ = GetLastError();
    }
    static void TearDownTestSuite() {
        if (library_ != nullptr) modules_.FreeLibrary(library_);
        library_ = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(library_, nullptr) << "LoadLibraryExW(battery.dll, LOAD_LIBRARY_AS_DATAFILE) failed, error "
                                     << loadError_;
    }
    static HMODULE Handle() { return static_cast<HMODULE>(const_cast<void*>(library_)); }

    // Every non-empty entry of the catalogue's string blocks in `language`,
    // read with FindResourceExW. Failures are reported here.
    static StringTable ReadStrings(LANGID language) {
        StringTable table;
        std::vector<std::uint16_t> blocks;
        for (std::uint16_t id : kStringIds) blocks.push_back(static_cast<std::uint16_t>(id / 16 + 1));
        blocks.erase(std::unique(blocks.begin(), blocks.end()), blocks.end());
        for (std::uint16_t block : blocks) {
            SCOPED_TRACE(testing::Message() << "string block " << block << ", language " << language);
            SetLastError(0xdeadbeef);
            HRSRC resource = FindResourceExW(Handle(), RT_STRING, MAKEINTRESOURCEW(block), language);
            if (resource == nullptr) {
                ADD_FAILURE() << "FindResourceExW failed, error " << GetLastError();
                continue;
            }
            const DWORD size = SizeofResource(Handle(), resource);
            const auto* data = static_cast<const std::uint8_t*>(LockResource(LoadResource(Handle(), resource)));
            if (data == nullptr) {
                ADD_FAILURE() << "LoadResource/LockResource gave no data";
                continue;
            }
            std::size_t offset = 0;
            for (unsigned entry = 0; entry < 16; ++entry) {
                if (offset + 2 > size) break;
                const std::size_t length = data[offset] | (data[offset + 1] << 8);
                if (offset + 2 + 2 * length > size) {
                    ADD_FAILURE() << "entry " << entry << " of length " << length << " runs past the block ("
                                  << size << " bytes)";
                    break;
                }
                if (length != 0) {
                    std::u16string text(length, u'\0');
                    for (std::size_t i = 0; i < length; ++i)
                        text[i] = static_cast<char16_t>(data[offset + 2 + 2 * i] | (data[offset + 3 + 2 * i] << 8));
                    table[static_cast<std::uint16_t>((block - 1) * 16 + entry)] = std::move(text);
                }
                offset += 2 + 2 * length;
            }
        }
        return table;
    }

    static Modules modules_;
    static ModuleHandle library_;
    static DWORD loadError_;
};

Modules CompanionLibraryTest::modules_;
ModuleHandle CompanionLibraryTest::library_ = nullptr;
DWORD CompanionLibraryTest::loadError_ = 0;

TEST_F(CompanionLibraryTest, EveryCatalogueTextIsPresentInBothLanguages) {
    std::map<LANGID, StringTable> tables;
    for (LANGID language : kLanguages) {
        SCOPED_TRACE(testing::Message() << "language " << language);
        tables[language] = ReadStrings(language);
        for (std::uint16_t id : kStringIds) {
            SCOPED_TRACE(testing::Message() << "string " << id);
            EXPECT_EQ(tables[language].count(id), 1u) << "missing or empty";
        }
    }
    // The machine line (control 1006) is a single-line box: its templates
    // hold no line break.
    EXPECT_EQ(Printable(tables[kEnglish][112]), Printable(u"Model: %1, %2"));
    // The Japanese block really is another translation, not a copy.
    for (std::uint16_t id : {109, 116, 117, 120}) {
        SCOPED_TRACE(testing::Message() << "string " << id);
        const std::u16string& japanese = tables[kJapanese][id];
        EXPECT_NE(japanese, tables[kEnglish][id]) << Printable(japanese);
        EXPECT_TRUE(std::any_of(japanese.begin(), japanese.end(), [](char16_t c) { return c >= 0x3000; }))
            << Printable(japanese);
    }
}

TEST_F(CompanionLibraryTest, StringBlocksExistOnlyInTheTwoLanguages) {
    // Control for the lookup by language above: a language the library does
    // not carry is not found.
    const auto block = static_cast<std::uint16_t>(kStringIds.front() / 16 + 1);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(FindResourceExW(Handle(), RT_STRING, MAKEINTRESOURCEW(block), MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN)),
              nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_LANG_NOT_FOUND));
}

TEST_F(CompanionLibraryTest, LoadCompanionStringFollowsTheThreadLanguage) {
    const StringTable english = ReadStrings(kEnglish);
    const StringTable japanese = ReadStrings(kJapanese);
    const LCID savedLocale = GetThreadLocale();
    const LANGID savedUi = GetThreadUILanguage();
    ThreadLanguage language;  // what /language sets
    struct Pass {
        LANGID id;
        const StringTable* texts;
    };
    for (const Pass& pass : {Pass{kJapanese, &japanese}, Pass{kEnglish, &english}}) {
        SCOPED_TRACE(testing::Message() << "thread language " << pass.id);
        language.SetThreadLocale(pass.id);
        language.SetThreadUILanguage(pass.id);
        for (std::uint16_t id : kStringIds) {
            SCOPED_TRACE(testing::Message() << "string " << id);
            const std::u16string text = LoadCompanionString(modules_, library_, id);
            EXPECT_NE(text, Decimal(id)) << "read as missing";
            const auto wanted = pass.texts->find(id);
            if (wanted != pass.texts->end()) {
                EXPECT_EQ(Printable(text), Printable(wanted->second));
            }
        }
    }
    SetThreadLocale(savedLocale);
    SetThreadUILanguage(savedUi);
    // An id outside the catalogue (in a block that exists) reads as its
    // number.
    EXPECT_EQ(Printable(LoadCompanionString(modules_, library_, 113)), "113");
}

// tarnwick-companion reads libraries through PortableModules on any system; here
// it must read what the loader gives the program, resource by resource.
TEST_F(CompanionLibraryTest, PortableReaderReadsWhatTheLoaderGives) {
    PortableModules portable;
    std::string error;
    const std::wstring path = BesideThisProgram(L"battery.dll");
    const ModuleHandle file = portable.LoadFile(std::filesystem::path(path), error);
    ASSERT_NE(file, nullptr) << error;
    for (std::uint16_t id : {TableId::kDefinitionTable, TableId::kExcludedModelList, TableId::kOsSupportTable,
                             TableId::kRequirementTable}) {
        SCOPED_TRACE(testing::Message() << "TXT " << id);
        const std::span<const char16_t> real = LoadTextTable(modules_, library_, id);
        const std::span<const char16_t> read = LoadTextTable(portable, file, id);
        ASSERT_FALSE(real.empty());
        EXPECT_TRUE(std::equal(real.begin(), real.end(), read.begin(), read.end()));
    }
    for (std::uint32_t index = 0; index < kRtfMessageIds.size(); ++index)
        EXPECT_EQ(LoadRtfMessage(modules_, library_, index), LoadRtfMessage(portable, file, index)) << index;
    const auto icon = [](IModules& modules, ModuleHandle module) {
        const std::span<const std::uint8_t> bytes =
            modules.FindResourceData(module, kProgressIconId, {Companion::kRtGroupIcon, {}});
        return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
    };
    EXPECT_FALSE(icon(modules_, library_).empty());
    EXPECT_EQ(icon(modules_, library_), icon(portable, file));

    const LCID savedLocale = GetThreadLocale();
    const LANGID savedUi = GetThreadUILanguage();
    ThreadLanguage language;
    for (LANGID id : kLanguages) {
        language.SetThreadLocale(id);
        language.SetThreadUILanguage(id);
        portable.SetLanguage(id);
        for (std::uint16_t string : kStringIds) {
            SCOPED_TRACE(testing::Message() << "language " << id << ", string " << string);
            EXPECT_EQ(Printable(LoadCompanionString(portable, file, string)),
                      Printable(LoadCompanionString(modules_, library_, string)));
        }
        // Rich text follows the thread's UI language like the strings.
        for (std::uint32_t index = 0; index < kRtfMessageIds.size(); ++index) {
            SCOPED_TRACE(testing::Message() << "language " << id << ", RTF index " << index);
            const std::vector<std::uint8_t> rtf = LoadRtfMessage(modules_, library_, index);
            EXPECT_EQ(rtf, LoadRtfMessage(portable, file, index));
            portable.SetLanguage(kEnglish);
            EXPECT_EQ(id == kEnglish, rtf == LoadRtfMessage(portable, file, index)) << "the other language's text";
            portable.SetLanguage(id);
        }
    }
    SetThreadLocale(savedLocale);
    SetThreadUILanguage(savedUi);
}

TEST_F(CompanionLibraryTest, RichTextMessagesAreWholeDocuments) {
    for (std::uint32_t index = 0; index < kRtfMessageIds.size(); ++index) {
        const std::uint16_t id = kRtfMessageIds[index];
        SCOPED_TRACE(testing::Message() << "index " << index << ", RTF " << id);
        const std::vector<std::uint8_t> rtf = LoadRtfMessage(modules_, library_, index);
        ASSERT_GT(rtf.size(), 5u);
        EXPECT_EQ(std::string(rtf.begin(), rtf.begin() + 5), "{\\rtf");
        // Byte for byte the resource of that id.
        SetLastError(0xdeadbeef);
        HRSRC resource = FindResourceW(Handle(), MAKEINTRESOURCEW(id), L"RTF");
        ASSERT_NE(resource, nullptr) << GetLastError();
        EXPECT_EQ(rtf.size(), SizeofResource(Handle(), resource));
    }
    EXPECT_TRUE(LoadRtfMessage(modules_, library_, 8).empty());
}

// The arguments each template of the library is expanded with.
std::vector<FormatArgument> ArgumentsFor(std::uint16_t id) {
    switch (id) {
        case StringId::kMachineLineWithVersion:
            return {std::u16string_view(u"KN-1001X"), std::u16string_view(u"2.0.4")};
        case StringId::kFirmwareVersionSentence: return {4021u, 57u, 9u};
        case StringId::kBiosVersionSentence: return {std::u16string_view(u"R1.07Q")};
        case StringId::kMachineLine: return {std::u16string_view(u"KN-7007Lite")};
        case StringId::kChargeToolVersionSentence: return {std::u16string_view(u"1.2.3.3")};
        case StringId::kReleaseLine: return {7314u};
        case StringId::kDaysLeftQuestion: return {29u};
        default: return {};
    }
}

std::u16string AsText(const FormatArgument& argument) {
    if (const auto* text = std::get_if<std::u16string_view>(&argument)) return std::u16string(*text);
    return Decimal(std::get<std::uint32_t>(argument));
}

TEST_F(CompanionLibraryTest, TemplatesExpandThroughFormatMessage) {
    Text win32;
    PortableText portable;
    for (LANGID language : kLanguages) {
        const StringTable texts = ReadStrings(language);
        for (const CompanionStringInfo& use : kCompanionStrings) {
            if (use.form != StringForm::kMessageTemplate) continue;
            const std::uint16_t id = use.id;
            SCOPED_TRACE(testing::Message() << "language " << language << ", template " << id);
            const auto found = texts.find(id);
            ASSERT_NE(found, texts.end());
            const std::u16string& templateText = found->second;
            const std::vector<FormatArgument> arguments = ArgumentsFor(id);
            ASSERT_FALSE(arguments.empty());

            FormatResult result = win32.FormatFromString(templateText, arguments);
            ASSERT_EQ(result.error, 0u) << Printable(templateText);
            const std::u16string& text = result.text;
            EXPECT_EQ(text.find(u'%'), std::u16string::npos) << Printable(text);
            for (const FormatArgument& argument : arguments)
                EXPECT_NE(text.find(AsText(argument)), std::u16string::npos)
                    << Printable(AsText(argument)) << " not in " << Printable(text);
            // The words before the first insert come through unchanged.
            const std::u16string lead = templateText.substr(0, templateText.find(u'%'));
            EXPECT_EQ(Printable(text.substr(0, lead.size())), Printable(lead));

            // FormatTemplate, as the program calls it, gives the same text.
            std::u16string viaTemplate;
            if (arguments.size() == 1)
                viaTemplate = FormatTemplate(win32, templateText, {arguments[0]});
            else if (arguments.size() == 2)
                viaTemplate = FormatTemplate(win32, templateText, {arguments[0], arguments[1]});
            else
                viaTemplate = FormatTemplate(win32, templateText, {arguments[0], arguments[1], arguments[2]});
            EXPECT_EQ(Printable(viaTemplate), Printable(text));

            const FormatResult host = portable.FormatFromString(templateText, arguments);
            EXPECT_EQ(host.error, 0u);
            EXPECT_EQ(Printable(host.text), Printable(text)) << "portable and FormatMessageW differ";
        }
    }
    // In the English text the firmware version reads as a dotted triple.
    const StringTable english = ReadStrings(kEnglish);
    EXPECT_NE(win32.FormatFromString(english.at(147), ArgumentsFor(147)).text.find(u"4021.57.9"),
              std::u16string::npos);
}

struct TrickyTemplate {
    const char16_t* text;
    std::vector<FormatArgument> arguments;
    const char16_t* expected;  // null: only agreement is checked
};

TEST(FormatTemplateAgreementTest, PortableExpansionMatchesFormatMessageW) {
    using namespace std::string_view_literals;
    const std::vector<TrickyTemplate> cases{
        {u"100%% sure", {}, u"100% sure"},
        {u"one%ntwo", {}, u"one\r\ntwo"},
        {u"%1!u! files", {42u}, u"42 files"},
        {u"%1!08x!", {0xBEEFu}, u"0000beef"},
        {u"%1!X!", {0xBEEFu}, u"BEEF"},
        {u"%1!d!", {0xFFFFFFFFu}, u"-1"},
        {u"%1!u!%%", {50u}, u"50%"},
        {u"no inserts here.", {}, u"no inserts here."},
        {u"%2 before %1", {u"a"sv, u"b"sv}, u"b before a"},
        {u"%1%1", {u"x"sv}, u"xx"},
        {u"[%1!5s!]", {u"ab"sv}, u"[   ab]"},
        {u"[%1!-5s!]", {u"ab"sv}, u"[ab   ]"},
        {u"%1!s!", {u"text"sv}, u"text"},
        {u"stop%0after", {}, u"stop"},
        {u"%10", {u"a"sv, u"b"sv, u"c"sv, u"d"sv, u"e"sv, u"f"sv, u"g"sv, u"h"sv, u"i"sv, u"j"sv}, u"j"},
        {u"ends in %", {}, nullptr},
        {u"%", {}, nullptr},
        {u"a%. b%! c%  d", {}, nullptr},
        {u"tab%tcr%r.", {}, nullptr},
        {u"line\nbreak", {}, nullptr},
        {u"cr\ronly", {}, nullptr},
        {u"crlf\r\nkept", {}, nullptr},
        {u"odd %z insert", {}, nullptr},
        {u"%1!u! of %2!u!", {3u, 0u}, u"3 of 0"},
    };
    Text win32;
    PortableText portable;
    int bothSucceeded = 0;
    for (const TrickyTemplate& c : cases) {
        SCOPED_TRACE(testing::Message() << "template \"" << Printable(c.text) << "\"");
        const FormatResult real = win32.FormatFromString(c.text, c.arguments);
        const FormatResult host = portable.FormatFromString(c.text, c.arguments);
        if (c.expected != nullptr) {
            EXPECT_EQ(real.error, 0u);
            EXPECT_EQ(Printable(real.text), Printable(c.expected)) << "FormatMessageW";
            EXPECT_EQ(host.error, 0u);
        }
        if (real.error == 0 && host.error == 0) {
            ++bothSucceeded;
            EXPECT_EQ(Printable(host.text), Printable(real.text)) << "portable and FormatMessageW differ";
        } else if (real.error == 0 || host.error == 0) {
            std::printf("note: \"%s\": FormatMessageW error %u, portable error %u\n", Printable(c.text).c_str(),
                        real.error, host.error);
        }
    }
    EXPECT_GE(bothSucceeded, static_cast<int>(cases.size()) - 3);
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick::Win32
