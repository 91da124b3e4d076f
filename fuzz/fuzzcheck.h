#pragma once

#include <cstdlib>

// A broken promise of the code under test ends the run like a crash does.
inline void require(bool condition) {
  if (!condition)
    std::abort();
}
