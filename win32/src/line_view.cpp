#include "line_view.h"

#include <windowsx.h>

#include <algorithm>

#include "sievra/presentation/result_lines.h"
#include "text.h"

namespace sievra::win32 {

namespace {
constexpr int kTextMargin = 4;  // pixels around the text, as the rich-text box has
constexpr int kWheelRows = 3;
constexpr int kSideStep = 20;  // pixels a click on a sideways scroll arrow moves
constexpr UINT_PTR kScrollBarsTimer = 1;

SCROLLINFO ScrollInfo(UINT mask) {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = mask;
  return info;
}

void Register() {
  static const bool registered = [] {
    WNDCLASSEXW type{};
    type.cbSize = sizeof type;
    type.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    type.lpfnWndProc = ObjectProcedure<LineView>;
    type.hInstance = GetModuleHandleW(nullptr);
    type.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32513));  // the I-beam
    type.lpszClassName = LineView::kClassName;
    return RegisterClassExW(&type) != 0;
  }();
  (void)registered;
}
}  // namespace

void LineView::Create(const ControlArgs& args) {
  Register();
  CreateNative(args, kClassName, WS_TABSTOP | WS_VSCROLL | WS_HSCROLL, WS_EX_CLIENTEDGE, this);
}

LRESULT LineView::WindowProc(HWND view, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE:
    case WM_NCDESTROY:
      Attach(message == WM_NCCREATE ? view : nullptr);
      break;
    case WM_SETFONT:
      OnSetFont(reinterpret_cast<HFONT>(wParam), lParam != 0);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_);
    case WM_SIZE:
      UpdateScrollBars();
      return 0;
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // painted whole in WM_PAINT
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_LBUTTONDOWN:
      OnClick();
      return 0;
    case WM_MOUSEWHEEL:
    case WM_VSCROLL:
    case WM_HSCROLL:
      OnScroll(message, wParam);
      return 0;
    case WM_KEYDOWN:
      OnKeyDown(wParam);
      return 0;
    case WM_CONTEXTMENU:
      OnContextMenu({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Redraw();
      return 0;
    case WM_TIMER:
      if (wParam != kScrollBarsTimer) break;
      OnScrollBarsDue();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(view, message, wParam, lParam);
}

void LineView::OnSetFont(HFONT font, bool redraw) {
  font_ = font;
  UpdateScrollBars();
  if (redraw) InvalidateRect(Handle(), nullptr, TRUE);
}

void LineView::OnScroll(UINT message, WPARAM wParam) {
  const auto top = static_cast<std::ptrdiff_t>(top_);
  if (message == WM_MOUSEWHEEL)
    ScrollTo(top - GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA * kWheelRows, left_);
  else if (message == WM_VSCROLL)
    ScrollTo(RowAfterScroll(LOWORD(wParam)), left_);
  else
    ScrollTo(top, LeftAfterScroll(LOWORD(wParam)));
}

void LineView::OnClick() {
  SetFocus(Handle());
  if (allSelected_) {
    allSelected_ = false;
    Redraw();
  }
}

std::ptrdiff_t LineView::RowAfterScroll(int request) const {
  SCROLLINFO info = ScrollInfo(SIF_ALL);
  GetScrollInfo(Handle(), SB_VERT, &info);
  const auto page = static_cast<std::ptrdiff_t>(std::max<UINT>(1, info.nPage));
  const auto row = static_cast<std::ptrdiff_t>(top_);
  switch (request) {
    case SB_LINEUP:
      return row - 1;
    case SB_LINEDOWN:
      return row + 1;
    case SB_PAGEUP:
      return row - page;
    case SB_PAGEDOWN:
      return row + page;
    case SB_TOP:
      return 0;
    case SB_BOTTOM:
      return info.nMax;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      return info.nTrackPos;
    default:
      return row;
  }
}

int LineView::LeftAfterScroll(int request) const {
  SCROLLINFO info = ScrollInfo(SIF_ALL);
  GetScrollInfo(Handle(), SB_HORZ, &info);
  switch (request) {
    case SB_LINELEFT:
      return left_ - kSideStep;
    case SB_LINERIGHT:
      return left_ + kSideStep;
    case SB_PAGELEFT:
      return left_ - static_cast<int>(info.nPage);
    case SB_PAGERIGHT:
      return left_ + static_cast<int>(info.nPage);
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      return info.nTrackPos;
    default:
      return left_;
  }
}

void LineView::OnKeyDown(WPARAM key) {
  const bool control = GetKeyState(VK_CONTROL) < 0;
  const auto page = static_cast<std::ptrdiff_t>(VisibleRows());
  const auto top = static_cast<std::ptrdiff_t>(top_);
  if (control && key == 'A')
    SelectAll();
  else if (control && (key == 'C' || key == VK_INSERT))
    Copy();
  else if (key == VK_UP)
    ScrollTo(top - 1, left_);
  else if (key == VK_DOWN)
    ScrollTo(top + 1, left_);
  else if (key == VK_PRIOR)
    ScrollTo(top - page, left_);
  else if (key == VK_NEXT)
    ScrollTo(top + page, left_);
  else if (key == VK_HOME && control)
    ScrollTo(0, 0);
  else if (key == VK_END && control)
    ScrollTo(PTRDIFF_MAX / 2, left_);
}

// The same two commands as the keyboard's Ctrl+C and Ctrl+A.
void LineView::OnContextMenu(POINT at) {
  HMENU menu = CreatePopupMenu();
  const UINT copyState = allSelected_ ? MF_ENABLED : MF_GRAYED;
  AppendMenuW(menu, MF_STRING | copyState, 1, L"&Copy\tCtrl+C");
  AppendMenuW(menu, MF_STRING, 2, L"Select &All\tCtrl+A");
  if (at.x == -1 && at.y == -1) {  // from the keyboard: at the view's corner
    at = {0, 0};
    ClientToScreen(Handle(), &at);
  }
  const int chosen =
      TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, Handle(), nullptr);
  DestroyMenu(menu);
  if (chosen == 1) Copy();
  if (chosen == 2) SelectAll();
}

