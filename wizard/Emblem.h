#pragma once

#include "common/UniqueHandle.h"

#include <windows.h>

#include <cstdint>
#include <span>

// The round emblem shown on every screen: a GIF decoded once into a bitmap
// with an alpha channel, so that the pixels outside the circle let the
// background show through. The emblem is decoration: when its picture is
// missing or damaged, or no bitmap can be made, it draws nothing and the
// wizard works on without it.
class Emblem {
public:
    // From a resource of the custom type "GIF".
    Emblem(HINSTANCE instance, int resourceId);
    explicit Emblem(std::span<const std::uint8_t> gif);

    // Drawn at its own size, its top-left corner at the given point.
    void Draw(HDC target, POINT topLeft) const;
    // Zero for an emblem that draws nothing.
    SIZE Size() const { return size_; }

private:
    UniqueBitmap bitmap_;
    SIZE size_{};
};
