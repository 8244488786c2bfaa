#pragma once

class QStyle;

namespace sievra {

// The style for the window's frames: the caption sits on the top border, which
// runs through the caption's middle, so the frame's contents start right below
// the border as the layout expects. Everything else is drawn by the
// application's style. One instance serves every frame for the life of the
// application (a widget does not own the style it is given).
QStyle* FrameCaptionStyle();

}  // namespace sievra
