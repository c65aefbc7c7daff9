// `check LIBRARY`: everything in a built companion library that would make
// the program misbehave, read with the program's own readers and parsers.
#pragma once

#include <string>
#include <vector>

#include "tools/companion-tool/Release.h"

namespace Korvane::PC::Tarnwick::Companion {

enum class Severity { kError, kWarning, kReport };

struct Finding {
    Severity severity = Severity::kError;
    std::string place;    // table and line, or string and language
    std::string problem;  // what is written
    std::string effect;   // what the program does with it
};

std::vector<Finding> CheckRelease(Release& release);

// "error: PLACE: PROBLEM. EFFECT." for a terminal or a log.
std::string FormatFinding(const Finding& finding);

}  // namespace Korvane::PC::Tarnwick::Companion
