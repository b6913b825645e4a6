#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace Screenshot {

// A window as it appears on the screen: top-down rows of 24-bit BGR pixels.
struct Picture {
    int width = 0;
    int height = 0;
    int stride = 0; // bytes per row, a multiple of four
    std::vector<BYTE> pixels;

    bool operator==(const Picture&) const = default;
};

// Copies the window's rectangle from the screen, so the picture shows what a
// person would see there, frame and title bar included.
Picture Capture(HWND window);

// Waits until the window's picture has stayed the same for a while, so that
// it shows the window after it has painted. At the deadline it returns the
// last picture and sets settled to false.
Picture CaptureSettled(HWND window, bool& settled, DWORD timeoutMs = 10000);

// Encodes the picture with the platform's PNG encoder (WIC).
void SavePng(const Picture& picture, const std::wstring& path);

} // namespace Screenshot
