#include "association/Registry.h"

#include "association/KeyPath.h"
#include "common/UniqueHandle.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace Registry {

static_assert((KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY) == kReadAccess);
static_assert((KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_ENUMERATE_SUB_KEYS |
               KEY_NOTIFY | KEY_CREATE_LINK) == kWriteAccess);

namespace {

// A value or a key may grow between measuring and reading it.
constexpr int kReadAttempts = 8;

Truth ToTruth(bool condition) {
    return condition ? kTrue : kFalse;
}

// The platform reads names up to their first zero, so a name with a zero
// inside would silently address a different key or value.
std::optional<std::wstring> Terminated(std::wstring_view text) {
    if (text.find(L'\0') != std::wstring_view::npos)
        return std::nullopt;
    return std::wstring(text);
}

// On 64-bit Windows the keys below the classes key that the program writes
// are shared by the 32-bit and the 64-bit registry view; any other key is
// read and written in the 64-bit view, where the 64-bit shell reads it.
// 32-bit Windows ignores the flag.
REGSAM ViewOf(const std::wstring& path) {
    return KeyPath::SameOrBelow(path, KeyPath::kClasses) ? 0 : KEY_WOW64_64KEY;
}

LSTATUS Open(HKEY root, const std::wstring& path, REGSAM access, UniqueKey& key) {
    // The handle is taken over only on success: what a failed call leaves in
    // its out argument is not a handle to close.
    HKEY opened = nullptr;
    const LSTATUS status = RegOpenKeyExW(root, path.c_str(), 0, access | ViewOf(path), &opened);
    if (status == ERROR_SUCCESS)
        key.reset(opened);
    return status;
}

UniqueKey OpenKey(HKEY root, const std::wstring& path, REGSAM access) {
    UniqueKey key;
    Open(root, path, access, key);
    return key;
}

void AppendLittleEndian(std::vector<BYTE>& bytes, std::uint32_t number) {
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<BYTE>(number >> shift));
}

std::optional<StoredValue> Encode(const Value& value) {
    StoredValue stored;
    if (const auto* small = std::get_if<std::int16_t>(&value)) {
        stored.type = REG_DWORD;
        AppendLittleEndian(stored.data, static_cast<std::uint32_t>(std::int32_t{*small}));
    } else if (const auto* number = std::get_if<std::int32_t>(&value)) {
        stored.type = REG_BINARY;
        AppendLittleEndian(stored.data, static_cast<std::uint32_t>(*number));
    } else if (const auto* given = std::get_if<std::wstring>(&value)) {
        std::wstring text = *given;
        stored.type = TextType(text);
        if (stored.type == REG_MULTI_SZ) {
            if (!text.ends_with(L"\r\n"))
                text += L"\r\n";
        }
        // Stored as one piece with one terminator, not split at the line breaks.
        if (text.size() >= MAXDWORD / sizeof(wchar_t))
            return std::nullopt;
        const auto* first = reinterpret_cast<const BYTE*>(text.c_str());
        stored.data.assign(first, first + (text.size() + 1) * sizeof(wchar_t));
    } else {
        return std::nullopt;
    }
    return stored;
}

bool IsText(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

bool Readable(DWORD type, DWORD size) {
    return IsText(type) || ((type == REG_DWORD || type == REG_BINARY) && size <= 4);
}

// Reads a value of an open key, again when it grew between asking for its
// size and reading it.
LSTATUS ReadStored(HKEY key, const std::wstring& name, StoredValue& value) {
    // Each round asks for the size anew; a value that keeps growing gives up.
    LSTATUS status = ERROR_MORE_DATA;
    for (int attempt = 0; attempt < kReadAttempts && status == ERROR_MORE_DATA; ++attempt) {
        DWORD size = 0;
        status = RegQueryValueExW(key, name.c_str(), nullptr, &value.type, nullptr, &size);
        if (status != ERROR_SUCCESS)
            return status;
        // One spare byte keeps the buffer non-null for an empty value: a null
        // buffer would only ask for the size again.
        value.data.assign(std::size_t{size} + 1, 0);
        DWORD read = size;
        status =
            RegQueryValueExW(key, name.c_str(), nullptr, &value.type, value.data.data(), &read);
        if (status == ERROR_SUCCESS && read > size)
            status = ERROR_MORE_DATA;
        if (status == ERROR_SUCCESS)
            value.data.resize(read);
    }
    value.name = name;
    return status;
}

struct KeySizes {
    DWORD longestSubkey = 0;
    DWORD longestValueName = 0;
    DWORD largestValue = 0;
};

LSTATUS Measure(HKEY key, KeySizes& sizes) {
    return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, &sizes.longestSubkey, nullptr,
                            nullptr, &sizes.longestValueName, &sizes.largestValue, nullptr,
                            nullptr);
}

