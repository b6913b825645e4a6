#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// The only code that touches the registry. Every operation opens and closes
// its own key, so no handle outlives a call. Results are truth values of the
// program's own convention, -1 true and 0 false: callers compare with kTrue.
// Keys below Software\Classes are opened with exactly the access masks below,
// in the view of the calling program (the keys the program writes there are
// shared by both views of 64-bit Windows); any other key in the 64-bit view,
// where 64-bit Windows reads it.
namespace Registry {

using Truth = std::int16_t;
inline constexpr Truth kTrue = -1;
inline constexpr Truth kFalse = 0;

// std::monostate and double stand for value types the registry layer cannot
// write; SetValue refuses them.
using Value = std::variant<std::monostate, std::int16_t, std::int32_t, std::wstring, double>;

// KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY: reading needs no
// standard rights, so a key whose access list grants only these still reads.
inline constexpr REGSAM kReadAccess = 0x19;
// The six key-specific rights and no standard rights (no DELETE, WRITE_DAC...).
inline constexpr REGSAM kWriteAccess = 0x3F;

Truth KeyExists(HKEY root, std::wstring_view path);

// True when this process may create subkeys of the key and set its values:
// the access the platform checks when the key is opened for it.
Truth MayWrite(HKEY root, std::wstring_view path);

// A value's name, type and bytes exactly as stored.
struct StoredValue {
    std::wstring name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

// A key's values exactly as stored, and the names of its subkeys.
struct StoredKey {
    std::vector<StoredValue> values;
    std::vector<std::wstring> subkeys;
};

// Reads a key whole, with the read rights alone, for a file that must give
// it back exactly. ERROR_SUCCESS, or the platform's error, so that a key that
// is not there (ERROR_FILE_NOT_FOUND) is told from one that cannot be read.
LSTATUS ReadKey(HKEY root, std::wstring_view path, StoredKey& key);

// True only when the key was new; an existing key keeps its class.
Truth CreateKey(HKEY root, std::wstring_view path, std::wstring_view keyClass);

// A key with sub-keys is refused and stays as it was.
Truth DeleteKey(HKEY root, std::wstring_view path);

// True when the key exists and has subkeys: DeleteKey would refuse it.
Truth HasSubkeys(HKEY root, std::wstring_view path);

// How SetValue stores a text: REG_MULTI_SZ when it has a carriage return,
// else REG_SZ.
DWORD TextType(std::wstring_view text);

// Never creates the key. int16 is stored as REG_DWORD, int32 as its four
// little-endian bytes in REG_BINARY. Text is REG_SZ with one terminating zero;
// text with a carriage return becomes REG_MULTI_SZ, ending in CR LF, with the
// same single terminator. Other variant types write nothing and give false.
Truth SetValue(HKEY root, std::wstring_view path, std::wstring_view valueName, const Value& value);

// True when the key holds the value exactly as SetValue would store it.
Truth HoldsValue(HKEY root, std::wstring_view path, std::wstring_view valueName,
                 const Value& value);

// Text values come back exactly as stored (zeros kept, nothing expanded) with
// one blank appended; REG_DWORD and REG_BINARY of at most four bytes come back
// as int32. Any other type, a longer binary or a failure gives false and
// leaves `value` untouched.
Truth GetValue(HKEY root, std::wstring_view path, std::wstring_view valueName, Value& value);

} // namespace Registry
