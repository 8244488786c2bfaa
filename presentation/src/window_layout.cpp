#include "sievra/presentation/window_layout.h"

#include <algorithm>

namespace sievra {

std::optional<ControlLayout> FindControl(std::string_view name,
                                         std::span<const ControlLayout> layout) {
  for (const ControlLayout& control : layout)
    if (control.name == name) return control;
  return std::nullopt;
}

Twips PlaceInWindow(const ControlLayout& control, std::span<const ControlLayout> layout) {
  Twips place = control.place;
  if (const std::optional<ControlLayout> container = FindControl(control.container, layout)) {
    place.left += container->place.left;
    place.top += container->place.top;
  }
  return place;
}

std::vector<std::string_view> TabOrder(std::span<const ControlLayout> layout) {
  std::vector<const ControlLayout*> stops;
  for (const ControlLayout& control : layout)
    if (control.tabIndex >= 0 && control.kind != ControlKind::Frame) stops.push_back(&control);
  std::sort(stops.begin(), stops.end(), [](const ControlLayout* a, const ControlLayout* b) {
    return a->tabIndex < b->tabIndex;
  });
  std::vector<std::string_view> order;
  for (const ControlLayout* control : stops) order.push_back(control->name);
  return order;
}

Twips HelpBoxPlace(float outerWidthTwips, float outerHeightTwips) {
  const auto atLeastZero = [](float twips) { return std::max(0, static_cast<int>(twips)); };
  return {50, 50, atLeastZero(outerWidthTwips - 200), atLeastZero(outerHeightTwips - 600)};
}

}  // namespace sievra