KeySizes Larger(const KeySizes& left, const KeySizes& right) {
    return {std::max(left.longestSubkey, right.longestSubkey),
            std::max(left.longestValueName, right.longestValueName),
            std::max(left.largestValue, right.largestValue)};
}

// Reads an open key's values or subkeys one index after another, until the
// platform has no more. An entry may grow, or a longer one come in, between
// measuring the key and reading it: readAt then answers ERROR_MORE_DATA with
// the sizes it needs, and the key is measured again.
template <typename ReadAt> LSTATUS ReadAll(HKEY key, ReadAt readAt) {
    KeySizes sizes;
    LSTATUS status = Measure(key, sizes);
    int retries = 0;
    for (DWORD index = 0; status == ERROR_SUCCESS;) {
        KeySizes needed;
        status = readAt(index, sizes, needed);
        if (status == ERROR_NO_MORE_ITEMS)
            return ERROR_SUCCESS;
        if (status == ERROR_MORE_DATA && ++retries < kReadAttempts) {
            status = Measure(key, sizes);
            sizes = Larger(sizes, needed);
            continue;
        }
        ++index;
        retries = 0;
    }
    return status;
}

LSTATUS ReadValues(HKEY key, std::vector<StoredValue>& values) {
    return ReadAll(key, [&](DWORD index, const KeySizes& sizes, KeySizes& needed) {
        StoredValue value;
        value.name.resize(std::size_t{sizes.longestValueName} + 1);
        value.data.resize(std::size_t{sizes.largestValue} + 1);
        DWORD nameLength = static_cast<DWORD>(value.name.size());
        DWORD size = static_cast<DWORD>(value.data.size());
        const LSTATUS status = RegEnumValueW(key, index, value.name.data(), &nameLength, nullptr,
                                             &value.type, value.data.data(), &size);
        needed.longestValueName = nameLength * 2;
        needed.largestValue = size;
        if (status == ERROR_SUCCESS) {
            value.name.resize(nameLength);
            value.data.resize(size);
            values.push_back(std::move(value));
        }
        return status;
    });
}

LSTATUS ReadSubkeyNames(HKEY key, std::vector<std::wstring>& names) {
    return ReadAll(key, [&](DWORD index, const KeySizes& sizes, KeySizes& needed) {
        std::wstring name(std::size_t{sizes.longestSubkey} + 1, L'\0');
        DWORD length = static_cast<DWORD>(name.size());
        const LSTATUS status =
            RegEnumKeyExW(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        needed.longestSubkey = length * 2 + 1;
        if (status == ERROR_SUCCESS) {
            name.resize(length);
            names.push_back(std::move(name));
        }
        return status;
    });
}

std::optional<StoredValue> Read(HKEY key, const std::wstring& name) {
    StoredValue stored;
    if (ReadStored(key, name, stored) != ERROR_SUCCESS ||
        !Readable(stored.type, static_cast<DWORD>(stored.data.size())))
        return std::nullopt;
    return stored;
}

Value Decode(const StoredValue& stored) {
    if (IsText(stored.type)) {
        // A trailing odd byte is half a character; it is dropped, not read past.
        std::wstring text(stored.data.size() / sizeof(wchar_t), L'\0');
        std::copy_n(stored.data.begin(), text.size() * sizeof(wchar_t),
                    reinterpret_cast<BYTE*>(text.data()));
        text += L' ';
        return text;
    }
    std::uint32_t number = 0;
    for (std::size_t i = 0; i < stored.data.size(); ++i)
        number |= std::uint32_t{stored.data[i]} << (8 * i);
    return static_cast<std::int32_t>(number);
}

} // namespace

LSTATUS ReadKey(HKEY root, std::wstring_view path, StoredKey& key) {
    const auto name = Terminated(path);
    if (!name)
        return ERROR_INVALID_NAME;
    UniqueKey open;
    if (const LSTATUS status = Open(root, *name, kReadAccess, open); status != ERROR_SUCCESS)
        return status;
    key = {};
    const LSTATUS values = ReadValues(open.get(), key.values);
    return values != ERROR_SUCCESS ? values : ReadSubkeyNames(open.get(), key.subkeys);
}

