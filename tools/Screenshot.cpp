#include "tools/Screenshot.h"

#include "common/UniqueHandle.h"
#include "driver/WindowDriver.h"

#include <wincodec.h>

#include <cstring>
#include <stdexcept>

namespace Screenshot {

namespace {

// A picture counts as painted once it has not changed for this long.
constexpr ULONGLONG kSettledForMs = 300;

void Check(HRESULT result, const char* step) {
    if (FAILED(result))
        throw std::runtime_error(std::string("PNG encoder: ") + step + " failed");
}

} // namespace

Picture Capture(HWND window) {
    RECT frame{};
    if (!GetWindowRect(window, &frame))
        throw std::runtime_error("the window to capture is gone");
    Picture picture;
    picture.width = frame.right - frame.left;
    picture.height = frame.bottom - frame.top;
    picture.stride = (picture.width * 3 + 3) & ~3;

    UniqueScreenDc screen(GetDC(nullptr));
    UniqueMemoryDc memory(CreateCompatibleDC(screen.get()));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height; // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueBitmap bitmap(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!screen || !memory || !bitmap)
        throw std::runtime_error("cannot set up a bitmap for the screenshot");

    HGDIOBJ previous = SelectObject(memory.get(), bitmap.get());
    // CAPTUREBLT takes windows layered on top as well, as the eye sees them.
    const BOOL copied = BitBlt(memory.get(), 0, 0, picture.width, picture.height, screen.get(),
                               frame.left, frame.top, SRCCOPY | CAPTUREBLT);
    GdiFlush();
    SelectObject(memory.get(), previous);
    if (!copied)
        throw std::runtime_error("cannot copy the window from the screen");

    const auto size = static_cast<size_t>(picture.stride) * static_cast<size_t>(picture.height);
    picture.pixels.resize(size);
    std::memcpy(picture.pixels.data(), bits, size);
    return picture;
}

Picture CaptureSettled(HWND window, bool& settled, DWORD timeoutMs) {
    Picture last = Capture(window);
    ULONGLONG sameSince = GetTickCount64();
    settled = WindowDriver::WaitFor(
        [&] {
            Picture next = Capture(window);
            if (next != last) {
                last = std::move(next);
                sameSince = GetTickCount64();
            }
            return GetTickCount64() - sameSince >= kSettledForMs;
        },
        timeoutMs);
    return last;
}

void SavePng(const Picture& picture, const std::wstring& path) {
    ComPtr<IWICImagingFactory> factory;
    Check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                           IID_IWICImagingFactory, reinterpret_cast<void**>(factory.put())),
          "creating the imaging factory");
    ComPtr<IWICStream> stream;
    Check(factory->CreateStream(stream.put()), "creating a stream");
    Check(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE), "opening the file");
    ComPtr<IWICBitmapEncoder> encoder;
    Check(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.put()),
          "creating the encoder");
    Check(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache), "starting the encoder");
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> options;
    Check(encoder->CreateNewFrame(frame.put(), options.put()), "creating a frame");
    Check(frame->Initialize(options.get()), "starting the frame");
    Check(frame->SetSize(static_cast<UINT>(picture.width), static_cast<UINT>(picture.height)),
          "setting the size");
    // The encoder may answer with another format; the rows are 24-bit BGR only.
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    Check(frame->SetPixelFormat(&format), "setting the pixel format");
    if (!IsEqualGUID(format, GUID_WICPixelFormat24bppBGR))
        throw std::runtime_error("PNG encoder: 24-bit BGR pixels are not accepted");
    Check(frame->WritePixels(static_cast<UINT>(picture.height), static_cast<UINT>(picture.stride),
                             static_cast<UINT>(picture.pixels.size()),
                             const_cast<BYTE*>(picture.pixels.data())),
          "writing the pixels");
    Check(frame->Commit(), "finishing the frame");
    Check(encoder->Commit(), "finishing the file");
}

} // namespace Screenshot
