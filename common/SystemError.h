#pragma once

#include "common/Numbers.h"

#include <windows.h>

#include <string>

// A system error or exit code as the failure messages show it: small codes in
// decimal, status values (0xC0000135 …) in hexadecimal, which read better.
inline std::wstring ErrorCode(DWORD code) {
    if (code < 0x10000)
        return Decimal(static_cast<unsigned long>(code));
    return L"0x" + HexDigits(code, 8, true);
}
