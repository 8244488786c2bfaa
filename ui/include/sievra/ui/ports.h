#pragma once

#include <string_view>

namespace sievra {

// Shows one modal message (OK only, no icon, caption "Sievra") and waits for it.
// The window's messages go through it, so that tests can record them.
class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual void ShowMessage(std::string_view text) = 0;
};

}  // namespace sievra
