#pragma once

#include <cstdio>
#include <cstdlib>

// Stops the fuzzer with the broken invariant named, so that the input is kept.
inline void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}
