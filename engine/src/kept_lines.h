#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace sievra {

// The kept lines: a copy of every stored line, each followed by the run's line
// end, in the order stored, in blocks of a few megabytes. The blocks are the output,
// written as they are (no copy into a write buffer); a kept line is found again
// only through the index's address of it, so nothing is kept per line here.
// Memory grows with what is kept, not with the input.
class KeptLineTable {
 public:
  // Discards every stored line.
  void Clear();
  // What follows every stored line: "\r\n" or "\n". Set before the first Store.
  void SetLineEnd(std::string_view lineEnd) { lineEnd_ = lineEnd; }
  // Stores head followed by tail; returns the stored copy, without its line end.
  std::string_view Store(std::string_view head, std::string_view tail = {});

  // The stored bytes, lines and line ends, block by block in order. Blocks
  // before the last are complete: nothing more is stored in them.
  std::size_t BlockCount() const { return blocks_.size(); }
  std::string_view Block(std::size_t i) const { return {blocks_[i].get(), blockBytes_[i]}; }

 private:
  char* Allocate(std::size_t bytes);

  std::vector<std::unique_ptr<char[]>> blocks_;
  std::vector<std::size_t> blockBytes_;  // bytes used in each block
  std::string_view lineEnd_ = "\r\n";
  char* free_ = nullptr;
  std::size_t freeBytes_ = 0;
};

}  // namespace sievra
