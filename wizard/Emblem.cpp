#include "wizard/Emblem.h"

#include "wizard/Gif.h"

#include <algorithm>
#include <optional>

namespace {

std::span<const std::uint8_t> ResourceBytes(HINSTANCE instance, int resourceId) {
    HRSRC resource = FindResourceW(instance, MAKEINTRESOURCEW(resourceId), L"GIF");
    HGLOBAL loaded = resource ? LoadResource(instance, resource) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data)
        return {};
    return {static_cast<const std::uint8_t*>(data), SizeofResource(instance, resource)};
}

} // namespace

Emblem::Emblem(HINSTANCE instance, int resourceId) : Emblem(ResourceBytes(instance, resourceId)) {}

Emblem::Emblem(std::span<const std::uint8_t> gif) {
    std::optional<Gif::Picture> picture = Gif::Decode(gif);
    if (!picture)
        return;
    bgra_ = std::move(picture->bgra);
    size_ = {static_cast<LONG>(picture->width), static_cast<LONG>(picture->height)};
}

void Emblem::Draw(HDC target, POINT topLeft, COLORREF background) const {
    if (bgra_.empty())
        return;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = size_.cx;
    info.bmiHeader.biHeight = -size_.cy; // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const UniqueMemoryDc source(bitmap ? CreateCompatibleDC(target) : nullptr);
    if (!source)
        return;
    // Premultiplied: each colour is the pixel's own plus what its
    // transparency lets through of the background.
    const std::uint8_t under[3] = {GetBValue(background), GetGValue(background),
                                   GetRValue(background)};
    auto* out = static_cast<std::uint8_t*>(bits);
    for (std::size_t pixel = 0; pixel < bgra_.size(); pixel += 4) {
        const unsigned through = 255u - bgra_[pixel + 3];
        for (int channel = 0; channel < 3; ++channel)
            out[pixel + channel] = static_cast<std::uint8_t>(
                bgra_[pixel + channel] + (under[channel] * through + 127) / 255);
        out[pixel + 3] = 0;
    }
    HGDIOBJ previous = SelectObject(source.get(), bitmap.get());
    BitBlt(target, topLeft.x, topLeft.y, size_.cx, size_.cy, source.get(), 0, 0, SRCCOPY);
    SelectObject(source.get(), previous);
}
