#include "wizard/Layout.h"

namespace Layout {

int ToPixels(int twips, int dpi) {
    return MulDiv(twips, dpi, 1440);
}

RECT ToPixels(const Twips& twips, int dpi) {
    const int left = ToPixels(twips.left, dpi);
    const int top = ToPixels(twips.top, dpi);
    return {left, top, left + ToPixels(twips.width, dpi), top + ToPixels(twips.height, dpi)};
}

} // namespace Layout
