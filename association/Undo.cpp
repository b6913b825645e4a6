#include "association/Undo.h"

#include "association/AssociationTexts.h"
#include "association/KeyPath.h"
#include "association/Registry.h"
#include "common/Failure.h"
#include "common/Numbers.h"
#include "common/SystemError.h"
#include "common/Text.h"
#include "services/FileDirPath.h"
#include "services/TemporaryFile.h"

#include <windows.h>

#include <algorithm>
#include <optional>

namespace Undo {

namespace {

constexpr std::wstring_view kNewLine = L"\r\n";
// The registry editor breaks a hex list once a line has reached this many
// characters, after a comma; the line then ends in a backslash.
constexpr std::size_t kHexLineLimit = 77;
constexpr std::wstring_view kHexContinuation = L"\\\r\n  ";
constexpr int kNameAttempts = 999;

// A key the run changes, listed parents before children.
struct TouchedKey {
    std::wstring path;
    // The run deletes the key (and may write it anew): the file removes it
    // and writes it back whole, with every value and subkey.
    bool wholeTree = false;
    // The values the run sets; L"" is the default value.
    std::vector<std::wstring> values;
};

// Why the file cannot be made; the caller adds the file's name.
struct Problem {
    std::wstring reason;
};

std::wstring SystemError(DWORD code) {
    return Text::Fill(AssociationTexts::kSystemError, {ErrorCode(code)});
}

[[noreturn]] void Unreadable(KeyPath::Scope scope, std::wstring_view path, LSTATUS status) {
    throw Problem{Text::Fill(AssociationTexts::kKeyUnreadable, {KeyPath::Full(scope, path)}) +
                  SystemError(static_cast<DWORD>(status))};
}

// A registry file has no way to write a line break or a zero inside a key or
// value name; such a name would be cut or would change what follows it.
void CheckName(KeyPath::Scope scope, std::wstring_view name, std::wstring_view keyPath) {
    if (name.find_first_of(std::wstring_view(L"\r\n\0", 3)) != std::wstring_view::npos)
        throw Problem{
            Text::Fill(AssociationTexts::kNameNotWritable, {KeyPath::Full(scope, keyPath)})};
}

using KeyPath::SameOrBelow;

// The plan's steps by key, in the order the run first touches each.
std::vector<TouchedKey> TouchedKeys(const std::vector<Plan::Step>& steps) {
    using Action = Plan::Step::Action;
    std::vector<TouchedKey> touched;
    for (const Plan::Step& step : steps) {
        auto entry = std::find_if(touched.begin(), touched.end(), [&](const TouchedKey& key) {
            return Text::Same(key.path, step.key);
        });
        if (entry == touched.end())
            entry = touched.insert(touched.end(), TouchedKey{step.key, false, {}});
        if (step.action == Action::DeleteKey)
            entry->wholeTree = true;
        else if (step.action == Action::SetValue &&
                 std::find(entry->values.begin(), entry->values.end(), step.valueName) ==
                     entry->values.end())
            entry->values.push_back(step.valueName);
    }
    return touched;
}

// --- Reading the registry ---------------------------------------------------

using Registry::StoredKey;
using Registry::StoredValue;

// Nothing when the key does not exist; any other failure means its state is
// unknown.
std::optional<StoredKey> ReadKey(KeyPath::Scope scope, std::wstring_view path) {
    StoredKey key;
    const LSTATUS status = Registry::ReadKey(KeyPath::Root(scope), path, key);
    if (status == ERROR_FILE_NOT_FOUND)
        return std::nullopt;
    if (status != ERROR_SUCCESS)
        Unreadable(scope, path, status);
    return key;
}

// Value names compare without regard to case, as the registry compares them.
const StoredValue* ValueNamed(const StoredKey& key, std::wstring_view name) {
    for (const StoredValue& value : key.values)
        if (Text::Same(value.name, name))
            return &value;
    return nullptr;
}

// --- Writing the registry editor's format -----------------------------------

void AppendEscaped(std::wstring& text, std::wstring_view plain) {
    text += L'"';
    for (wchar_t c : plain) {
        if (c == L'\\' || c == L'"')
            text += L'\\';
        text += c;
    }
    text += L'"';
}

void AppendValueName(std::wstring& text, std::wstring_view name) {
    if (name.empty())
        text += L'@';
    else
        AppendEscaped(text, name);
    text += L'=';
}

void AppendHexType(std::wstring& text, DWORD type) {
    if (type == REG_BINARY) {
        text += L"hex:";
        return;
    }
    text += L"hex(";
    int digits = 1;
    while (digits < 8 && (type >> (digits * 4)) != 0)
        ++digits;
    text += HexDigits(type, digits);
    text += L"):";
}

// lineStart is where the value's line begins in text.
void AppendHexBytes(std::wstring& text, std::size_t lineStart, const std::vector<BYTE>& data) {
    std::size_t lineLength = text.size() - lineStart;
    for (std::size_t i = 0; i < data.size(); ++i) {
        text += HexDigits(data[i], 2);
        if (i + 1 == data.size())
            break;
        text += L',';
        lineLength += 3;
        if (lineLength >= kHexLineLimit) {
            text += kHexContinuation;
            lineLength = 2;
        }
    }
}

// Text the editor reads back unchanged from "…": one terminating zero and
// none inside, and no line break (Wine's editor turns the two characters
// \n into a line break, Windows' editor does not).
std::optional<std::wstring_view> PlainString(const StoredValue& value) {
    if (value.type != REG_SZ || value.data.size() < sizeof(wchar_t) ||
        value.data.size() % sizeof(wchar_t) != 0)
        return std::nullopt;
    const std::wstring_view text(reinterpret_cast<const wchar_t*>(value.data.data()),
                                 value.data.size() / sizeof(wchar_t) - 1);
    if (text.data()[text.size()] != L'\0' ||
        text.find_first_of(std::wstring_view(L"\r\n\0", 3)) != std::wstring_view::npos)
        return std::nullopt;
    return text;
}

void AppendValue(std::wstring& text, const StoredValue& value) {
    const std::size_t lineStart = text.size();
    AppendValueName(text, value.name);
    if (const auto plain = PlainString(value)) {
        AppendEscaped(text, *plain);
    } else if (value.type == REG_DWORD && value.data.size() == 4) {
        unsigned long number = 0;
        for (int i = 3; i >= 0; --i)
            number = (number << 8) | value.data[i];
        text += L"dword:";
        text += HexDigits(number, 8);
    } else {
        AppendHexType(text, value.type);
        AppendHexBytes(text, lineStart, value.data);
    }
    text += kNewLine;
}

void AppendDeletedValue(std::wstring& text, std::wstring_view name) {
    AppendValueName(text, name);
    text += L'-';
    text += kNewLine;
}

void AppendKeyLine(std::wstring& text, KeyPath::Scope scope, std::wstring_view path) {
    text += L'[';
    text += KeyPath::Full(scope, path);
    text += L']';
    text += kNewLine;
}

void AppendDeletedKey(std::wstring& text, KeyPath::Scope scope, std::wstring_view path) {
    text += L"[-";
    text += KeyPath::Full(scope, path);
    text += L']';
    text += kNewLine;
    text += kNewLine;
}

// The key as it is now, with every value and every subkey, parents first.
void AppendTree(std::wstring& text, KeyPath::Scope scope, const StoredKey& key,
                const std::wstring& path) {
    AppendKeyLine(text, scope, path);
    for (const StoredValue& value : key.values) {
        CheckName(scope, value.name, path);
        AppendValue(text, value);
    }
    text += kNewLine;
    for (const std::wstring& name : key.subkeys) {
        CheckName(scope, name, path);
        const std::wstring subkeyPath = path + L'\\' + name;
        // A subkey deleted meanwhile has nothing left to restore.
        if (const auto subkey = ReadKey(scope, subkeyPath))
            AppendTree(text, scope, *subkey, subkeyPath);
    }
}

void AppendListedValues(std::wstring& text, KeyPath::Scope scope, const StoredKey& key,
                        const TouchedKey& touched) {
    std::wstring block;
    for (const std::wstring& name : touched.values) {
        CheckName(scope, name, touched.path);
        if (const StoredValue* value = ValueNamed(key, name))
            AppendValue(block, *value);
        else
            AppendDeletedValue(block, name);
    }
    // A key without listed values needs no block: it exists and stays.
    if (block.empty())
        return;
    AppendKeyLine(text, scope, touched.path);
    text += block;
    text += kNewLine;
}

std::wstring UndoText(KeyPath::Scope scope, const std::vector<TouchedKey>& touched) {
    std::wstring text = L"\xFEFF"
                        L"Windows Registry Editor Version 5.00\r\n\r\n";
    // Keys whose whole subtree the file already settles: removed, or removed
    // and written back whole. A later block below one would create it again.
    std::vector<std::wstring_view> settled;
    for (const TouchedKey& entry : touched) {
        CheckName(scope, entry.path, entry.path);
        if (entry.path.empty())
            throw Problem{std::wstring(AssociationTexts::kKeyWithoutName)};
        bool isSettled = false;
        for (std::wstring_view done : settled)
            isSettled = isSettled || SameOrBelow(entry.path, done);
        if (isSettled)
            continue;

        const std::optional<StoredKey> key = ReadKey(scope, entry.path);
        if (!key || entry.wholeTree) {
            AppendDeletedKey(text, scope, entry.path);
            if (key)
                AppendTree(text, scope, *key, entry.path);
            settled.push_back(entry.path);
        } else {
            AppendListedValues(text, scope, *key, entry);
        }
    }
    return text;
}

// --- The file ---------------------------------------------------------------

std::wstring Stamp() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return DateAndTime(now, L'-');
}

std::wstring FinalName(std::wstring_view folder, const std::wstring& stamp, int number) {
    std::wstring name = L"Rückgängig " + stamp;
    if (number > 1)
        name += L" (" + Decimal(number) + L')';
    return FileDirPath::Join(folder, name + L".reg");
}

[[noreturn]] void Fail(const std::wstring& file, const std::wstring& reason) {
    throw FileNotMade(
        Text::Fill(AssociationTexts::kFileNotMade, {AssociationTexts::kUndoFile, file, reason}));
}

} // namespace

