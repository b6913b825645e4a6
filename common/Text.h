#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>
#include <string_view>

// Small operations on text that several floors need.
namespace Text {

// Compares as the registry and the command line compare names: ordinal,
// without regard to case.
inline int CompareCaseBlind(std::wstring_view left, std::wstring_view right) {
    return CompareStringOrdinal(left.data(), static_cast<int>(left.size()), right.data(),
                                static_cast<int>(right.size()), TRUE);
}

inline bool Same(std::wstring_view left, std::wstring_view right) {
    return CompareCaseBlind(left, right) == CSTR_EQUAL;
}

// A name or path within a German sentence, in German quotes: „text“.
inline std::wstring Quoted(std::wstring_view text) {
    return L"„" + std::wstring(text) + L"“";
}

// One pair of double quotes encloses the whole text.
inline bool IsQuoted(std::wstring_view text) {
    return text.size() >= 2 && text.front() == L'"' && text.back() == L'"';
}

// The text without one pair of double quotes that encloses it whole.
inline std::wstring_view Unquoted(std::wstring_view text) {
    return IsQuoted(text) ? text.substr(1, text.size() - 2) : text;
}

// UTF-8 text as Windows takes it. The program keeps a text in UTF-8 where its
// length makes the half of UTF-16's bytes count.
inline std::wstring Wide(std::u8string_view utf8) {
    const char* bytes = reinterpret_cast<const char*>(utf8.data());
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, bytes, size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes, size, wide.data(), length);
    return wide;
}

// The pattern with %1 … %9 replaced by the texts given, in order; a %
// followed by anything else stays as it is. Texts with their gaps marked keep
// a sentence in one piece, where its words can be read and changed.
inline std::wstring Fill(std::wstring_view pattern,
                         std::initializer_list<std::wstring_view> texts) {
    std::wstring filled;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const std::size_t number =
            i + 1 < pattern.size() ? static_cast<std::size_t>(pattern[i + 1] - L'1') : 9;
        if (pattern[i] == L'%' && number < texts.size()) {
            filled += *(texts.begin() + number);
            ++i;
        } else {
            filled += pattern[i];
        }
    }
    return filled;
}

} // namespace Text
