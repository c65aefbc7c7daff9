// Set-up helpers for tests that run PrepareEnvironment on the test twins.
#pragma once

#include <string>

#include "platform/fakes/FakePlatform.h"

namespace Korvane::PC::Tarnwick {

// Where PrepareEnvironment looks for the companion library when the program
// is FakeModules' default "C:\Tools\Tarnwick.exe".
inline const std::u16string kFakeCompanionLibraryPath = u"C:\\Tools\\battery.dll";

// Puts an (empty) companion library beside the fake program: a plain file
// that the fake trust check accepts and LoadLibraryEx finds. Returns the
// module, so the test can add strings and tables to it.
inline FakeModules::Module& InstallCompanionLibrary(FakePlatform& fakes) {
    fakes.files.attributes[kFakeCompanionLibraryPath] = 0x20;  // FILE_ATTRIBUTE_ARCHIVE
    return fakes.modules.files[kFakeCompanionLibraryPath];
}

}  // namespace Korvane::PC::Tarnwick
