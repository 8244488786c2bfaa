#pragma once

#include <string_view>

#include "sievra/ui/ports.h"

class QWidget;

namespace sievra {

// Messages as modal boxes: OK only, no icon, caption "Sievra", over the active window.
class QtMessageBox final : public MessageSink {
 public:
  void ShowMessage(std::string_view text) override;
};

}  // namespace sievra
