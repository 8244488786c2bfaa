#include "results_box.h"

#include <richedit.h>

#include <algorithm>

#include "line_view.h"
#include "sievra/presentation/result_lines.h"
#include "text.h"

namespace sievra::win32 {

namespace {
// The results box wraps this far beyond its width: in effect, lines do not wrap.
constexpr float kRightMarginExtraTwips = 10000.0f;
}  // namespace

void ResultsBox::Create(HWND parent, int richId, int linesId, TwipsRect place) {
  LoadLibraryW(L"Msftedit.dll");
  LineView::Register();
  CreateRichEdit(parent, richId, place);
  lines_.Create(parent, LineView::kClassName, L"", WS_TABSTOP | WS_VSCROLL | WS_HSCROLL, linesId,
                place, WS_EX_CLIENTEDGE);
  ShowLineView(false);
}

void ResultsBox::CreateRichEdit(HWND parent, int id, TwipsRect place) {
  rich_.Create(parent, MSFTEDIT_CLASS, L"",
               WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL |
                   ES_AUTOHSCROLL | ES_NOHIDESEL,
               id, place, WS_EX_CLIENTEDGE);
  HWND box = rich_.Handle();
  SendMessageW(box, EM_SETTEXTMODE, TM_PLAINTEXT | TM_SINGLELEVELUNDO, 0);
  SendMessageW(box, EM_SETUNDOLIMIT, 0, 0);  // nothing to undo in a read-only box
  SendMessageW(box, EM_EXLIMITTEXT, 0, static_cast<LPARAM>(kRichEditLimit * 2));
  SendMessageW(box, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(GetSysColor(COLOR_WINDOW)));
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
  const int id = GetDlgCtrlID(old);
  ShowWindow(old, SW_HIDE);
  DestroyWindow(old);
  CreateRichEdit(parent, id, rich_.Twips());
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
    rightMarginTwips_ = Width(dpi) + kRightMarginExtraTwips;
    ApplyRightMargin(dpi);  // before the text goes in, so that it is laid out once
  }
  if (big && !showsLines_) {
    // The result outgrew RichEdit: the line view shows it whole from here on.
    EmptyRichEdit();
    LineView::Of(lines_.Handle())->SetLines(lines_.Handle(), &lines);
    ShowLineView(true);
  } else if (showsLines_) {
    LineView::Of(lines_.Handle())->LinesGrew(lines_.Handle());
  } else {
    AppendToRichEdit(lines, firstNewRow);
  }
}

void ResultsBox::Clear() {
  EmptyRichEdit();
  LineView::Of(lines_.Handle())->Clear(lines_.Handle());
  ShowLineView(false);
}

float ResultsBox::Width(UINT dpi) const {
  RECT box{};
  GetWindowRect(showsLines_ ? lines_.Handle() : rich_.Handle(), &box);
  return PixelsToTwips(box.right - box.left, dpi);
}

std::wstring ResultsBox::Text() const {
  if (showsLines_) return LineView::Of(lines_.Handle())->Text();
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

void ResultsBox::AppendToRichEdit(const ResultLines& lines, std::size_t firstNewRow) const {
  std::wstring text;
  for (std::size_t row = firstNewRow; row < lines.RowCount(); ++row) {
    if (row > 0 && !lines.ContinuesLine(row)) text += L'\r';
    text += WideFromAnsi(lines.RowBytes(row));
  }
  HWND box = rich_.Handle();
  SendMessageW(box, EM_SETREADONLY, FALSE, 0);
  SendMessageW(box, EM_SETSEL, static_cast<WPARAM>(-1), -1);
  SendMessageW(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  SendMessageW(box, EM_SETREADONLY, TRUE, 0);
  SendMessageW(box, EM_SETSEL, 0, 0);  // the start of the result in view, as a load shows it
  SendMessageW(box, EM_SCROLLCARET, 0, 0);
}

void ResultsBox::ApplyRightMargin(UINT dpi) const {
  // RichEdit wraps at a line width given in twips on a target device; the
  // screen's is the one it paints on.
  HDC screen = GetDC(nullptr);
  SendMessageW(rich_.Handle(), EM_SETTARGETDEVICE, reinterpret_cast<WPARAM>(screen),
               static_cast<LPARAM>(rightMarginTwips_));
  ReleaseDC(nullptr, screen);
  LineView::Of(lines_.Handle())
      ->SetExtent(lines_.Handle(), TwipsToPixels(static_cast<int>(rightMarginTwips_), dpi));
}

}  // namespace sievra::win32