void LineView::SetLines(const ResultLines* lines) {
  lines_ = lines;
  top_ = 0;
  left_ = 0;
  allSelected_ = false;
  UpdateScrollBars();
  Redraw();
}

// Setting a scroll bar repaints it at once, which takes Wine milliseconds: a
// result growing a few lines at a time sets them once per timer tick instead.
void LineView::LinesGrew(std::size_t firstNewRow) {
  if (!scrollBarsDue_) {
    scrollBarsDue_ = true;
    SetTimer(Handle(), kScrollBarsTimer, kScrollBarsCatchUpMs, nullptr);
  }
  if (firstNewRow < top_ + VisibleRows()) Redraw();
}

void LineView::OnScrollBarsDue() {
  KillTimer(Handle(), kScrollBarsTimer);
  if (!scrollBarsDue_) return;
  UpdateScrollBars();
}

void LineView::SetExtent(int pixels) {
  extent_ = std::max(0, pixels);
  UpdateScrollBars();
}

std::wstring LineView::Text() const {
  std::wstring text;
  if (!lines_) return text;
  for (std::size_t row = 0; row < lines_->RowCount(); ++row) {
    if (row > 0 && !lines_->ContinuesLine(row)) text += L"\r\n";
    text += WideFromAnsi(lines_->RowBytes(row));
  }
  return text;
}

void LineView::SelectAll() {
  allSelected_ = lines_ && lines_->RowCount() > 0;
  Redraw();
}

void LineView::Copy() const {
  if (!allSelected_ || !OpenClipboard(Handle())) return;
  const std::wstring text = Text();
  EmptyClipboard();
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
    std::copy_n(text.c_str(), text.size() + 1, static_cast<wchar_t*>(GlobalLock(memory)));
    GlobalUnlock(memory);
    if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
  }
  CloseClipboard();
}

int LineView::RowHeight() const {
  HDC dc = GetDC(Handle());
  HGDIOBJ old = SelectObject(dc, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(Handle(), dc);
  return std::max(1, static_cast<int>(metrics.tmHeight + metrics.tmExternalLeading));
}

std::size_t LineView::VisibleRows() const {
  RECT client{};
  GetClientRect(Handle(), &client);
  return static_cast<std::size_t>(std::max(1L, (client.bottom - kTextMargin) / RowHeight()));
}

void LineView::UpdateScrollBars() {
  scrollBarsDue_ = false;
  RECT client{};
  GetClientRect(Handle(), &client);
  const std::size_t rows = lines_ ? lines_->RowCount() : 0;
  SCROLLINFO vertical = ScrollInfo(SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL);
  vertical.nMax = static_cast<int>(std::min<std::size_t>(rows, INT_MAX)) - 1;
  vertical.nPage = static_cast<UINT>(VisibleRows());
  vertical.nPos = static_cast<int>(top_);
  SetScrollInfo(Handle(), SB_VERT, &vertical, TRUE);
  SCROLLINFO horizontal = ScrollInfo(SIF_RANGE | SIF_PAGE | SIF_POS);
  horizontal.nMax = extent_;
  horizontal.nPage = static_cast<UINT>(std::max(0L, client.right));
  horizontal.nPos = left_;
  SetScrollInfo(Handle(), SB_HORZ, &horizontal, TRUE);
}

void LineView::ScrollTo(std::ptrdiff_t row, int left) {
  const std::size_t rows = lines_ ? lines_->RowCount() : 0;
  const std::size_t visible = VisibleRows();
  const auto last = static_cast<std::ptrdiff_t>(rows > visible ? rows - visible : 0);
  RECT client{};
  GetClientRect(Handle(), &client);
  top_ = static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(row, 0, last));
  left_ = std::clamp(left, 0, std::max(0, extent_ - static_cast<int>(client.right)));
  UpdateScrollBars();
  Redraw();
}

void LineView::Paint() {
  PAINTSTRUCT paint{};
  HDC dc = BeginPaint(Handle(), &paint);
  RECT client{};
  GetClientRect(Handle(), &client);
  const bool highlight = allSelected_;
  FillRect(dc, &client, GetSysColorBrush(highlight ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  HGDIOBJ old = SelectObject(dc, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(highlight ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  const int height = RowHeight();
  const std::size_t rows = lines_ ? lines_->RowCount() : 0;
  int y = kTextMargin;
  int widest = 0;
  for (std::size_t row = top_; row < rows && y < client.bottom; ++row, y += height) {
    if (y + height < paint.rcPaint.top) continue;
    const std::wstring text = WideFromAnsi(lines_->RowBytes(row));
    ExtTextOutW(dc, kTextMargin - left_, y, ETO_CLIPPED, &client, text.c_str(),
                static_cast<UINT>(text.size()), nullptr);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    widest = std::max(widest, static_cast<int>(size.cx) + 2 * kTextMargin);
  }
  if (widest > extent_) {
    // A row wider than the margin: it can be scrolled to, not cut off.
    extent_ = widest;
    UpdateScrollBars();
  }
  SelectObject(dc, old);
  EndPaint(Handle(), &paint);
}

}  // namespace sievra::win32
