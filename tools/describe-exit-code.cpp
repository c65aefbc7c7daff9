// Prints what a Tarnwick exit code means: describe-exit-code CODE
#include <cstdio>
#include <cstdlib>

#include "run/ExitCode.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: describe-exit-code CODE\n");
        return 2;
    }
    const long code = std::strtol(argv[1], nullptr, 10);
    std::printf("%s\n", Korvane::PC::Tarnwick::DescribeExitCode(static_cast<std::int32_t>(code)));
    return 0;
}
