#include "platform.h"

#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "control.h"
#include "text.h"

namespace sievra::win32 {

std::wstring DialogFilter(std::string_view filter) {
  std::wstring list = Wide(filter);
  for (wchar_t& c : list) {
    if (c == L'|') c = L'\0';
  }
  list.push_back(L'\0');  // the list ends with an empty string
  return list;
}

std::optional<std::string> ShowFileDialog(HWND owner, const FileDialogRequest& request) {
  std::vector<wchar_t> name(32768, L'\0');  // the longest path Windows knows
  const std::wstring filter = DialogFilter(request.filter);
  const std::wstring title = Wide(request.title);
  const std::wstring folder = Wide(request.initialFolder);
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = static_cast<DWORD>(request.filterIndex);
  dialog.lpstrFile = name.data();
  dialog.nMaxFile = static_cast<DWORD>(name.size());
  dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  dialog.lpstrTitle = title.c_str();
  // No existence or overwrite checks; the process's current folder stays as it was.
  dialog.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR;
  const BOOL chosen =
      request.kind == FileDialogKind::Open ? GetOpenFileNameW(&dialog) : GetSaveFileNameW(&dialog);
  if (!chosen) return std::nullopt;
  return Utf8(name.data());
}

void ShowMessageBox(HWND owner, std::string_view text) {
  MessageBoxW(owner, Wide(text).c_str(), L"Sievra", MB_OK);
}

namespace {
std::wstring LocaleText(LCTYPE what) {
  wchar_t buffer[16] = {};
  GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, what, buffer, 16);
  return buffer;
}

// "3;0" -> 3, "3;2;0" -> 32, "3" -> 30: the digit grouping as NUMBERFMTW wants it.
UINT GroupingOf(const std::wstring& grouping) {
  UINT value = 0;
  for (wchar_t c : grouping) {
    if (c >= L'0' && c <= L'9') value = value * 10 + static_cast<UINT>(c - L'0');
  }
  if (grouping.size() < 2 || grouping.substr(grouping.size() - 2) != L";0") return value * 10;
  return value / 10;
}

std::string Formatted(const std::wstring& digits, UINT decimals) {
  const std::wstring decimal = LocaleText(LOCALE_SDECIMAL);
  const std::wstring thousand = LocaleText(LOCALE_STHOUSAND);
  NUMBERFMTW format{};
  format.NumDigits = decimals;
  format.LeadingZero = 1;
  format.Grouping = GroupingOf(LocaleText(LOCALE_SGROUPING));
  format.lpDecimalSep = const_cast<wchar_t*>(decimal.c_str());
  format.lpThousandSep = const_cast<wchar_t*>(thousand.c_str());
  format.NegativeOrder = 1;
  wchar_t buffer[64] = {};
  if (GetNumberFormatEx(LOCALE_NAME_USER_DEFAULT, 0, digits.c_str(), &format, buffer, 64) == 0)
    return Utf8(digits);
  return Utf8(buffer);
}
}  // namespace

NumberFormat UserLocaleNumbers() {
  NumberFormat numbers;
  numbers.whole = [](std::uint64_t value) { return Formatted(std::to_wstring(value), 0); };
  numbers.oneDecimal = [](double value) {
    wchar_t digits[64] = {};
    swprintf(digits, 64, L"%.1f", value);  // the C locale's '.', as GetNumberFormatEx wants
    return Formatted(digits, 1);
  };
  return numbers;
}

std::wstring ApplicationDataFolder() {
  PWSTR path = nullptr;
  std::wstring folder;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &path))) folder = path;
  CoTaskMemFree(path);
  return folder;
}

std::wstring ProgramFolder() {
  std::vector<wchar_t> path(32768, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  std::wstring program(path.data(), length);
  return program.substr(0, program.find_last_of(L"\\/"));
}

bool RegisterWindowClass(const wchar_t* className, HICON icon, WNDPROC procedure) {
  WNDCLASSEXW type{};
  type.cbSize = sizeof type;
  type.lpfnWndProc = procedure;
  type.hInstance = GetModuleHandleW(nullptr);
  type.hIcon = icon;
  type.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  type.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  type.lpszClassName = className;
  return RegisterClassExW(&type) != 0;
}

void CentreInWorkArea(HWND window, int clientWidthTwips, int clientHeightTwips, HWND over) {
  const UINT dpi = GetDpiForWindow(window);
  RECT outer{0, 0, TwipsToPixels(clientWidthTwips, dpi), TwipsToPixels(clientHeightTwips, dpi)};
  AdjustWindowRectExForDpi(&outer, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)), dpi);
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  RECT centre = work;
  if (over) GetWindowRect(over, &centre);
  const LONG width = outer.right - outer.left;
  const LONG height = outer.bottom - outer.top;
  const LONG left = centre.left + (centre.right - centre.left - width) / 2;
  const LONG top = centre.top + (centre.bottom - centre.top - height) / 2;
  SetWindowPos(window, nullptr,
               std::clamp(left, work.left, std::max(work.left, work.right - width)),
               std::clamp(top, work.top, std::max(work.top, work.bottom - height)), width, height,
               SWP_NOZORDER);
}

void FollowDpiChange(HWND window, LPARAM lParam) {
  const auto* suggested = reinterpret_cast<const RECT*>(lParam);
  SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
               suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace sievra::win32
