#include "results_box.h"

#include <richedit.h>

#include <algorithm>

#include "sievra/presentation/result_lines.h"
#include "text.h"

namespace sievra::win32 {

void ResultsRichEdit::Create(const ControlArgs& args) {
  LoadLibraryW(L"Msftedit.dll");
  CreateNative(args, MSFTEDIT_CLASS,
               WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL |
                   ES_AUTOHSCROLL | ES_NOHIDESEL,
               WS_EX_CLIENTEDGE);
  HWND box = Handle();
  SendMessageW(box, EM_SETTEXTMODE, TM_PLAINTEXT | TM_SINGLELEVELUNDO, 0);
  SendMessageW(box, EM_SETUNDOLIMIT, 0, 0);  // nothing to undo in a read-only box
  SendMessageW(box, EM_EXLIMITTEXT, 0, static_cast<LPARAM>(ResultsBox::kRichEditLimit * 2));
  SendMessageW(box, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(GetSysColor(COLOR_WINDOW)));
}

void ResultsBox::Create(const ControlArgs& args, int linesId) {
  rich_.Create(args);
  ControlArgs lines = args;
  lines.id = linesId;
  lines_.Create(lines);
  ShowLineView(false);
}

// Emptying a RichEdit of many lines takes minutes under Wine, replacing it
// moments: a fresh control takes the old one's place, in the tab order too.
void ResultsBox::EmptyRichEdit() {
  if (GetWindowTextLengthW(rich_.Handle()) == 0) return;
  HWND old = rich_.Handle();
  HWND parent = GetParent(old);
  HWND before = GetWindow(old, GW_HWNDPREV);
  const bool hadFocus = GetFocus() == old;
  const bool visible = IsWindowVisible(old) != FALSE;
  const auto font = reinterpret_cast<HFONT>(SendMessageW(old, WM_GETFONT, 0, 0));
  const ControlArgs args{parent, GetDlgCtrlID(old), L"", rich_.Place(), false};
  ShowWindow(old, SW_HIDE);
  DestroyWindow(old);
  rich_.Create(args);
  SetWindowPos(rich_.Handle(), before ? before : HWND_TOP, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  rich_.Layout(dpi_, font);
  rich_.Show(visible);
  if (rightMarginTwips_ > 0) ApplyRightMargin(dpi_);
  if (hadFocus) SetFocus(rich_.Handle());
}

void ResultsBox::Layout(UINT dpi, HFONT font) {
  dpi_ = dpi;
  rich_.Layout(dpi, font);
  lines_.Layout(dpi, font);
  if (rightMarginTwips_ > 0) ApplyRightMargin(dpi);
}

void ResultsBox::Show(const ResultLines& lines, std::size_t firstNewRow, UINT dpi,
                      std::uint64_t expectedBytes) {
  if (firstNewRow == 0) expectedBytes_ = expectedBytes;
  const bool big = std::max(lines.ByteCount(), expectedBytes_) > kRichEditLimit;
  if (firstNewRow == 0) {
    Clear();
    rightMarginTwips_ = Width(dpi) + static_cast<float>(kResultsRightMarginExtraTwips);
    ApplyRightMargin(dpi);  // before the text goes in, so that it is laid out once
  }
  if (big && !showsLines_) {
    // The result outgrew RichEdit: the line view shows it whole from here on.
    EmptyRichEdit();
    lines_.SetLines(&lines);
    ShowLineView(true);
  } else if (showsLines_) {
    lines_.LinesGrew(firstNewRow);
  } else {
    AppendToRichEdit(lines, firstNewRow);
  }
}

void ResultsBox::Clear() {
  EmptyRichEdit();
  lines_.Clear();
  ShowLineView(false);
}

float ResultsBox::Width(UINT dpi) const {
  RECT box{};
  GetWindowRect(showsLines_ ? lines_.Handle() : rich_.Handle(), &box);
  return PixelsToTwips(box.right - box.left, dpi);
}

std::wstring ResultsBox::Text() const {
  if (showsLines_) return lines_.Text();
  const std::wstring text = rich_.Text();
  // RichEdit ends its paragraphs with CR alone, or with CR LF under Wine.
  std::wstring joined;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\n' && i > 0 && text[i - 1] == L'\r') continue;
    joined += text[i];
    if (text[i] == L'\r') joined += L'\n';
  }
  return joined;
}

void ResultsBox::ShowLineView(bool lineView) {
  const bool hadFocus = GetFocus() == rich_.Handle() || GetFocus() == lines_.Handle();
  showsLines_ = lineView;
  rich_.Show(!lineView);
  lines_.Show(lineView);
  if (hadFocus) SetFocus(lineView ? lines_.Handle() : rich_.Handle());
}

// Every message that changes a RichEdit repaints it and its scroll bars at
// once, which takes Wine milliseconds each: with redrawing off, a piece costs
// one paint, later, however many messages it takes. The selection and the
// scroll position stay where they were: a result that grows while followed
// must not pull the user's view away.
void ResultsBox::AppendToRichEdit(const ResultLines& lines, std::size_t firstNewRow) const {
  std::wstring text;
  for (std::size_t row = firstNewRow; row < lines.RowCount(); ++row) {
    if (row > 0 && !lines.ContinuesLine(row)) text += L'\r';
    text += WideFromAnsi(lines.RowBytes(row));
  }
  HWND box = rich_.Handle();
  CHARRANGE selection{};
  POINT scrolled{};
  SendMessageW(box, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
  SendMessageW(box, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scrolled));
  SendMessageW(box, WM_SETREDRAW, FALSE, 0);
  SendMessageW(box, EM_SETREADONLY, FALSE, 0);
  SendMessageW(box, EM_SETSEL, static_cast<WPARAM>(-1), -1);
  SendMessageW(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  SendMessageW(box, EM_SETREADONLY, TRUE, 0);
  SendMessageW(box, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
  SendMessageW(box, EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scrolled));
  SendMessageW(box, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(box, nullptr, TRUE);
}

void ResultsBox::ApplyRightMargin(UINT dpi) {
  // RichEdit wraps at a line width given in twips on a target device; the
  // screen's is the one it paints on.
  HDC screen = GetDC(nullptr);
  SendMessageW(rich_.Handle(), EM_SETTARGETDEVICE, reinterpret_cast<WPARAM>(screen),
               static_cast<LPARAM>(rightMarginTwips_));
  ReleaseDC(nullptr, screen);
  lines_.SetExtent(TwipsToPixels(static_cast<int>(rightMarginTwips_), dpi));
}

}  // namespace sievra::win32
