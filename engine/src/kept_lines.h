#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace sievra {

// The table of kept lines, indexed from 0; slot 0 is never used. The table owns
// a copy of every stored line, each followed by the run's line end, laid out in
// blocks in the order stored: the blocks are the output, written as they are
// (no copy into a write buffer). Memory grows with what is kept, not with the input.
class KeptLineTable {
 public:
  // Slots 0..lastSlot, all empty; whatever an earlier run left is discarded.
  void Resize(std::size_t lastSlot);
  // What follows every stored line: "\r\n" or "\n". Set before the first Store.
  void SetLineEnd(std::string_view lineEnd) { lineEnd_ = lineEnd; }
  // Stores head followed by tail in slot k (k >= 1), growing the table when the
  // counting pass counted fewer; returns the stored copy, without its line end.
  std::string_view Store(std::size_t k, std::string_view head, std::string_view tail = {});

  std::size_t size() const { return lastSlot_ + 1 > stored_ ? lastSlot_ + 1 : stored_; }
  std::string_view operator[](std::size_t k) const;

  // The stored bytes, lines and line ends, block by block in order. Blocks
  // before the last are complete: nothing more is stored in them.
  std::size_t BlockCount() const { return blocks_.size(); }
  std::string_view Block(std::size_t i) const;

 private:
  // Slots live in fixed chunks that are only allocated once a line reaches them:
  // sizing the table for every input line costs nothing for lines never kept.
  static constexpr std::size_t kChunkSlots = std::size_t{1} << 16;
  char* Allocate(std::size_t bytes);
  const char*& Slot(std::size_t k);

  std::size_t lastSlot_ = 0;
  std::size_t stored_ = 0;  // slots below this are allocated
  // 8 bytes a slot, the line's address: its end is the line end stored after it.
  std::vector<std::unique_ptr<const char*[]>> chunks_;
  std::vector<std::unique_ptr<char[]>> blocks_;
  std::vector<std::size_t> blockBytes_;  // bytes used in each block
  std::string_view lineEnd_ = "\r\n";
  char* free_ = nullptr;
  std::size_t freeBytes_ = 0;
};

}  // namespace sievra