File::File(std::wstring_view folder, const std::vector<Plan::Step>& steps, KeyPath::Scope scope)
    : folder_(folder), stamp_(Stamp()) {
    try {
        text_ = UndoText(scope, TouchedKeys(steps));
    } catch (const Problem& problem) {
        Fail(FinalName(folder_, stamp_, 1), problem.reason);
    }
}

std::wstring File::Save() const {
    std::wstring file = FinalName(folder_, stamp_, 1);
    try {
        TemporaryFile temporary(folder_, L"~Rückgängig " + stamp_);
        if (const DWORD error = temporary.Created(); error != ERROR_SUCCESS)
            throw Problem{Text::Fill(AssociationTexts::kNoFileInFolder, {folder_}) +
                          SystemError(error)};
        const std::string_view bytes(reinterpret_cast<const char*>(text_.data()),
                                     text_.size() * sizeof(wchar_t));
        if (const DWORD error = temporary.Write(bytes); error != ERROR_SUCCESS)
            throw Problem{std::wstring(AssociationTexts::kNotWrittenWhole) + SystemError(error)};
        for (int number = 1; number <= kNameAttempts; ++number) {
            file = FinalName(folder_, stamp_, number);
            // An existing file is never replaced: the next number is tried.
            const DWORD error = temporary.MoveTo(file, false);
            if (error == ERROR_SUCCESS)
                return file;
            if (!TemporaryFile::NameTaken(file, error))
                throw Problem{std::wstring(AssociationTexts::kNotNamed) + SystemError(error)};
        }
        throw Problem{Text::Fill(AssociationTexts::kAllNamesTaken, {file})};
    } catch (const Problem& problem) {
        Fail(file, problem.reason);
    }
}

} // namespace Undo
