#pragma once

#include <QRect>
#include <cmath>

namespace sievra {

// Window and control sizes are given in twips, 1440 to the inch. Qt lays out in
// device-independent pixels, 96 to the logical inch, so 15 twips make one; Qt's
// own high-DPI scaling takes them on to physical pixels.
inline constexpr double kTwipsPerPixel = 15.0;

// Twips to the nearest device-independent pixel.
inline int TwipsToPixels(double twips) {
  return static_cast<int>(std::lround(twips / kTwipsPerPixel));
}

// Device-independent pixels to twips, single precision like the rest of the measures.
inline float PixelsToTwips(int pixels) { return static_cast<float>(pixels * kTwipsPerPixel); }

// A rectangle given as Left, Top, Width, Height in twips.
inline QRect TwipsRect(double left, double top, double width, double height) {
  return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
               TwipsToPixels(height));
}

}  // namespace sievra
