// tarnwick-companion: check, simulate and compare companion libraries
// (Commands.h).
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <iostream>
#include <string>
#include <vector>

#include "tools/companion-tool/Commands.h"

int main(int argc, char** argv) {
#ifdef _WIN32
    // The bytes as written: CSV rows end in CR LF already, and JSON and the
    // tables are the same on every system.
    (void)_setmode(_fileno(stdout), _O_BINARY);
#endif
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return Korvane::PC::Tarnwick::Companion::RunCommand(arguments, std::cout, std::cerr);
}
