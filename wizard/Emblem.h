#pragma once

#include "common/UniqueHandle.h"

#include <windows.h>

// The round emblem shown on every screen: a GIF resource decoded once by the
// platform's image decoder into a bitmap with an alpha channel, so that the
// pixels outside the circle let the background show through.
class Emblem {
public:
    Emblem(HINSTANCE instance, int resourceId);

    // Drawn at its own size, its top-left corner at the given point.
    void Draw(HDC target, POINT topLeft) const;
    SIZE Size() const { return size_; }

private:
    UniqueBitmap bitmap_;
    SIZE size_{};
};
