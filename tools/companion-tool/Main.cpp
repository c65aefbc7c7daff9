// tarnwick-companion: check, simulate and compare companion libraries
// (Commands.h).
#include <iostream>
#include <string>
#include <vector>

#include "tools/companion-tool/Commands.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return Korvane::PC::Tarnwick::Companion::RunCommand(arguments, std::cout, std::cerr);
}
