// What a harness asserts: a broken promise stops the fuzzer at the input
// that broke it, in builds with or without assertions.
#pragma once

namespace qp_fuzz {

inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace qp_fuzz
