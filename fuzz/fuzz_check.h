#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace sievra::fuzz {

// Stops the fuzzer with a readable reason when an invariant breaks; libFuzzer
// then saves the input that broke it.
inline void Require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

inline std::string_view AsText(const unsigned char* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

}  // namespace sievra::fuzz
