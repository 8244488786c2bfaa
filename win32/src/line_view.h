#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace sievra {
class ResultLines;
}

namespace sievra::win32 {

// A read-only view of a big result that paints only the rows on screen,
// straight from the shared lines (8-bit bytes decoded per row as painted), so
// that ten million lines show as fast as one screenful. Ctrl+A selects all,
// Ctrl+C copies the selection.
class LineView {
 public:
  static constexpr const wchar_t* kClassName = L"SievraLineView";
  // Registers the window class once per process.
  static void Register();

  // Shows `lines` (kept alive by the caller until Clear), from the first row.
  void SetLines(HWND view, const ResultLines* lines);
  // The lines grew: more rows to scroll to, nothing moves.
  void LinesGrew(HWND view);
  void Clear(HWND view);
  // Lines may be scrolled sideways this many pixels from the text's left edge.
  void SetExtent(HWND view, int pixels);
  // Every row, joined by CR LF (a cut long line joined again), as copied.
  std::wstring Text() const;
  bool AllSelected() const { return allSelected_; }
  void SelectAll(HWND view);
  void Copy(HWND view) const;
  std::size_t TopRow() const { return top_; }

  static LineView* Of(HWND view);

 private:
  static LRESULT CALLBACK Procedure(HWND view, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(HWND view, UINT message, WPARAM wParam, LPARAM lParam);
  void Paint(HWND view);
  void ScrollTo(HWND view, std::ptrdiff_t row, int left);
  void UpdateScrollBars(HWND view);
  int RowHeight(HWND view) const;
  std::size_t VisibleRows(HWND view) const;

  const ResultLines* lines_ = nullptr;
  std::size_t top_ = 0;
  int left_ = 0;
  int extent_ = 0;
  bool allSelected_ = false;
  HFONT font_ = nullptr;
};

}  // namespace sievra::win32
