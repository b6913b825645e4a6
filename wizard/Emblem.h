#pragma once

#include "common/UniqueHandle.h"

#include <windows.h>

#include <cstdint>
#include <span>
#include <vector>

// The round emblem shown on every screen: a GIF decoded once, its pixels
// outside the circle transparent. It is laid over the background colour when
// it is drawn, by hand: the panel's colour is known then, and the platform's
// blending would load a library of its own at the start. The emblem is
// decoration: when its picture is missing or damaged, or no bitmap can be
// made, it draws nothing and the wizard works on without it.
class Emblem {
public:
    // From a resource of the custom type "GIF".
    Emblem(HINSTANCE instance, int resourceId);
    explicit Emblem(std::span<const std::uint8_t> gif);

    // Drawn at its own size over the background colour, its top-left corner
    // at the given point.
    void Draw(HDC target, POINT topLeft, COLORREF background) const;
    // Zero for an emblem that draws nothing.
    SIZE Size() const { return size_; }

private:
    // Top-down rows of blue, green, red and alpha, premultiplied.
    std::vector<std::uint8_t> bgra_;
    SIZE size_{};
};
