#pragma once

#include <windows.h>

#include <string>

// Numbers and times as text, written here rather than through the C
// runtime's printf family, which would add much of its size to the shipped
// program.

inline std::wstring Decimal(unsigned long long number) {
    std::wstring digits;
    do {
        digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + number % 10));
        number /= 10;
    } while (number != 0);
    return digits;
}

inline std::wstring Decimal(long long number) {
    // Negated as unsigned, so that the smallest number has a magnitude too.
    const auto magnitude = static_cast<unsigned long long>(number);
    return number < 0 ? L'-' + Decimal(0 - magnitude) : Decimal(magnitude);
}

inline std::wstring Decimal(unsigned long number) {
    return Decimal(static_cast<unsigned long long>(number));
}

inline std::wstring Decimal(unsigned number) {
    return Decimal(static_cast<unsigned long long>(number));
}

inline std::wstring Decimal(int number) {
    return Decimal(static_cast<long long>(number));
}

// The lowest `count` hexadecimal digits of the number, in lower or upper case.
inline std::wstring HexDigits(unsigned long number, int count, bool upperCase = false) {
    const wchar_t* digits = upperCase ? L"0123456789ABCDEF" : L"0123456789abcdef";
    std::wstring hex;
    for (int shift = (count - 1) * 4; shift >= 0; shift -= 4)
        hex += digits[(number >> shift) & 0xF];
    return hex;
}

inline std::wstring TwoDigits(unsigned number) {
    return {static_cast<wchar_t>(L'0' + number / 10 % 10),
            static_cast<wchar_t>(L'0' + number % 10)};
}

// "2026-12-07 14:05:09", the time's parts joined by timeSeparator.
inline std::wstring DateAndTime(const SYSTEMTIME& time, wchar_t timeSeparator) {
    return Decimal(unsigned{time.wYear}) + L'-' + TwoDigits(time.wMonth) + L'-' +
           TwoDigits(time.wDay) + L' ' + TwoDigits(time.wHour) + timeSeparator +
           TwoDigits(time.wMinute) + timeSeparator + TwoDigits(time.wSecond);
}
