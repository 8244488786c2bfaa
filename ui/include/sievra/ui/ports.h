#pragma once

#include <string>
#include <string_view>

namespace sievra {

// How a file is loaded into a rich-text box.
enum class LoadFileType { RichText, PlainText };

// The operations of a rich-text box that showing a run relies on. The results
// box implements it; tests supply recording fakes.
class ResultsBox {
 public:
  virtual ~ResultsBox() = default;
  // Replaces the whole content with the file's text; false when the file cannot be read.
  virtual bool LoadFile(const std::string& path, LoadFileType type) = 0;
  // Empties the box.
  virtual void Clear() = 0;
  // Current width in twips.
  virtual float Width() const = 0;
  // Lines wrap at this margin (twips) instead of at the visible edge.
  virtual void SetRightMargin(float twips) = 0;
};

// Shows one modal message (OK only, no icon, caption "Sievra") and waits for it.
class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual void ShowMessage(std::string_view text) = 0;
};

}  // namespace sievra
