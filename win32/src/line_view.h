#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "control.h"
#include "platform.h"

namespace sievra {
class ResultLines;
}

namespace sievra::win32 {

// A read-only view of a big result that paints only the rows on screen,
// straight from the shared lines (8-bit bytes decoded per row as painted), so
// that ten million lines show as fast as one screenful. Ctrl+A selects all,
// Ctrl+C copies the selection.
class LineView : public Control {
 public:
  static constexpr const wchar_t* kClassName = L"SievraLineView";

  void Create(const ControlArgs& args) override;
  // Shows `lines` (kept alive by the caller until Clear), from the first row.
  void SetLines(const ResultLines* lines);
  // The lines grew from `firstNewRow` on: more rows to scroll to, nothing
  // moves. Cheap however often it comes: the scroll bars catch up within
  // kScrollBarsCatchUpMs, and only new rows on screen are painted.
  void LinesGrew(std::size_t firstNewRow);
  static constexpr UINT kScrollBarsCatchUpMs = 100;
  void Clear() { SetLines(nullptr); }
  // Lines may be scrolled sideways this many pixels from the text's left edge.
  void SetExtent(int pixels);
  // Every row, joined by CR LF (a cut long line joined again), as copied.
  std::wstring Text() const;
  bool AllSelected() const { return allSelected_; }
  void SelectAll();
  void Copy() const;

 private:
  template <class Window>
  friend LRESULT CALLBACK ObjectProcedure(HWND, UINT, WPARAM, LPARAM);
  LRESULT WindowProc(HWND view, UINT message, WPARAM wParam, LPARAM lParam);
  void OnSetFont(HFONT font, bool redraw);
  void OnClick();
  // The wheel and both scroll bars.
  void OnScroll(UINT message, WPARAM wParam);
  void OnKeyDown(WPARAM key);
  void OnContextMenu(POINT at);
  std::ptrdiff_t RowAfterScroll(int request) const;
  int LeftAfterScroll(int request) const;
  void Paint();
  void Redraw() const { InvalidateRect(Handle(), nullptr, FALSE); }
  void ScrollTo(std::ptrdiff_t row, int left);
  void UpdateScrollBars();
  void OnScrollBarsDue();
  int RowHeight() const;
  std::size_t VisibleRows() const;

  const ResultLines* lines_ = nullptr;
  std::size_t top_ = 0;
  int left_ = 0;
  int extent_ = 0;
  bool allSelected_ = false;
  bool scrollBarsDue_ = false;  // the lines grew since the scroll bars were set
  HFONT font_ = nullptr;
};

}  // namespace sievra::win32
