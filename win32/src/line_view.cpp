#include "line_view.h"

#include <windowsx.h>

#include <algorithm>

#include "sievra/presentation/result_lines.h"
#include "text.h"

namespace sievra::win32 {

namespace {
constexpr int kTextMargin = 4;  // pixels around the text, as the rich-text box has
constexpr int kWheelRows = 3;

SCROLLINFO ScrollInfo(UINT mask) {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = mask;
  return info;
}
}  // namespace

void LineView::Register() {
  static const bool registered = [] {
    WNDCLASSEXW type{};
    type.cbSize = sizeof type;
    type.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    type.lpfnWndProc = Procedure;
    type.hInstance = GetModuleHandleW(nullptr);
    type.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32513));  // the I-beam
    type.lpszClassName = kClassName;
    return RegisterClassExW(&type) != 0;
  }();
  (void)registered;
}

LineView* LineView::Of(HWND view) {
  return reinterpret_cast<LineView*>(GetWindowLongPtrW(view, GWLP_USERDATA));
}

LRESULT CALLBACK LineView::Procedure(HWND view, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    SetWindowLongPtrW(view, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new LineView));
  }
  LineView* self = Of(view);
  if (!self) return DefWindowProcW(view, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(view, GWLP_USERDATA, 0);
    delete self;
    return DefWindowProcW(view, message, wParam, lParam);
  }
  return self->Handle(view, message, wParam, lParam);
}

LRESULT LineView::Handle(HWND view, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETFONT:
      font_ = reinterpret_cast<HFONT>(wParam);
      UpdateScrollBars(view);
      if (lParam) InvalidateRect(view, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_);
    case WM_SIZE:
      UpdateScrollBars(view);
      return 0;
    case WM_PAINT:
      Paint(view);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // painted whole in WM_PAINT
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_LBUTTONDOWN:
      SetFocus(view);
      if (allSelected_) {
        allSelected_ = false;
        InvalidateRect(view, nullptr, FALSE);
      }
      return 0;
    case WM_MOUSEWHEEL: {
      const int notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
      ScrollTo(view, static_cast<std::ptrdiff_t>(top_) - notches * kWheelRows, left_);
      return 0;
    }
    case WM_VSCROLL: {
      SCROLLINFO info = ScrollInfo(SIF_ALL);
      GetScrollInfo(view, SB_VERT, &info);
      const auto page = static_cast<std::ptrdiff_t>(std::max<UINT>(1, info.nPage));
      auto row = static_cast<std::ptrdiff_t>(top_);
      switch (LOWORD(wParam)) {
        case SB_LINEUP:
          --row;
          break;
        case SB_LINEDOWN:
          ++row;
          break;
        case SB_PAGEUP:
          row -= page;
          break;
        case SB_PAGEDOWN:
          row += page;
          break;
        case SB_TOP:
          row = 0;
          break;
        case SB_BOTTOM:
          row = info.nMax;
          break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
          row = info.nTrackPos;
          break;
        default:
          break;
      }
      ScrollTo(view, row, left_);
      return 0;
    }
    case WM_HSCROLL: {
      SCROLLINFO info = ScrollInfo(SIF_ALL);
      GetScrollInfo(view, SB_HORZ, &info);
      int left = left_;
      switch (LOWORD(wParam)) {
        case SB_LINELEFT:
          left -= 20;
          break;
        case SB_LINERIGHT:
          left += 20;
          break;
        case SB_PAGELEFT:
          left -= static_cast<int>(info.nPage);
          break;
        case SB_PAGERIGHT:
          left += static_cast<int>(info.nPage);
          break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
          left = info.nTrackPos;
          break;
        default:
          break;
      }
      ScrollTo(view, static_cast<std::ptrdiff_t>(top_), left);
      return 0;
    }
    case WM_KEYDOWN: {
      const bool control = GetKeyState(VK_CONTROL) < 0;
      const auto page = static_cast<std::ptrdiff_t>(VisibleRows(view));
      const auto top = static_cast<std::ptrdiff_t>(top_);
      if (control && wParam == 'A')
        SelectAll(view);
      else if (control && (wParam == 'C' || wParam == VK_INSERT))
        Copy(view);
      else if (wParam == VK_UP)
        ScrollTo(view, top - 1, left_);
      else if (wParam == VK_DOWN)
        ScrollTo(view, top + 1, left_);
      else if (wParam == VK_PRIOR)
        ScrollTo(view, top - page, left_);
      else if (wParam == VK_NEXT)
        ScrollTo(view, top + page, left_);
      else if (wParam == VK_HOME && control)
        ScrollTo(view, 0, 0);
      else if (wParam == VK_END && control)
        ScrollTo(view, PTRDIFF_MAX / 2, left_);
      return 0;
    }
    case WM_CONTEXTMENU: {
      // The same two commands as the keyboard's Ctrl+C and Ctrl+A.
      HMENU menu = CreatePopupMenu();
      const UINT copyState = allSelected_ ? MF_ENABLED : MF_GRAYED;
      AppendMenuW(menu, MF_STRING | copyState, 1, L"&Copy\tCtrl+C");
      AppendMenuW(menu, MF_STRING, 2, L"Select &All\tCtrl+A");
      POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (at.x == -1 && at.y == -1) {  // from the keyboard: at the view's corner
        at = {0, 0};
        ClientToScreen(view, &at);
      }
      const int chosen =
          TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, view, nullptr);
      DestroyMenu(menu);
      if (chosen == 1) Copy(view);
      if (chosen == 2) SelectAll(view);
      return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateRect(view, nullptr, FALSE);
      return 0;
    default:
      return DefWindowProcW(view, message, wParam, lParam);
  }
}

