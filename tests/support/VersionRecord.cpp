#include "tests/support/VersionRecord.h"

#include <cstdio>

namespace VersionRecord {

namespace {

using Bytes = std::vector<BYTE>;
constexpr WORD kUnicode = 1200;

void Append(Bytes& bytes, const void* data, std::size_t size) {
    // Byte by byte: GCC 12 takes a range insert here for an overflow.
    const auto* first = static_cast<const BYTE*>(data);
    for (std::size_t i = 0; i < size; ++i)
        bytes.push_back(first[i]);
}

void AppendText(Bytes& bytes, const std::wstring& text) {
    Append(bytes, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}

void Align(Bytes& bytes) {
    bytes.resize((bytes.size() + 3) & ~std::size_t{3});
}

void PutWord(Bytes& bytes, std::size_t at, std::size_t word) {
    bytes[at] = static_cast<BYTE>(word);
    bytes[at + 1] = static_cast<BYTE>(word >> 8);
}

// One block of the record: its length, its value's length and type, its key,
// its value and its children, each on a 32-bit boundary.
Bytes Block(const std::wstring& key, WORD type, const Bytes& value, std::size_t valueLength,
            const std::vector<Bytes>& children) {
    Bytes block(6, 0);
    PutWord(block, 2, valueLength);
    PutWord(block, 4, type);
    AppendText(block, key);
    Align(block);
    Append(block, value.data(), value.size());
    for (const Bytes& child : children) {
        Align(block);
        Append(block, child.data(), child.size());
    }
    PutWord(block, 0, block.size());
    return block;
}

Bytes StringTable(const Language& table) {
    wchar_t name[9];
    swprintf(name, 9, L"%04x%04x", table.language, kUnicode);
    Bytes text;
    AppendText(text, table.description);
    return Block(name, 1, {}, 0,
                 {Block(L"FileDescription", 1, text, table.description.size() + 1, {})});
}

} // namespace

bool Write(const std::wstring& program, const std::vector<Language>& tables,
           const std::vector<WORD>& listed) {
    VS_FIXEDFILEINFO fixed{};
    fixed.dwSignature = VS_FFI_SIGNATURE;
    fixed.dwStrucVersion = VS_FFI_STRUCVERSION;
    Bytes fixedBytes;
    Append(fixedBytes, &fixed, sizeof(fixed));

    std::vector<Bytes> stringTables;
    for (const Language& table : tables)
        stringTables.push_back(StringTable(table));
    Bytes translations;
    for (WORD language : listed) {
        const WORD pair[] = {language, kUnicode};
        Append(translations, pair, sizeof(pair));
    }
    const Bytes record =
        Block(L"VS_VERSION_INFO", 0, fixedBytes, sizeof(fixed),
              {Block(L"StringFileInfo", 1, {}, 0, stringTables),
               Block(L"VarFileInfo", 1, {}, 0,
                     {Block(L"Translation", 0, translations, translations.size(), {})})});

    HANDLE update = BeginUpdateResourceW(program.c_str(), FALSE);
    if (!update)
        return false;
    const bool written =
        UpdateResourceW(update, RT_VERSION, MAKEINTRESOURCEW(VS_VERSION_INFO),
                        MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), const_cast<BYTE*>(record.data()),
                        static_cast<DWORD>(record.size()));
    return EndUpdateResourceW(update, !written) && written;
}

} // namespace VersionRecord
