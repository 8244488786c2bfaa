#include "line_index.h"

#include <algorithm>
#include <memory>
#include <span>
#include <utility>

namespace sievra {

void LineIndex::Reset(std::size_t expected) {
  std::size_t capacity = 16;
  while (capacity * 2 < expected * 3) capacity *= 2;
  Allocate(capacity);
  used_ = 0;
}

void LineIndex::Allocate(std::size_t capacity) {
  storage_ = LargeBuffer(capacity * sizeof(Slot));
  slots_ = reinterpret_cast<Slot*>(storage_.data());
  std::uninitialized_value_construct_n(slots_, capacity);
  capacity_ = capacity;
}

void LineIndex::Grow() {
  const LargeBuffer old = std::move(storage_);
  const std::span<const Slot> oldSlots(slots_, capacity_);
  Allocate(std::max<std::size_t>(16, capacity_ * 2));
  const std::size_t mask = capacity_ - 1;
  for (const Slot& s : oldSlots) {
    if (s.text == nullptr) continue;
    const auto length = static_cast<std::size_t>(s.lengthAndTag >> kTagBits);
    std::size_t i = HashText(std::string_view(s.text, length)) & mask;
    while (slots_[i].text != nullptr) i = (i + 1) & mask;
    slots_[i] = s;
  }
}

}  // namespace sievra
