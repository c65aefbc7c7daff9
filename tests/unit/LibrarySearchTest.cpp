#include "platform/LibrarySearch.h"

#include <gtest/gtest.h>

#include "tests/unit/TestText.h"

namespace Korvane::PC::Tarnwick {
namespace {

// Without SetDefaultDllDirectories the search flags are refused, so a
// library of the system must be named by its full path in the system folder,
// with the altered search order for its own imports;
// with it, the name and the system-folder flag are enough.
TEST(LibrarySearchTest, SystemLibrariesComeFromTheSystemFolderOnly) {
    for (const std::u16string_view name : {u"wintrust.dll", u"wininet.dll", u"Msftedit.dll"}) {
        SCOPED_TRACE(Printable(name));
        const LibraryLoad fallback = PlanSystemLibraryLoad(false, u"C:\\Windows\\system32", name);
        EXPECT_EQ(Printable(fallback.path), Printable(u"C:\\Windows\\system32\\" + std::u16string(name)));
        EXPECT_EQ(fallback.flags, kLoadWithAlteredSearchPath) << "its imports from its folder, not the program's";
        EXPECT_TRUE(IsFullPath(fallback.path));

        const LibraryLoad restricted = PlanSystemLibraryLoad(true, u"", name);
        EXPECT_EQ(Printable(restricted.path), Printable(name));
        EXPECT_EQ(restricted.flags, kLoadLibrarySearchSystem32);
    }
    // A system folder given with its trailing separator gets no second one.
    EXPECT_EQ(Printable(PlanSystemLibraryLoad(false, u"C:\\", u"x.dll").path), Printable(u"C:\\x.dll"));
}

TEST(LibrarySearchTest, AccessLibraryKeepsItsFolderForItsOwnImports) {
    const std::u16string path = u"C:\\Program Files\\Korvane\\VXN02E3\\access.dll";
    EXPECT_EQ(PlanLoadBesideItsImports(true, path).flags, kLoadLibrarySearchDllLoadDir | kLoadLibrarySearchSystem32);
    EXPECT_EQ(PlanLoadBesideItsImports(false, path).flags, kLoadWithAlteredSearchPath);
    EXPECT_EQ(Printable(PlanLoadBesideItsImports(false, path).path), Printable(path));
    EXPECT_EQ(Printable(FolderOf(path)), Printable(u"C:\\Program Files\\Korvane\\VXN02E3"));
    EXPECT_EQ(Printable(FolderOf(u"C:\\access.dll")), Printable(u"C:\\"));
    EXPECT_EQ(Printable(FolderOf(u"\\\\server\\share\\a.dll")), Printable(u"\\\\server\\share"));
}

TEST(LibrarySearchTest, OnlyDriveAndNetworkPathsAreFull) {
    for (const std::u16string_view full : {u"C:\\a.dll", u"c:/a.dll", u"\\\\server\\share\\a.dll"}) {
        EXPECT_TRUE(IsFullPath(full)) << Printable(full);
    }
    for (const std::u16string_view searched :
         {u"", u"a.dll", u"sub\\a.dll", u"\\a.dll", u"C:a.dll", u"1:\\a.dll", u"\\\\\\a.dll", u"..\\a.dll"}) {
        EXPECT_FALSE(IsFullPath(searched)) << Printable(searched);
    }
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick
