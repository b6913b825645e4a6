#include "association/Registry.h"
#include "common/UniqueHandle.h"
#include "tests/support/RegistryProbe.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace std::string_literals;
using namespace std::string_view_literals;
using Registry::kFalse;
using Registry::kTrue;
using Registry::Value;

namespace {

constexpr std::wstring_view kBase = L"Software\\BildkranzTest";
using RegistryProbe::kMachineView;
using RegistryProbe::MachineKeyPresent;

std::wstring Path(std::wstring_view tail) {
    return std::wstring(kBase) + L'\\' + std::wstring(tail);
}

// Each test owns the keys below its own name and starts without them.
std::wstring FreshKey(std::wstring_view name) {
    const std::wstring path = Path(name);
    const LSTATUS status = RegistryProbe::DeleteMachineTree(path);
    EXPECT_TRUE(status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) << status;
    UniqueKey key;
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS | kMachineView, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    return path;
}

struct Stored {
    DWORD type = REG_NONE;
    std::string bytes;
};

// What a program that reads through the ANSI functions sees.
std::optional<Stored> ReadAnsi(const std::wstring& path, const char* name) {
    const std::string narrowPath(path.begin(), path.end());
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, narrowPath.c_str(), 0, KEY_QUERY_VALUE | kMachineView,
                      &opened) != ERROR_SUCCESS)
        return std::nullopt;
    const UniqueKey key(opened);
    Stored stored;
    DWORD size = 0;
    LSTATUS status = RegQueryValueExA(key.get(), name, nullptr, &stored.type, nullptr, &size);
    if (status == ERROR_SUCCESS) {
        stored.bytes.resize(size);
        status = RegQueryValueExA(key.get(), name, nullptr, &stored.type,
                                  reinterpret_cast<BYTE*>(stored.bytes.data()), &size);
        stored.bytes.resize(size);
    }
    if (status != ERROR_SUCCESS)
        return std::nullopt;
    return stored;
}

const Value kUntouched = L"unber\u00FChrt"s;

} // namespace

TEST(RegistryKeys, AreCreatedOnceWithTheirClassDeletedOnlyWithoutSubkeysNeverBySetValue) {
    const std::wstring parent = FreshKey(L"Keys");
    const std::wstring child = parent + L"\\Neu\\Tiefer";
    EXPECT_EQ(Registry::SetValue(HKEY_LOCAL_MACHINE, child, L"Wert", L"neu"s), kFalse);
    EXPECT_EQ(Registry::KeyExists(HKEY_LOCAL_MACHINE, child), kFalse);
    EXPECT_EQ(Registry::CreateKey(HKEY_LOCAL_MACHINE, child, L"ErsteKlasse"), kTrue);
    EXPECT_EQ(Registry::CreateKey(HKEY_LOCAL_MACHINE, child, L"ZweiteKlasse"), kFalse);
    EXPECT_EQ(RegistryProbe::MachineKeyClass(child), L"ErsteKlasse");
    EXPECT_FALSE(MachineKeyPresent(child, KEY_WOW64_32KEY));

    EXPECT_EQ(Registry::HasSubkeys(HKEY_LOCAL_MACHINE, parent), kTrue);
    EXPECT_EQ(Registry::DeleteKey(HKEY_LOCAL_MACHINE, parent), kFalse);
    EXPECT_EQ(Registry::HasSubkeys(HKEY_LOCAL_MACHINE, child), kFalse);
    EXPECT_EQ(Registry::DeleteKey(HKEY_LOCAL_MACHINE, child), kTrue);
    EXPECT_EQ(Registry::DeleteKey(HKEY_LOCAL_MACHINE, child), kFalse);
    EXPECT_FALSE(MachineKeyPresent(child));
}

TEST(RegistryNames, AZeroInsideANameAddressesNothing) {
    // The platform would read such a name only up to the zero and act on a
    // different key or value.
    const std::wstring path = FreshKey(L"Zero");
    const std::wstring cut = path + L"\\Neu";
    Value value = kUntouched;

    EXPECT_EQ(Registry::KeyExists(HKEY_LOCAL_MACHINE, path + L"\0Rest"s), kFalse);
    EXPECT_EQ(Registry::CreateKey(HKEY_LOCAL_MACHINE, cut + L"\0Rest"s, L""), kFalse);
    EXPECT_FALSE(MachineKeyPresent(cut));
    EXPECT_EQ(Registry::DeleteKey(HKEY_LOCAL_MACHINE, path + L"\0Rest"s), kFalse);
    EXPECT_TRUE(MachineKeyPresent(path));
    EXPECT_EQ(Registry::SetValue(HKEY_LOCAL_MACHINE, path, L"Wert\0Rest"sv, L"x"s), kFalse);
    EXPECT_FALSE(ReadAnsi(path, "Wert"));
    ASSERT_EQ(Registry::SetValue(HKEY_LOCAL_MACHINE, path, L"Wert", L"x"s), kTrue);
    EXPECT_EQ(Registry::GetValue(HKEY_LOCAL_MACHINE, path, L"Wert\0Rest"sv, value), kFalse);
    EXPECT_EQ(value, kUntouched);
    // The root key itself is never the target of a delete.
    EXPECT_EQ(Registry::DeleteKey(HKEY_LOCAL_MACHINE, L""), kFalse);
}

