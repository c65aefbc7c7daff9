// The SMBIOS seam of the test build: TARNWICK_TEST_SMBIOS names a file of raw
// firmware-table bytes (written by tools/make-smbios.py at build time), and
// the machine identity is read from it through the real text conversion.
// Built into tarnwick_win_hooks_tests with tarnwick_win32_testhooks.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "machine/MachineIdentity.h"
#include "tests/unit/TestText.h"
#include "platform/FirmwareTables.h"
#include "platform/win32/Win32Platform.h"

namespace Korvane::PC::Tarnwick::Win32 {
namespace {

constexpr wchar_t kVariable[] = L"TARNWICK_TEST_SMBIOS";

std::wstring SmbiosFile(const wchar_t* name) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L'\\') + 1) + L"smbios\\" + name;
}

std::u16string Counted(std::u16string_view visible) {
    std::u16string text(visible);
    text.push_back(u'\0');
    return text;
}


// The identity's rules applied to an 8-bit text, converted by the real
// MultiByteToWideChar of the system code page (NUL included).
std::u16string Converted(const char* bytes) {
    const int length = static_cast<int>(std::strlen(bytes)) + 1;
    std::wstring wide(static_cast<std::size_t>(length) * 2, L'\0');
    const int written = MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, bytes, length, wide.data(), length * 2);
    return std::u16string(wide.begin(), wide.begin() + written);
}

void SetVariable(const std::wstring& value) {
    // The seam reads the runtime's copy of the environment (_wgetenv), which
    // _wputenv keeps in step with the process environment.
    ASSERT_EQ(_wputenv((std::wstring(kVariable) + L"=" + value).c_str()), 0);
}

class SmbiosSeamTest : public ::testing::Test {
protected:
    void SetUp() override { SetVariable(L""); }
    void TearDown() override { SetVariable(L""); }

    static MachineIdentity ReadFrom(const std::wstring& file) {
        SetVariable(file);
        std::unique_ptr<IFirmwareTables> tables = CreateFirmwareTables();
        EXPECT_EQ(dynamic_cast<FirmwareTables*>(tables.get()), nullptr) << "the variable was not used";
        Text text;
        return ReadMachineIdentity(*tables, text);
    }
};

struct IdentityCase {
    const wchar_t* file;  // in smbios/ beside this program (see tests/win/CMakeLists.txt)
    std::u16string manufacturer, product, model, serial;
    bool makersMachine;
};

TEST_F(SmbiosSeamTest, IdentityFromGeneratedTables) {
    const std::vector<IdentityCase> cases{
        // Spaces go from product and model; "?", "%" and "/" become "_" in
        // model and serial; the manufacturer is taken as it is.
        {L"korvane-kbx1001.bin", Counted(u"KORVANE"), Counted(u"KBX1001"), Counted(u"KN1001_A_"),
         Counted(u"SN 12_3"), true},
        {L"korvane-sv.bin", Counted(u"KORVANE-SV"), Counted(u"KBX2002"), Counted(u"KN-2002"), Counted(u"R-7_7__"),
         true},
        {L"other-maker.bin", Counted(u"Korvane Inc."), Counted(u"B/X?1"), Counted(u"Laptop"), Counted(u"0042"),
         false},
        // No serial: make-smbios.py writes string number 0, which reads as the
        // first string of the set (the manufacturer).
        {L"no-serial.bin", Counted(u"KORVANE"), Counted(u"KBX3003"), Counted(u"KN-3003"), Counted(u"KORVANE"), true},
        // No strings at all: each field is the converted empty text, a lone
        // NUL.
        {L"no-strings.bin", Counted(u""), Counted(u""), Counted(u""), Counted(u""), false},
    };
    for (const IdentityCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "smbios\\" << std::string(c.file, c.file + wcslen(c.file)));
        const MachineIdentity machine = ReadFrom(SmbiosFile(c.file));
        EXPECT_EQ(Printable(machine.manufacturer), Printable(c.manufacturer));
        EXPECT_EQ(Printable(machine.product), Printable(c.product));
        EXPECT_EQ(Printable(machine.model), Printable(c.model));
        EXPECT_EQ(Printable(machine.serial), Printable(c.serial));
        EXPECT_EQ(IsMakersMachine(machine), c.makersMachine);
    }
}

TEST_F(SmbiosSeamTest, EightBitTextsConvertThroughTheSystemCodePage) {
    // smbios/accented.bin: manufacturer "Café Système", model "Modèle 5é",
    // serial "Nº 7/é" in Windows-1252.
    const MachineIdentity machine = ReadFrom(SmbiosFile(L"accented.bin"));
    const std::u16string manufacturer = Converted("Caf\xE9 Syst\xE8me");
    const std::u16string model = Converted("Mod\xE8le5\xE9");
    const std::u16string serial = Converted("N\xBA 7_\xE9");
    EXPECT_EQ(Printable(machine.manufacturer), Printable(manufacturer));
    EXPECT_EQ(Printable(machine.model), Printable(model));
    EXPECT_EQ(Printable(machine.serial), Printable(serial));
    EXPECT_EQ(Printable(machine.product), Printable(Counted(u"KBX1001")));
    if (GetACP() == 1252) {
        EXPECT_EQ(Printable(machine.manufacturer), Printable(Counted(u"Caf\u00E9 Syst\u00E8me")));
        EXPECT_EQ(Printable(machine.serial), Printable(Counted(u"N\u00BA 7_\u00E9")));
    } else {
        std::printf("note: system code page %u, not 1252\n", GetACP());
    }
}

TEST_F(SmbiosSeamTest, UnreadableFileGivesFourEmptyFields) {
    for (const wchar_t* name : {L"does-not-exist.bin", L"header-only.bin"}) {
        SCOPED_TRACE(testing::Message() << std::string(name, name + wcslen(name)));
        const MachineIdentity machine = ReadFrom(SmbiosFile(name));
        EXPECT_EQ(Printable(machine.manufacturer), "");
        EXPECT_EQ(Printable(machine.product), "");
        EXPECT_EQ(Printable(machine.model), "");
        EXPECT_EQ(Printable(machine.serial), "");
        EXPECT_FALSE(IsMakersMachine(machine));
    }
}

TEST_F(SmbiosSeamTest, WithoutTheVariableTheSystemTablesAreRead) {
    wchar_t value[8] = {};
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetEnvironmentVariableW(kVariable, value, 8), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ENVVAR_NOT_FOUND));

    std::unique_ptr<IFirmwareTables> tables = CreateFirmwareTables();
    ASSERT_NE(dynamic_cast<FirmwareTables*>(tables.get()), nullptr) << "not the real interface";
    Text text;
    const MachineIdentity machine = ReadMachineIdentity(*tables, text);

    // Whatever this system has: without tables, four empty fields; with
    // them, texts that carry their counted terminator ("Unknown" aside).
    const UINT listed = EnumSystemFirmwareTables(kRsmbProvider, nullptr, 0);
    if (listed == 0) {
        EXPECT_EQ(Printable(machine.manufacturer), "");
        EXPECT_EQ(Printable(machine.product), "");
        EXPECT_EQ(Printable(machine.model), "");
        EXPECT_EQ(Printable(machine.serial), "");
    } else {
        for (const std::u16string* field : {&machine.manufacturer, &machine.product, &machine.model, &machine.serial}) {
            SCOPED_TRACE(Printable(*field));
            EXPECT_TRUE(field->empty() || field->back() == u'\0' || *field == u"Unknown");
        }
    }
    std::printf("note: EnumSystemFirmwareTables('RSMB') lists %u bytes; identity \"%s\" \"%s\" \"%s\" \"%s\"\n",
                listed, Printable(machine.manufacturer).c_str(), Printable(machine.product).c_str(),
                Printable(machine.model).c_str(), Printable(machine.serial).c_str());
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick::Win32
