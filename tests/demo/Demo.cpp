#include "tests/demo/Demo.h"

#include "tests/support/WindowDriver.h"
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

bool HasClass(HWND window, std::wstring_view className) {
    wchar_t name[64]{};
    GetClassNameW(window, name, 64);
    return className == name;
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

std::wstring TextOf(HWND window) {
    std::vector<wchar_t> text(32768, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_BLOCK, kAnswerWithinMs, &copied))
        return {};
    return std::wstring(text.data(), copied);
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

namespace {

struct DialogSearch {
    DWORD processId;
    std::wstring_view title;
    HWND found;
};

// A named CALLBACK function, not a lambda: on i686 the enumeration wants a
// stdcall function, and GCC converts no lambda to one.
BOOL CALLBACK MatchDialog(HWND window, LPARAM data) {
    auto& search = *reinterpret_cast<DialogSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search.processId || !IsWindowVisible(window) || !HasClass(window, L"#32770") ||
        TextOf(window) != search.title)
        return TRUE;
    search.found = window;
    return FALSE;
}

} // namespace

HWND FindDialog(DWORD processId, std::wstring_view title) {
    DialogSearch search{processId, title, nullptr};
    EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FileNameBox(HWND fileDialog) {
    if (HWND combo = GetDlgItem(fileDialog, cmb13))
        return combo;
    return GetDlgItem(fileDialog, edt1);
}

ComApartment::ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}

ComApartment::~ComApartment() {
    if (SUCCEEDED(result_))
        CoUninitialize();
}

} // namespace demo
