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

bool UpperCaser::LineStartsWith(std::string_view line, std::string_view upperTarget) const {
  if (line.size() < upperTarget.size()) return false;
  for (std::size_t i = 0; i < upperTarget.size(); ++i) {
    if ((*this)(line[i]) != static_cast<unsigned char>(upperTarget[i])) return false;
  }
  return true;
}

}  // namespace sievra
