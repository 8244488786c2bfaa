#pragma once

#include <windows.h>

#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "sievra/presentation/window_layout.h"

namespace sievra::win32 {

// Sizes and positions are designed in twips, 1440 to the inch, and laid out at
// the DPI of the monitor the window is on.
inline int TwipsToPixels(int twips, UINT dpi) { return MulDiv(twips, static_cast<int>(dpi), 1440); }
inline float PixelsToTwips(int pixels, UINT dpi) {
  return static_cast<float>(pixels) * 1440.0f / static_cast<float>(dpi);
}

// What every control's Create takes.
struct ControlArgs {
  HWND parent = nullptr;
  int id = 0;
  std::wstring_view caption;
  Twips place;               // in the parent's client area
  bool startsGroup = false;  // WS_GROUP: a group of the keyboard interface begins here
};

// One native child control and its designed place, behind a thin wrapper as
// SumatraPDF's wingui has them; each kind below knows how it is made.
class Control {
 public:
  virtual ~Control() = default;
  // Creates the native control, visible, as its kind makes it.
  virtual void Create(const ControlArgs& args) = 0;

  HWND Handle() const { return hwnd_; }
  const Twips& Place() const { return place_; }
  // Moves and sizes the control to its twips at this DPI, with this font.
  void Layout(UINT dpi, HFONT font) const;
  // Sets the text only when it differs, so that a render neither flickers nor
  // moves the caret of a box the user is typing in.
  void SetText(std::wstring_view text) const;
  std::wstring Text() const;
  void Enable(bool enabled) const;
  void Show(bool visible) const;

 protected:
  // Makes the native control with WS_CHILD, WS_VISIBLE and WS_CLIPSIBLINGS
  // added, and WS_GROUP when `args` ask for it; `self` reaches the class's
  // procedure at WM_NCCREATE.
  void CreateNative(const ControlArgs& args, const wchar_t* windowClass, DWORD style,
                    DWORD exStyle = 0, void* self = nullptr);
  // For a class of our own: its window from WM_NCCREATE to WM_NCDESTROY.
  void Attach(HWND hwnd) { hwnd_ = hwnd; }

 private:
  HWND hwnd_ = nullptr;
  Twips place_;
};

// A group box; it takes no focus and holds the controls inside its place.
class FrameCtrl : public Control {
 public:
  void Create(const ControlArgs& args) override;
};

class ButtonCtrl : public Control {
 public:
  void Create(const ControlArgs& args) override;
  // Drawn as the button Enter presses.
  void MakeDefault() const;
};

// A button that shows whether it is checked: the check box and the option.
class CheckableCtrl : public Control {
 public:
  bool IsChecked() const;

 protected:
  // Renders come many times a second during a run: a change only, or the
  // button would repaint each time.
  void SetCheck(bool checked) const;
};

class CheckBoxCtrl : public CheckableCtrl {
 public:
  void Create(const ControlArgs& args) override;
  void SetChecked(bool checked) const { SetCheck(checked); }
};

// An option button. Only the selected option of a group is a tab stop, so Tab
// enters the group there and the arrow keys move within it.
class OptionCtrl : public CheckableCtrl {
 public:
  void Create(const ControlArgs& args) override;
  void SetChecked(bool checked) const;
};

// A one-line text box.
class EditCtrl : public Control {
 public:
  void Create(const ControlArgs& args) override;
};

// One line of text, shown as it is (no & prefixes, no wrapping).
class LabelCtrl : public Control {
 public:
  void Create(const ControlArgs& args) override;
};

// A progress bar in thousandths.
class ProgressCtrl : public Control {
 public:
  void Create(const ControlArgs& args) override;
  void SetPermille(int permille) const;
};

// The font every window's controls use, at this DPI.
HFONT UiFont(UINT dpi);

// A control's identifier in its window: 100 on from its row in `layout`. A
// name the table does not hold does not compile where a constant is needed,
// and throws std::invalid_argument elsewhere.
constexpr int LayoutId(std::string_view name, std::span<const ControlLayout> layout) {
  for (std::size_t row = 0; row < layout.size(); ++row)
    if (layout[row].name == name) return 100 + static_cast<int>(row);
  throw std::invalid_argument("no control of that name");
}

// Creates the controls of a window's layout table in `parent`, each at its
// place with its caption and LayoutId, in the order the keyboard interface
// needs (see CreationOrder in control.cpp); `create` makes one row's control.
void CreateFromLayout(HWND parent, std::span<const ControlLayout> layout,
                      const std::function<void(const ControlLayout&, const ControlArgs&)>& create);

}  // namespace sievra::win32