Truth KeyExists(HKEY root, std::wstring_view path) {
    const auto name = Terminated(path);
    return ToTruth(name && OpenKey(root, *name, kReadAccess));
}

Truth MayWrite(HKEY root, std::wstring_view path) {
    const auto name = Terminated(path);
    return ToTruth(name && OpenKey(root, *name, KEY_CREATE_SUB_KEY | KEY_SET_VALUE));
}

Truth CreateKey(HKEY root, std::wstring_view path, std::wstring_view keyClass) {
    const auto name = Terminated(path);
    auto classText = Terminated(keyClass);
    if (!name || !classText)
        return kFalse;
    // Wine gives an existing key the class passed here, Windows keeps the old
    // one; asking first keeps the class untouched on both.
    if (OpenKey(root, *name, kWriteAccess))
        return kFalse;
    HKEY created = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExW(root, name->c_str(), 0, classText->data(), 0, kWriteAccess | ViewOf(*name),
                        nullptr, &created, &disposition) != ERROR_SUCCESS)
        return kFalse;
    const UniqueKey key(created);
    // A failed flush leaves the key created all the same; the answer only says
    // whether it is new.
    RegFlushKey(key.get());
    return ToTruth(disposition == REG_CREATED_NEW_KEY);
}

Truth HasSubkeys(HKEY root, std::wstring_view path) {
    const auto name = Terminated(path);
    const UniqueKey key = name ? OpenKey(root, *name, kReadAccess) : UniqueKey();
    DWORD subkeys = 0;
    return ToTruth(key &&
                   RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr,
                                    nullptr, nullptr, nullptr, nullptr, nullptr,
                                    nullptr) == ERROR_SUCCESS &&
                   subkeys > 0);
}

DWORD TextType(std::wstring_view text) {
    return text.find(L'\r') == std::wstring_view::npos ? REG_SZ : REG_MULTI_SZ;
}

Truth DeleteKey(HKEY root, std::wstring_view path) {
    const auto name = Terminated(path);
    // An empty path would name the root key itself.
    if (!name || name->empty())
        return kFalse;
    const REGSAM view = ViewOf(*name);
    const LSTATUS status = view == 0 ? RegDeleteKeyW(root, name->c_str())
                                     : RegDeleteKeyExW(root, name->c_str(), view, 0);
    return ToTruth(status == ERROR_SUCCESS);
}

namespace {

// A value to write or compare: its key and name as the platform takes them,
// its type and bytes as SetValue stores it.
struct Written {
    std::wstring path;
    std::wstring name;
    StoredValue stored;
};

std::optional<Written> ToWrite(std::wstring_view path, std::wstring_view valueName,
                               const Value& value) {
    auto name = Terminated(path);
    auto valueText = Terminated(valueName);
    auto data = Encode(value);
    if (!name || !valueText || !data)
        return std::nullopt;
    return Written{std::move(*name), std::move(*valueText), std::move(*data)};
}

} // namespace

Truth SetValue(HKEY root, std::wstring_view path, std::wstring_view valueName, const Value& value) {
    const auto written = ToWrite(path, valueName, value);
    const UniqueKey key = written ? OpenKey(root, written->path, kWriteAccess) : UniqueKey();
    if (!key)
        return kFalse;
    const StoredValue& data = written->stored;
    return ToTruth(RegSetValueExW(key.get(), written->name.c_str(), 0, data.type, data.data.data(),
                                  static_cast<DWORD>(data.data.size())) == ERROR_SUCCESS);
}

Truth HoldsValue(HKEY root, std::wstring_view path, std::wstring_view valueName,
                 const Value& value) {
    const auto written = ToWrite(path, valueName, value);
    const UniqueKey key = written ? OpenKey(root, written->path, kReadAccess) : UniqueKey();
    StoredValue stored;
    return ToTruth(key && ReadStored(key.get(), written->name, stored) == ERROR_SUCCESS &&
                   stored.type == written->stored.type && stored.data == written->stored.data);
}

Truth GetValue(HKEY root, std::wstring_view path, std::wstring_view valueName, Value& value) {
    const auto name = Terminated(path);
    const auto valueText = Terminated(valueName);
    if (!name || !valueText)
        return kFalse;
    const UniqueKey key = OpenKey(root, *name, kReadAccess);
    if (!key)
        return kFalse;
    const auto data = Read(key.get(), *valueText);
    if (!data)
        return kFalse;
    value = Decode(*data);
    return kTrue;
}

} // namespace Registry
