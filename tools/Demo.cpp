#include "tools/Demo.h"

#include <stdexcept>
#include <vector>

namespace Demo {

namespace {

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

} // namespace Demo
