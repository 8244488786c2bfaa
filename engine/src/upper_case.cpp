#include "sievra/upper_case.h"

#include <cctype>

namespace sievra {

UpperCaser::UpperCaser() {
  for (int c = 0; c < 256; ++c)
    map_[static_cast<std::size_t>(c)] = static_cast<unsigned char>(std::toupper(c));
}

std::string UpperCaser::Apply(std::string_view text) const {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>((*this)(c));
  return upper;
}

}  // namespace sievra
