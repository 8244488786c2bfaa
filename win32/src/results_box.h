#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "control.h"
#include "line_view.h"

namespace sievra {
class ResultLines;
}

namespace sievra::win32 {

// The read-only RichEdit of the results box, in plain-text mode.
class ResultsRichEdit : public Control {
 public:
  void Create(const ControlArgs& args) override;
};

// The results box: a read-only RichEdit holding the output file as plain text
// while it is small, and the virtual line view once it is big (RichEdit takes
// seconds per megabyte to load). Both sit at the same place; one is shown.
class ResultsBox {
 public:
  // Up to this many bytes the result goes to RichEdit (Wine's RichEdit takes
  // about a second per 200 KB; Windows' is many times faster).
  static constexpr std::uint64_t kRichEditLimit = std::uint64_t{64} << 10;

  // Both views at `args.place`: the RichEdit with `args.id`, the line view with `linesId`.
  void Create(const ControlArgs& args, int linesId);
  void Layout(UINT dpi, HFONT font);
  // Shows `lines`; rows from `firstNewRow` on are new. 0 starts a new result,
  // whose right margin is the box's width + 10000 twips, and whose whole size
  // is `expectedBytes` (the output file's), so that a big one goes straight
  // to the line view.
  void Show(const ResultLines& lines, std::size_t firstNewRow, UINT dpi,
            std::uint64_t expectedBytes = 0);
  void Clear();
  // The box's width in twips at this DPI.
  float Width(UINT dpi) const;
  float RightMargin() const { return rightMarginTwips_; }
  bool ShowsLineView() const { return showsLines_; }
  HWND RichEdit() const { return rich_.Handle(); }
  const LineView& Lines() const { return lines_; }
  // The whole content, lines joined by CR LF.
  std::wstring Text() const;

 private:
  void EmptyRichEdit();
  void ShowLineView(bool lineView);
  void AppendToRichEdit(const ResultLines& lines, std::size_t firstNewRow) const;
  void ApplyRightMargin(UINT dpi);

  ResultsRichEdit rich_;
  LineView lines_;
  UINT dpi_ = 96;
  std::uint64_t expectedBytes_ = 0;
  bool showsLines_ = false;
  float rightMarginTwips_ = 0;
};

}  // namespace sievra::win32
