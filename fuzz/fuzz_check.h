#pragma once
// How a fuzz target reports a broken property: it names the property and aborts, so that
// libFuzzer keeps the input that broke it.
//
// Thread: any.

#include <cstdio>
#include <cstdlib>

namespace zav::fuzz {

inline void Require(bool holds, const char* property) {
    if (!holds) {
        std::fprintf(stderr, "broken: %s\n", property);
        std::abort();
    }
}

}  // namespace zav::fuzz
