#pragma once

#include <array>
#include <string>
#include <string_view>

namespace sievra {

// Byte-wise upper-casing with the C library's toupper under the current locale,
// captured once into a table so that the callsign and every line go through the
// very same mapping (and the hot loops avoid a locale lookup per byte).
class UpperCaser {
 public:
  UpperCaser();
  unsigned char operator()(char c) const { return map_[static_cast<unsigned char>(c)]; }
  std::string Apply(std::string_view text) const;
  // True when the first target.size() bytes of line, upper-cased, equal target.
  bool LineStartsWith(std::string_view line, std::string_view upperTarget) const {
    if (line.size() < upperTarget.size()) return false;
    for (std::size_t i = 0; i < upperTarget.size(); ++i) {
      if ((*this)(line[i]) != static_cast<unsigned char>(upperTarget[i])) return false;
    }
    return true;
  }

 private:
  std::array<unsigned char, 256> map_{};
};

}  // namespace sievra
