#pragma once

#include <QString>
#include <span>
#include <string_view>

#include "sievra/presentation/window_layout.h"

class QWidget;

namespace sievra {

QString FromUtf8(std::string_view text);

// Builds `window`'s controls from its layout table: each a widget of its kind,
// named as in the table, in its container at its twips, in the program's font;
// then the tab order by tab index. Tab enters an option group at its selected
// option only; arrow keys move within the group.
void CreateControls(QWidget& window, std::span<const ControlLayout> layout);

}  // namespace sievra
