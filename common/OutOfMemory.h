// Running out of memory inside a step of the update ends that step with its
// own failure result. Left alone, std::bad_alloc would end the process with
// the runtime's abort code 3, which a deployment reads as "not a target".
#pragma once

#include <new>

namespace Korvane::PC::Tarnwick {

template <typename Result, typename Step>
Result OrOnNoMemory(Result failure, Step&& step) {
    try {
        return step();
    } catch (const std::bad_alloc&) {
        return failure;
    }
}

}  // namespace Korvane::PC::Tarnwick
