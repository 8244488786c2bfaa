#include "line_index.h"

namespace sievra {

void LineIndex::Reset(std::size_t expected) {
  std::size_t capacity = 16;
  while (capacity * 2 < expected * 3) capacity *= 2;
  std::vector<Slot>(capacity).swap(slots_);
  used_ = 0;
}

void LineIndex::Grow() {
  std::vector<Slot> old(slots_.size() * 2);
  old.swap(slots_);
  const std::size_t mask = slots_.size() - 1;
  for (const Slot& s : old) {
    if (s.text == nullptr) continue;
    const std::size_t length = static_cast<std::size_t>(s.lengthAndTag >> kTagBits);
    std::size_t i = HashText(std::string_view(s.text, length)) & mask;
    while (slots_[i].text != nullptr) i = (i + 1) & mask;
    slots_[i] = s;
  }
}

}  // namespace sievra
