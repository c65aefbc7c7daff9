// A key that carries the counted terminator (see MachineIdentity.h): the
// product and model of the identity, the product column of the tables and
// the entries of the model list. Two keys match when they have the same
// length and the same units, terminators included; no case folding, no
// trimming. Comparing with a plain literal is not offered: a literal has no
// terminator and would never match, so it does not compile.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace Korvane::PC::Tarnwick {

class CountedKey {
public:
    explicit CountedKey(const std::u16string& text) : text_(text) {}
    template <std::size_t N>
    CountedKey(const char16_t (&)[N]) = delete;

    friend bool operator==(const CountedKey& a, const CountedKey& b) { return a.text_ == b.text_; }

private:
    std::u16string_view text_;
};

}  // namespace Korvane::PC::Tarnwick
