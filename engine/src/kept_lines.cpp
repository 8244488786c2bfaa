#include "sievra/kept_lines.h"

namespace sievra {

void KeptLineTable::Resize(std::size_t lastSlot) {
  bytes_.reset();
  slots_.assign(lastSlot + 1, std::string_view());
}

void KeptLineTable::AdoptBytes(std::unique_ptr<char[]> bytes) {
  // Views into the bytes being released would dangle.
  slots_.assign(slots_.size(), std::string_view());
  bytes_ = std::move(bytes);
}

void KeptLineTable::Store(std::size_t k, std::string_view line) {
  if (k >= slots_.size()) slots_.resize(k + 1);
  slots_[k] = line;
}

}  // namespace sievra
