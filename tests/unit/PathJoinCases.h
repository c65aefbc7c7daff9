// The joins of a folder and a file name that both IPaths::Combine
// implementations must give alike: the test twin's (tests/unit) and the real
// one over PathCombineW (tests/win).
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace Korvane::PC::Tarnwick {

struct PathJoinCase {
    std::u16string_view folder;
    std::u16string_view file;
    std::optional<std::u16string_view> joined;  // nullopt: the join fails
};

// Together more than 260 characters.
inline const std::u16string kTooLongFolder(200, u'a');
inline const std::u16string kTooLongFile(100, u'b');

inline const std::array<PathJoinCase, 13> kPathJoinCases{{
    {u"C:\\w\\Pemberlin0", u"sub\\t.exe", u"C:\\w\\Pemberlin0\\sub\\t.exe"},
    {u"C:\\K\\", u"ec.dll", u"C:\\K\\ec.dll"},                   // one backslash between
    {u"C:\\K", u"", u"C:\\K"},                                    // an empty file gives the folder
    {u"C:\\w\\Pemberlin0", u"D:\\abs\\t.exe", u"D:\\abs\\t.exe"},  // a full path replaces the folder
    {u"C:\\K", u"\\\\server\\share\\x.dll", u"\\\\server\\share\\x.dll"},
    {u"C:\\K\\sub", u"\\x.dll", u"C:\\x.dll"},                     // one leading backslash: the folder's root
    {u"\\\\server\\share\\K", u"\\x.dll", u"\\\\server\\share\\x.dll"},
    {u"C:\\K\\sub", u"..\\ec.dll", u"C:\\K\\ec.dll"},              // "." and ".." folded
    {u"C:\\a\\b", u"..\\c.dll", u"C:\\a\\c.dll"},
    {u"C:\\K\\sub", u".\\x.dll", u"C:\\K\\sub\\x.dll"},
    {u"C:\\K\\sub\\deeper", u"..\\..\\x.dll", u"C:\\K\\x.dll"},
    {u"C:\\K\\.\\sub\\..", u"x.dll", u"C:\\K\\x.dll"},
    {kTooLongFolder, kTooLongFile, std::nullopt},
}};

}  // namespace Korvane::PC::Tarnwick
