// The portable version readers against the C runtime they reproduce:
// iswdigit to find the start, then swscanf_s with "%u.%u...". Wine's msvcrt
// is the reference here; Windows' own tables may know digits of scripts
// added to Unicode later.
#include <windows.h>

#include <cwchar>
#include <cwctype>

#include <gtest/gtest.h>

#include "common/RuntimeScan.h"
#include "machine/VersionProbes.h"
#include "platform/win32/WideText.h"

namespace Korvane::PC::Tarnwick {
namespace {

Version4 RuntimeParse4(const std::wstring& text) {
    Version4 numbers{};
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (std::iswdigit(text[i])) {
            swscanf_s(text.c_str() + i, L"%u.%u.%u.%u", &numbers[0], &numbers[1], &numbers[2], &numbers[3]);
            break;
        }
    }
    return numbers;
}

Version2 RuntimeParse2(const std::wstring& text) {
    Version2 numbers{};
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (std::iswdigit(text[i])) {
            swscanf_s(text.c_str() + i, L"%u.%u", &numbers[0], &numbers[1]);
            break;
        }
    }
    return numbers;
}

TEST(RuntimeScanTest, ClassificationMatchesTheRuntimeForEveryUnit) {
    for (unsigned c = 0; c <= 0xFFFF; ++c) {
        const auto unit = static_cast<wchar_t>(c);
        EXPECT_EQ(IsRuntimeDigit(static_cast<char16_t>(c)), std::iswdigit(unit) != 0) << std::hex << c;
        EXPECT_EQ(IsRuntimeSpace(static_cast<char16_t>(c)), std::iswspace(unit) != 0) << std::hex << c;
    }
}

TEST(RuntimeScanTest, ReadersMatchSwscanf) {
    const wchar_t* texts[] = {
        L"1.05", L"R1.20", L"Version 2.05", L"1.2.3.4.5", L"1..2", L"1 .2", L"1. 2", L"1.\x3000" L"2", L"\t+7.-3",
        L"1.+", L"-", L"--1", L"+-1", L"4294967295.4294967296", L"99999999999999999999.1", L"007.010",
        L"\xFF11.2", L"x\x0661.2", L"\x00B2.3", L"1.\xFF12", L"1.\x0662", L"V2.10", L"", L"abc", L"1.2\x00A0.3",
        L"12345678901234567890123.4",
    };
    for (std::size_t i = 0; i < std::size(texts); ++i) {
        SCOPED_TRACE(testing::Message() << "text #" << i);
        const std::wstring wide(texts[i]);
        EXPECT_EQ(ParseVersion4(Win32::FromWin(wide)), RuntimeParse4(wide));
        EXPECT_EQ(ParseVersion2(Win32::FromWin(wide)), RuntimeParse2(wide));
    }
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick
