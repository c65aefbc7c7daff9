// One implementation of each interface, bundled for the program.
#include "platform/win32/Win32JobLimits.h"
#include "platform/win32/Win32Platform.h"

namespace Korvane::PC::Tarnwick::Win32 {

Win32Platform::Win32Platform(HINSTANCE instance)
    : dialogs_(instance),
      taskDialogs_(instance),
      firmware_(CreateFirmwareTables()),
      jobLimits_(CreateJobLimits()),
      platform_{commandLine_, language_, sync_,  dialogs_, taskDialogs_, registry_, *firmware_,
                modules_,     files_,    text_,  trust_,   clock_,       system_,
                processes_,   accessLibraries_, internet_, hashing_, threads_, workFiles_, shell_, jobLimits_,
                environment_, paths_, shellOpen_, outputFiles_, runAccount_} {}

}  // namespace Korvane::PC::Tarnwick::Win32
