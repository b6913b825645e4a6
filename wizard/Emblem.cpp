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
    const std::optional<Gif::Picture> picture = Gif::Decode(gif);
    if (!picture)
        return;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = static_cast<LONG>(picture->width);
    info.bmiHeader.biHeight = -static_cast<LONG>(picture->height); // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap_)
        return;
    std::copy(picture->bgra.begin(), picture->bgra.end(), static_cast<std::uint8_t*>(bits));
    size_ = {static_cast<LONG>(picture->width), static_cast<LONG>(picture->height)};
}

void Emblem::Draw(HDC target, POINT topLeft) const {
    if (!bitmap_)
        return;
    UniqueMemoryDc source(CreateCompatibleDC(target));
    if (!source)
        return;
    HGDIOBJ previous = SelectObject(source.get(), bitmap_.get());
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(target, topLeft.x, topLeft.y, size_.cx, size_.cy, source.get(), 0, 0, size_.cx,
               size_.cy, blend);
    SelectObject(source.get(), previous);
}