void LineView::SetLines(HWND view, const ResultLines* lines) {
  lines_ = lines;
  top_ = 0;
  left_ = 0;
  allSelected_ = false;
  UpdateScrollBars(view);
  InvalidateRect(view, nullptr, FALSE);
}

void LineView::LinesGrew(HWND view) {
  UpdateScrollBars(view);
  InvalidateRect(view, nullptr, FALSE);
}

void LineView::Clear(HWND view) { SetLines(view, nullptr); }

void LineView::SetExtent(HWND view, int pixels) {
  extent_ = std::max(0, pixels);
  UpdateScrollBars(view);
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

void LineView::SelectAll(HWND view) {
  allSelected_ = lines_ && lines_->RowCount() > 0;
  InvalidateRect(view, nullptr, FALSE);
}

void LineView::Copy(HWND view) const {
  if (!allSelected_ || !OpenClipboard(view)) return;
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

int LineView::RowHeight(HWND view) const {
  HDC dc = GetDC(view);
  HGDIOBJ old = SelectObject(dc, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(view, dc);
  return std::max(1, static_cast<int>(metrics.tmHeight + metrics.tmExternalLeading));
}

std::size_t LineView::VisibleRows(HWND view) const {
  RECT client{};
  GetClientRect(view, &client);
  return static_cast<std::size_t>(std::max(1L, (client.bottom - kTextMargin) / RowHeight(view)));
}

void LineView::UpdateScrollBars(HWND view) {
  RECT client{};
  GetClientRect(view, &client);
  const std::size_t rows = lines_ ? lines_->RowCount() : 0;
  SCROLLINFO vertical = ScrollInfo(SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL);
  vertical.nMax = static_cast<int>(std::min<std::size_t>(rows, INT_MAX)) - 1;
  vertical.nPage = static_cast<UINT>(VisibleRows(view));
  vertical.nPos = static_cast<int>(top_);
  SetScrollInfo(view, SB_VERT, &vertical, TRUE);
  SCROLLINFO horizontal = ScrollInfo(SIF_RANGE | SIF_PAGE | SIF_POS);
  horizontal.nMax = extent_;
  horizontal.nPage = static_cast<UINT>(std::max(0L, client.right));
  horizontal.nPos = left_;
  SetScrollInfo(view, SB_HORZ, &horizontal, TRUE);
}

void LineView::ScrollTo(HWND view, std::ptrdiff_t row, int left) {
  const std::size_t rows = lines_ ? lines_->RowCount() : 0;
  const std::size_t visible = VisibleRows(view);
  const auto last = static_cast<std::ptrdiff_t>(rows > visible ? rows - visible : 0);
  RECT client{};
  GetClientRect(view, &client);
  top_ = static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(row, 0, last));
  left_ = std::clamp(left, 0, std::max(0, extent_ - static_cast<int>(client.right)));
  UpdateScrollBars(view);
  InvalidateRect(view, nullptr, FALSE);
}

void LineView::Paint(HWND view) {
  PAINTSTRUCT paint{};
  HDC dc = BeginPaint(view, &paint);
  RECT client{};
  GetClientRect(view, &client);
  const bool highlight = allSelected_;
  FillRect(dc, &client, GetSysColorBrush(highlight ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  HGDIOBJ old = SelectObject(dc, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(highlight ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  const int height = RowHeight(view);
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
    UpdateScrollBars(view);
  }
  SelectObject(dc, old);
  EndPaint(view, &paint);
}

}  // namespace sievra::win32
