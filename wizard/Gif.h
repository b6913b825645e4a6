#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// A small decoder for the first image of a GIF file, so the emblem needs none
// of the platform's imaging components (they cost the process a noticeable
// part of its start and memory). The input is handled as untrusted: anything
// damaged, cut short or inconsistent yields no picture.
namespace Gif {

// Neither side of the logical screen may exceed this: a picture larger than
// this is no emblem, and the cap bounds what a damaged header can allocate.
inline constexpr std::uint32_t kMaxSide = 1024;

struct Picture {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    // Top-down rows of blue, green, red, alpha; premultiplied as AlphaBlend
    // expects: a transparent pixel is 0,0,0,0, every other pixel opaque.
    std::vector<std::uint8_t> bgra;
};

// The logical screen with the first image drawn into it; the part of the
// screen the image does not cover is transparent.
std::optional<Picture> Decode(std::span<const std::uint8_t> file);

} // namespace Gif
