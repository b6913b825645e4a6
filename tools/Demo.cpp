#include "tools/Demo.h"

#include "tools/driver/WindowDriver.h"
#include "wizard/ControlIds.h"

#include <commctrl.h>
#include <dlgs.h>
#include <objbase.h>

#include <stdexcept>
#include <vector>

namespace demo {

namespace {

constexpr UINT kAnswerWithinMs = 5000;

std::string Utf8(std::wstring_view text) {
    if (text.empty())
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string converted(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), converted.data(),
                        size, nullptr, nullptr);
    return converted;
}

} // namespace

void Say(std::wstring_view line) {
    const std::string bytes = Utf8(line) + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()),
              &written, nullptr);
}

void Require(bool condition, std::wstring_view what) {
    if (!condition)
        throw std::runtime_error(Utf8(what));
}

std::wstring WhatOf(const std::exception& failure) {
    const std::string_view what = failure.what();
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, what.data(), static_cast<int>(what.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, what.data(), static_cast<int>(what.size()), text.data(), size);
    return text;
}

void SetTextOf(HWND window, const std::wstring& text) {
    SendMessageTimeoutW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_BLOCK,
                        kAnswerWithinMs, nullptr);
}

void PostClick(HWND button) {
    PostMessageW(button, BM_CLICK, 0, 0);
}

void Sync(HWND window) {
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK, kAnswerWithinMs, nullptr);
}

bool ScreenShown(HWND wizard, int index) {
    return IsWindowVisible(driver::FindControl(wizard, control_id::Screen(index))) != FALSE;
}

int TickedTypeCount(HWND wizard) {
    HWND list = driver::FindControl(wizard, control_id::kTypeList);
    const auto count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    int ticked = 0;
    for (int index = 0; index < count; ++index) {
        const auto state = static_cast<UINT>(
            SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(index), LVIS_STATEIMAGEMASK));
        // State image 1 is the empty box, 2 the ticked one.
        ticked += (state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2) ? 1 : 0;
    }
    return ticked;
}

} // namespace demo
