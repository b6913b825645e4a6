#include "wizard/Emblem.h"

#include "common/ComApartment.h"
#include "common/Failure.h"

#include <objbase.h>
#include <wincodec.h>

#include <span>

namespace {

std::span<const BYTE> ResourceBytes(HINSTANCE instance, int resourceId) {
    HRSRC resource = FindResourceW(instance, MAKEINTRESOURCEW(resourceId), L"GIF");
    HGLOBAL loaded = resource ? LoadResource(instance, resource) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data)
        throw Failure(L"Das Emblem fehlt in den Ressourcen des Programms.");
    return {static_cast<const BYTE*>(data), SizeofResource(instance, resource)};
}

void Check(HRESULT result) {
    if (FAILED(result))
        throw Failure(L"Das Emblem konnte nicht gelesen werden.");
}

} // namespace

Emblem::Emblem(HINSTANCE instance, int resourceId) {
    const std::span<const BYTE> gif = ResourceBytes(instance, resourceId);
    ComApartment apartment;

    ComPtr<IWICImagingFactory> factory;
    Check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                           IID_IWICImagingFactory, reinterpret_cast<void**>(factory.put())));
    ComPtr<IWICStream> stream;
    Check(factory->CreateStream(stream.put()));
    Check(stream->InitializeFromMemory(const_cast<BYTE*>(gif.data()),
                                       static_cast<DWORD>(gif.size())));
    ComPtr<IWICBitmapDecoder> decoder;
    Check(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                           decoder.put()));
    ComPtr<IWICBitmapFrameDecode> frame;
    Check(decoder->GetFrame(0, frame.put()));
    // Premultiplied alpha is what AlphaBlend expects.
    ComPtr<IWICFormatConverter> converter;
    Check(factory->CreateFormatConverter(converter.put()));
    Check(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone,
                                nullptr, 0.0, WICBitmapPaletteTypeCustom));
    UINT width = 0;
    UINT height = 0;
    Check(converter->GetSize(&width, &height));

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -static_cast<LONG>(height); // top-down rows, as WIC copies them
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap_)
        throw Failure(L"Für das Emblem fehlt der Speicher.");
    const UINT stride = width * 4;
    Check(converter->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(bits)));
    size_ = {static_cast<LONG>(width), static_cast<LONG>(height)};
}

void Emblem::Draw(HDC target, POINT topLeft) const {
    UniqueMemoryDc source(CreateCompatibleDC(target));
    if (!source)
        return;
    HGDIOBJ previous = SelectObject(source.get(), bitmap_.get());
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(target, topLeft.x, topLeft.y, size_.cx, size_.cy, source.get(), 0, 0, size_.cx,
               size_.cy, blend);
    SelectObject(source.get(), previous);
}