// Text outside the western code page, and a carriage return, which makes it
// a multi-string with a line end.
TEST(RegistrySetValue, StoresTheLayoutsAnAnsiReaderExpects) {
    const std::wstring path = FreshKey(L"Layouts");
    const struct {
        const char* name;
        Value value;
        DWORD type;
        std::string bytes;
    } cases[] = {
        {"abc", L"abc"s, REG_SZ, "abc\0"s},
        {"cr inside", L"a\rb"s, REG_MULTI_SZ, "a\rb\r\n\0"s},
        {"ends with cr lf", L"a\r\n"s, REG_MULTI_SZ, "a\r\n\0"s},
        {"lf only", L"a\nb"s, REG_SZ, "a\nb\0"s},
        {"empty text", L""s, REG_SZ, "\0"s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // The default value, as the registration writes it, has the empty name.
        ASSERT_EQ(Registry::SetValue(HKEY_LOCAL_MACHINE, path, L"", c.value), kTrue);
        const auto stored = ReadAnsi(path, nullptr);
        ASSERT_TRUE(stored);
        EXPECT_EQ(stored->type, c.type);
        EXPECT_EQ(stored->bytes, c.bytes);
    }
    const std::wstring text = L"C:\\\u041F\u0440\u043E\\\u017D.exe \"%1\" \u6F22\u5B57";
    ASSERT_EQ(Registry::SetValue(HKEY_LOCAL_MACHINE, path, L"\u00DC\u0411", text), kTrue);
    Value value;
    ASSERT_EQ(Registry::GetValue(HKEY_LOCAL_MACHINE, path, L"\u00DC\u0411", value), kTrue);
    EXPECT_EQ(value, Value(text + L'\0' + L' '));
}

TEST(RegistryGetValue, ReadsEachTypeAsStored) {
    const std::wstring path = FreshKey(L"Types");
    const struct {
        const char* name;
        DWORD type;
        std::string bytes;
        std::optional<Value> expected; // nothing: false, value untouched
    } cases[] = {
        {"text with its terminator", REG_SZ, RegistryProbe::Utf16Bytes(L"abc\0"sv), L"abc\0 "s},
        {"text without terminator", REG_SZ, RegistryProbe::Utf16Bytes(L"abc"), L"abc "s},
        {"odd byte count drops the half character", REG_SZ, "a\0b\0c"s, L"ab "s},
        {"expandable text is not expanded", REG_EXPAND_SZ,
         RegistryProbe::Utf16Bytes(L"%WINDIR%\0"sv), L"%WINDIR%\0 "s},
        {"two binary bytes fill the low bytes", REG_BINARY, "\x01\x02"s, std::int32_t{513}},
        {"another type", REG_QWORD, "\x01\0\0\0\0\0\0\0"s, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(RegistryProbe::PutRaw(path, L"Wert", c.type, c.bytes));
        Value value = kUntouched;
        EXPECT_EQ(Registry::GetValue(HKEY_LOCAL_MACHINE, path, L"Wert", value),
                  c.expected ? kTrue : kFalse);
        EXPECT_EQ(value, c.expected.value_or(kUntouched));
    }
    Value value = kUntouched;
    EXPECT_EQ(Registry::GetValue(HKEY_LOCAL_MACHINE, path + L"\\Fehlt", L"", value), kFalse);
    EXPECT_EQ(value, kUntouched);
}

TEST(RegistryAccess, ReadingNeedsOnlyTheThreeReadRightsAndWritingNoStandardRights) {
    const std::wstring path = FreshKey(L"Access");
    ASSERT_EQ(Registry::SetValue(HKEY_LOCAL_MACHINE, path, L"Wert", L"alt"s), kTrue);

    // The owner may always read the access list (READ_CONTROL), so the key is
    // handed to the system account; everyone gets 0x19, and WRITE_DAC and
    // WRITE_OWNER for the next change, and nothing more.
    ASSERT_TRUE(RegistryProbe::SetAccess(path, L"O:SYD:P(A;;0xC0019;;;WD)"));
    Value value;
    EXPECT_EQ(Registry::KeyExists(HKEY_LOCAL_MACHINE, path), kTrue);
    EXPECT_EQ(Registry::GetValue(HKEY_LOCAL_MACHINE, path, L"Wert", value), kTrue);
    EXPECT_EQ(Registry::SetValue(HKEY_LOCAL_MACHINE, path, L"Wert", L"neu"s), kFalse);
    EXPECT_EQ(ReadAnsi(path, "Wert").value().bytes, "alt\0"s);

    ASSERT_TRUE(RegistryProbe::SetAccess(path, L"O:SYD:P(A;;0xC003F;;;WD)"));
    EXPECT_EQ(Registry::SetValue(HKEY_LOCAL_MACHINE, path, L"Wert", L"neu"s), kTrue);
    EXPECT_EQ(ReadAnsi(path, "Wert").value().bytes, "neu\0"s);

    ASSERT_TRUE(RegistryProbe::SetAccess(path, L"O:SYD:P(A;;KA;;;WD)"));
}
