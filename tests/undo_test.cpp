#include "association/Undo.h"
#include "common/Failure.h"
#include "common/UniqueHandle.h"
#include "tests/support/RegFile.h"
#include "tests/support/System.h"
#include "tests/support/TextFile.h"
#include "tools/driver/Program.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

using namespace std::string_literals;
using driver::FilesIn;
using support::Ascii;

namespace {

const std::wstring kClasses = L"Software\\Classes\\";

std::wstring NewFolder(const std::wstring& name) {
    CreateDirectoryW(L"C:\\Rückgängig Test", nullptr);
    const std::wstring folder = L"C:\\Rückgängig Test\\" + name;
    EXPECT_TRUE(CreateDirectoryW(folder.c_str(), nullptr)) << Ascii(folder);
    return folder;
}

// --- Setting up the registry ------------------------------------------------

using Bytes = std::vector<BYTE>;

Bytes Utf16(std::wstring_view text, bool terminated = true) {
    const auto* first = reinterpret_cast<const BYTE*>(text.data());
    Bytes bytes(first, first + text.size() * sizeof(wchar_t));
    if (terminated)
        bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

void Put(const std::wstring& path, const std::wstring& name, DWORD type, const Bytes& data) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS)
        << Ascii(path);
    const UniqueKey owner(key);
    // The platform counts a zero right after the data as the terminator that
    // a caller forgot; what follows here never is one.
    Bytes buffer = data;
    buffer.insert(buffer.end(), {0xFF, 0xFF});
    ASSERT_EQ(
        RegSetValueExW(key, name.c_str(), 0, type, buffer.data(), static_cast<DWORD>(data.size())),
        ERROR_SUCCESS)
        << Ascii(path) << " " << Ascii(name);
}

void PutText(const std::wstring& path, const std::wstring& name, const std::wstring& text) {
    Put(path, name, REG_SZ, Utf16(text));
}

void DeleteTree(const std::wstring& path) {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, path.c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str());
}

bool KeyExists(const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// Every value of a tree exactly as stored, type and bytes: the editor's export
// shows some differences alike (a string without its terminator, an empty
// string), and leaves a short DWORD's missing bytes to chance.
using Snapshot = std::map<std::wstring, std::map<std::wstring, std::pair<DWORD, Bytes>>>;

void Record(HKEY key, const std::wstring& path, Snapshot& snapshot) {
    auto& values = snapshot[path];
    wchar_t name[16384];
    std::vector<BYTE> data(1 << 16);
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = 16384;
        DWORD size = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (RegEnumValueW(key, index, name, &nameLength, nullptr, &type, data.data(), &size) !=
            ERROR_SUCCESS)
            break;
        values[std::wstring(name, nameLength)] = {type, Bytes(data.begin(), data.begin() + size)};
    }
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = 256;
        if (RegEnumKeyExW(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        HKEY subkey = nullptr;
        if (RegOpenKeyExW(key, name, 0, KEY_READ, &subkey) == ERROR_SUCCESS) {
            const UniqueKey owner(subkey);
            Record(subkey, path + L'\\' + name, snapshot);
        }
    }
}

Snapshot Take(const std::vector<std::wstring>& roots) {
    Snapshot snapshot;
    for (const std::wstring& root : roots) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, root.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
            const UniqueKey owner(key);
            Record(key, root, snapshot);
        }
    }
    return snapshot;
}

std::string Describe(const std::wstring& path, const std::wstring& name,
                     const std::pair<DWORD, Bytes>& value) {
    std::string text = "[";
    text.append(Ascii(path)).append("] ").append(Ascii(name));
    text.append(" type ").append(std::to_string(value.first)).append(":");
    for (BYTE b : value.second) {
        char hex[4];
        snprintf(hex, sizeof(hex), " %02x", b);
        text += hex;
    }
    return text;
}

// Only what differs, one line each; empty when equal.
std::string SnapshotDifferences(const Snapshot& before, const Snapshot& after) {
    std::string text;
    auto missing = [&text](const Snapshot& from, const Snapshot& other, const char* sign) {
        for (const auto& [path, values] : from) {
            const auto found = other.find(path);
            if (found == other.end()) {
                text.append(sign).append(" [").append(Ascii(path)).append("]\n");
                continue;
            }
            for (const auto& [name, value] : values) {
                const auto same = found->second.find(name);
                if (same == found->second.end() || same->second != value)
                    text.append(sign).append(" ").append(Describe(path, name, value)).append("\n");
            }
        }
    };
    missing(before, after, "-");
    missing(after, before, "+");
    return text;
}

// --- What a run touches ------------------------------------------------------

// A key a run touches: deleted with all below it, values set in it, or (with
// neither) created.
struct Touched {
    std::wstring path;
    bool wholeTree = false;
    std::vector<std::wstring> values;
};

std::wstring WriteUndoFile(const std::wstring& folder, const std::vector<Touched>& touched) {
    using Step = Registration::Step;
    std::vector<Step> steps;
    for (const Touched& key : touched) {
        if (key.wholeTree)
            steps.push_back({Step::Action::DeleteKey, key.path, {}, REG_NONE, {}, false, false});
        if (!key.wholeTree && key.values.empty())
            steps.push_back({Step::Action::CreateKey, key.path, {}, REG_NONE, {}, false, false});
        for (const std::wstring& name : key.values)
            steps.push_back({Step::Action::SetValue, key.path, name, REG_SZ, L"neu", false, false});
    }
    return Undo::File(folder, steps).Save();
}

Bytes Counting(std::size_t count) {
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<BYTE>(i * 7);
    return bytes;
}

// One value of each kind the registry editor writes differently.
void PutEveryType(const std::wstring& path) {
    PutText(path, L"Text", L"C:\\Pfad mit \"Anführung\"");
    Put(path, L"Erweiterbar", REG_EXPAND_SZ, Utf16(L"%SystemRoot%\\system32\\x.dll"));
    Put(path, L"Binär lang", REG_BINARY, Counting(200));
    Put(path, L"Zahl", REG_DWORD, {0x78, 0x56, 0x34, 0x12});
    Put(path, L"Mehrere", REG_MULTI_SZ, Utf16(L"eins\0zwei mit Blank\0drei\\x\0"s));
    Put(path, L"Groß", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8});
    Put(path, L"Nichts", REG_NONE, {0xAB, 0xCD});
    Put(path, L"Nichts leer", REG_NONE, {});
    Put(path, L"Null innen", REG_SZ, Utf16(L"vor\0nach"s));
    Put(path, L"Zeilen", REG_SZ, Utf16(L"erste\r\nzweite\nletzte"));
    Put(path, L"Leer ganz", REG_SZ, {});
    PutText(path, L"Leer", L"");
    Put(path, L"Binär leer", REG_BINARY, {});
    Put(path, L"Big endian", REG_DWORD_BIG_ENDIAN, {0x12, 0x34, 0x56, 0x78});
    Put(path, L"Verweis", REG_LINK, Utf16(L"\\Registry\\Machine\\Software", false));
    Put(path, L"Ressourcen", REG_RESOURCE_LIST, Counting(30));
    Put(path, L"Eigener Typ", 0x12345678, Counting(3));
    Put(path, L"Höchster Typ", 0xFFFFFFFF, Counting(1));
}

// Values whose lines differ between Wine's export of them and the data (a
// DWORD of two bytes is exported with two bytes of whatever follows), so
// they stay out of the classes key that the test exports.
void PutMalformed(const std::wstring& path) {
    Put(path, L"Kurze Zahl", REG_DWORD, {1, 2});
    Put(path, L"Ohne Ende", REG_SZ, Utf16(L"ohne Null", false));
    Put(path, L"Halbes Zeichen", REG_SZ, {0x41, 0x00, 0x42});
}

bool UnderWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// Wine's editor imports a hex(1) list that lacks the terminator with one
// added, and one of an odd length as other bytes; Windows' stores the bytes.
Snapshot AsImported(Snapshot snapshot) {
    if (!UnderWine())
        return snapshot;
    for (auto& [path, values] : snapshot)
        for (auto it = values.begin(); it != values.end();) {
            auto& [type, data] = it->second;
            if (type == REG_SZ && data.size() % 2 != 0) {
                it = values.erase(it);
                continue;
            }
            if (type == REG_SZ &&
                (data.size() < 2 || data[data.size() - 1] != 0 || data[data.size() - 2] != 0) &&
                !data.empty())
                data.insert(data.end(), {0, 0});
            ++it;
        }
    return snapshot;
}

struct Case {
    const char* name;
    std::function<void()> before;
    std::vector<Touched> touched;
    std::function<void()> run;
    std::vector<std::wstring> roots; // the trees compared before and after
};

std::vector<Case> RoundTripCases() {
    std::vector<Case> cases;
    // The outside key holds what the whole-classes export cannot show
    // reliably (a DWORD of two bytes); the snapshot sees it.
    const std::wstring typed = kClasses + L".bktypen";
    const std::wstring outside = L"Software\\Bildkranz Rückgängig Test";
    cases.push_back({"values of every type",
                     [typed, outside] {
                         PutEveryType(typed);
                         PutEveryType(typed + L"\\Unter");
                         PutEveryType(outside);
                         PutMalformed(outside);
                     },
                     {{typed, true, {}}, {outside, true, {}}},
                     [typed, outside] {
                         DeleteTree(typed);
                         DeleteTree(outside);
                         PutText(typed, L"", L"vom Lauf");
                         PutText(outside, L"Neu", L"vom Lauf");
                     },
                     {typed, outside}});

    const std::wstring extension = kClasses + L".bk名前 x";
    const std::wstring className = kClasses + L"BK \"Name\" Кириллица Ελληνικά 中文";
    const std::wstring quoted = L"Wert \"zitiert\" mit \\ Strich";
    cases.push_back({"names with blanks, quotes, backslashes and other scripts",
                     [=] {
                         PutText(extension, L"", L"Alt");
                         PutText(extension, L"Wert mit \\ Strich", L"a\\b");
                         PutText(extension, L"\"zitiert\"", L"\"q\"");
                         PutText(extension, L"@", L"kein Standardwert");
                         PutText(extension, L"Ελληνικά Кириллица 中文", L"Ελληνικά");
                         Put(extension, L"\\\"=hex:", REG_BINARY, Counting(40));
                         PutText(extension + L"\\Unter]Schlüssel", L"", L"x");
                         PutText(extension + L"\\中文 Schlüssel [1]", L"", L"y");
                         PutText(className, quoted, L"alt");
                         PutText(className, L"bleibt", L"alt");
                     },
                     {{extension, true, {}}, {className, false, {quoted, L"新しい Wert"}}},
                     [=] {
                         DeleteTree(extension);
                         PutText(extension, L"", L"BK");
                         PutText(className, quoted, L"neu");
                         PutText(className, L"新しい Wert", L"neu");
                     },
                     {extension, className}});
    return cases;
}

std::wstring KeyLine(const std::wstring& path) {
    return L"HKEY_LOCAL_MACHINE\\" + path;
}

bool SameOrBelow(const std::wstring& path, const std::wstring& ancestor) {
    return path == ancestor || path.starts_with(ancestor + L'\\');
}

std::wstring EncodedName(const std::wstring& name) {
    if (name.empty())
        return L"@=";
    std::wstring encoded = L"\"";
    for (wchar_t c : name) {
        if (c == L'\\' || c == L'"')
            encoded += L'\\';
        encoded += c;
    }
    return encoded + L"\"=";
}

// Nothing in the file lies outside what the run touches: every block is a
// listed key with only its listed values, or lies within a whole tree.
::testing::AssertionResult OnlyTouched(const reg_file::Content& file,
                                       const std::vector<Touched>& touched) {
    for (const auto& [block, lines] : file) {
        const bool removal = block.starts_with(L'-');
        const std::wstring key = removal ? block.substr(1) : block;
        bool allowed = false;
        for (const Touched& entry : touched) {
            const std::wstring path = KeyLine(entry.path);
            if (entry.wholeTree && SameOrBelow(key, path))
                allowed = true;
            if (key != path)
                continue;
            bool valuesListed = true;
            for (const std::wstring& line : lines) {
                bool listed = false;
                for (const std::wstring& name : entry.values)
                    listed = listed || line.starts_with(EncodedName(name));
                valuesListed = valuesListed && listed;
            }
            allowed = allowed || valuesListed;
        }
        if (!allowed)
            return ::testing::AssertionFailure()
                   << "the undo file holds more than the run touches: [" << Ascii(block) << "]";
    }
    return ::testing::AssertionSuccess();
}

// --- The tests --------------------------------------------------------------

// Before the run, the undo file, the run, the import: the classes key is as it
// was, compared as the editor exports it and value by value.
TEST(UndoFile, ImportedItRestoresEverythingTheRunTouched) {
    const std::wstring folder = NewFolder(L"Rundgang");
    std::vector<Case> cases = RoundTripCases();
    for (Case& c : cases) {
        for (const std::wstring& root : c.roots)
            DeleteTree(root);
        c.before();
    }
    auto roots = [](const Case& c) {
        return c.roots;
    };
    std::vector<Snapshot> before;
    for (const Case& c : cases)
        before.push_back(Take(roots(c)));
    const std::wstring beforeExport = folder + L"\\vorher.reg";
    ASSERT_TRUE(reg_file::ExportClasses(beforeExport));

    std::vector<std::wstring> undoFiles;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        undoFiles.push_back(WriteUndoFile(folder, c.touched));
        EXPECT_TRUE(OnlyTouched(reg_file::ParseFile(undoFiles.back()), c.touched));
    }
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        cases[i].run();
        // Otherwise the import below would prove nothing.
        EXPECT_FALSE(SnapshotDifferences(before[i], Take(roots(cases[i]))).empty());
    }
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_TRUE(reg_file::Import(undoFiles[i])) << Ascii(undoFiles[i]);
        EXPECT_EQ(SnapshotDifferences(AsImported(before[i]), AsImported(Take(roots(cases[i])))),
                  "");
    }

    const std::wstring afterExport = folder + L"\\nachher.reg";
    ASSERT_TRUE(reg_file::ExportClasses(afterExport));
    const auto differences =
        reg_file::Differences(reg_file::ParseFile(beforeExport), reg_file::ParseFile(afterExport));
    std::string listed;
    for (const std::string& difference : differences)
        listed += difference + "\n";
    EXPECT_TRUE(differences.empty()) << listed;

    // A value the run does not set stays out of the file.
    const std::wstring namesFile = text_file::Read(undoFiles.back());
    EXPECT_EQ(namesFile.find(L"bleibt"), std::wstring::npos) << Ascii(namesFile);
}

// Written as the registry editor itself writes the same key: the same lines,
// wrapped at the same places, and the file as a whole in its format.
TEST(UndoFile, WritesTheKeyAsTheRegistryEditorExportsIt) {
    const std::wstring folder = NewFolder(L"Format");
    const std::wstring path = kClasses + L"BK Format Кириллица";
    DeleteTree(path);
    PutText(path, L"", L"Standard");
    PutText(path, L"Text", L"C:\\Pfad mit \"Anführung\" und Ελληνικά");
    PutText(path, L"Leer", L"");
    Put(path, L"Erweiterbar", REG_EXPAND_SZ, Utf16(L"%SystemRoot%\\system32\\shell32.dll,-1"));
    Put(path, L"Binär", REG_BINARY, Counting(120));
    Put(path, L"Binär leer", REG_BINARY, {});
    Put(path, L"Zahl", REG_DWORD, {0xEF, 0xBE, 0xAD, 0xDE});
    Put(path, L"Mehrere", REG_MULTI_SZ, Utf16(L"eins\0zwei\0drei\0"s));
    Put(path, L"Groß", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8});
    Put(path, L"Nichts", REG_NONE, {0xAB});
    Put(path, L"Eigener Typ", 0x12345678, Counting(3));
    Put(path, L"Ein sehr langer Name, der fast die ganze erste Zeile füllt, bis hierher",
        REG_BINARY, Counting(40));
    Put(path, L"Name \"mit\" \\ Zeichen", REG_EXPAND_SZ, Utf16(L"x"));
    PutText(path + L"\\Unter", L"", L"u");

    const std::wstring undoFile = WriteUndoFile(folder, {{path, true, {}}});
    const std::wstring exported = folder + L"\\export.reg";
    ASSERT_TRUE(reg_file::Export(exported, KeyLine(path)));

    const auto ours = reg_file::ParseFile(undoFile, false);
    const auto editors = reg_file::ParseFile(exported, false);
    for (const std::wstring& key : {KeyLine(path), KeyLine(path + L"\\Unter")}) {
        SCOPED_TRACE(Ascii(key));
        ASSERT_TRUE(ours.contains(key));
        ASSERT_TRUE(editors.contains(key));
        std::string listed;
        for (const std::string& difference :
             reg_file::Differences({{key, editors.at(key)}}, {{key, ours.at(key)}}))
            listed += difference + "\n";
        EXPECT_TRUE(listed.empty()) << listed;
    }

    // Text the editor would not read back as it is goes as a hex list.
    const std::wstring odd = kClasses + L"BK Format ungerade";
    DeleteTree(odd);
    PutMalformed(odd);
    Put(odd, L"Zeilen", REG_SZ, Utf16(L"a\nb"));
    Put(odd, L"Null innen", REG_SZ, Utf16(L"a\0b"s));
    const auto oddLines = reg_file::ParseFile(WriteUndoFile(folder, {{odd, true, {}}}));
    EXPECT_EQ(oddLines.at(KeyLine(odd)),
              (std::set<std::wstring>{
                  L"\"Kurze Zahl\"=hex(4):01,02",
                  L"\"Ohne Ende\"=hex(1):6f,00,68,00,6e,00,65,00,20,00,4e,00,75,00,6c,00,6c,00",
                  L"\"Halbes Zeichen\"=hex(1):41,00,42",
                  L"\"Zeilen\"=hex(1):61,00,0a,00,62,00,00,00",
                  L"\"Null innen\"=hex(1):61,00,00,00,62,00,00,00",
              }));

    // Byte order mark, header, a blank line, the removal first; CR LF only.
    const UniqueFile file(CreateFileW(undoFile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file);
    std::wstring raw(GetFileSize(file.get(), nullptr) / sizeof(wchar_t), L'\0');
    DWORD read = 0;
    ReadFile(file.get(), raw.data(), static_cast<DWORD>(raw.size() * sizeof(wchar_t)), &read,
             nullptr);
    EXPECT_TRUE(raw.starts_with(L"\xFEFF"
                                L"Windows Registry Editor Version 5.00\r\n\r\n[-" +
                                KeyLine(path) + L"]\r\n\r\n[" + KeyLine(path) + L"]\r\n"))
        << Ascii(raw.substr(0, 200));
    for (std::size_t at = raw.find(L'\n'); at != std::wstring::npos; at = raw.find(L'\n', at + 1))
        ASSERT_EQ(raw[at - 1], L'\r') << "a line break without CR at " << at;
    EXPECT_TRUE(raw.ends_with(L"\r\n\r\n"));
}

TEST(UndoFile, ASecondFileInTheSameSecondGetsItsOwnName) {
    const std::wstring folder = NewFolder(L"Zweimal");
    const std::vector<Touched> touched{{kClasses + L".bkzweimal", true, {}}};
    // A second boundary between the two calls gives two plain names; then
    // the pair is tried again, for a while.
    const ULONGLONG deadline = GetTickCount64() + 10'000;
    std::wstring first, second;
    do {
        first = WriteUndoFile(folder, touched);
        second = WriteUndoFile(folder, touched);
    } while (!second.ends_with(L" (2).reg") && GetTickCount64() < deadline);

    ASSERT_TRUE(first.starts_with(folder + L"\\Rückgängig ")) << Ascii(first);
    ASSERT_TRUE(first.ends_with(L".reg"));
    EXPECT_EQ(second, first.substr(0, first.size() - 4) + L" (2).reg");
    // The first file is still the first call's: a removal of the missing key.
    EXPECT_EQ(text_file::Read(first), L"Windows Registry Editor Version 5.00\r\n\r\n[-" +
                                          KeyLine(touched[0].path) + L"]\r\n\r\n");
    EXPECT_EQ(text_file::Read(second), text_file::Read(first));
    // No temporary file stays behind.
    for (const std::wstring& name : FilesIn(folder))
        EXPECT_TRUE(name.starts_with(L"Rückgängig ") && name.ends_with(L".reg")) << Ascii(name);
}

// An access list with no entries: nobody may read the key.
void LockOut(const std::wstring& path) {
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, WRITE_DAC, &key), ERROR_SUCCESS);
    const UniqueKey owner(key);
    ACL acl;
    InitializeAcl(&acl, sizeof(acl), ACL_REVISION);
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, &acl, FALSE);
    ASSERT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor), ERROR_SUCCESS);
}

TEST(UndoFile, WhatCannotBeWrittenFailsNamingTheFileAndLeavesNone) {
    const std::wstring folder = NewFolder(L"Fehler");
    const std::wstring plainFile = folder + L"\\eine Datei";
    ASSERT_TRUE(text_file::Write(plainFile, L"x"));
    const std::wstring locked = kClasses + L"BK_Gesperrt";
    PutText(locked + L"\\shell", L"", L"x");
    LockOut(locked + L"\\shell");
    const std::wstring broken = kClasses + L".bkumbruch";
    PutText(broken, L"Zeile\nUmbruch", L"x");

    struct Attempt {
        const char* name;
        std::wstring folder;
        std::vector<Touched> touched;
        std::wstring reason; // part of the message
    };
    const std::vector<Attempt> attempts{
        {"a folder that does not exist",
         folder + L"\\fehlt",
         {{locked, false, {L""}}},
         L"keine Datei angelegt"},
        {"a file in place of the folder",
         plainFile,
         {{locked, false, {L""}}},
         L"keine Datei angelegt"},
        {"a key that cannot be read",
         folder,
         {{locked + L"\\shell", false, {L""}}},
         L"konnte nicht gelesen werden"},
        {"a value name with a line break", folder, {{broken, true, {}}}, L"Zeilenumbruch"},
        {"a listed name with a zero", folder, {{locked, false, {L"a\0b"s}}}, L"Nullzeichen"},
    };
    for (const Attempt& attempt : attempts) {
        SCOPED_TRACE(attempt.name);
        try {
            const std::wstring written = WriteUndoFile(attempt.folder, attempt.touched);
            ADD_FAILURE() << "no failure; wrote " << Ascii(written);
        } catch (const Failure& failure) {
            EXPECT_NE(failure.Message().find(L"„" + attempt.folder + L"\\Rückgängig "),
                      std::wstring::npos)
                << Ascii(failure.Message());
            EXPECT_NE(failure.Message().find(attempt.reason), std::wstring::npos)
                << Ascii(failure.Message());
        }
    }
    EXPECT_EQ(FilesIn(folder), std::vector<std::wstring>{L"eine Datei"});
    EXPECT_EQ(GetFileAttributesW((folder + L"\\fehlt").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(UndoFile, AKeyTheRunCreatesIsRemovedWithAllBelowItOnce) {
    const std::wstring folder = NewFolder(L"Neu");
    const std::wstring extension = kClasses + L".bkneu";
    const std::wstring className = kClasses + L"BK_Neu";
    DeleteTree(extension);
    DeleteTree(className);
    const std::wstring file =
        WriteUndoFile(folder, {{extension, false, {}},
                               {className, false, {}},
                               {className + L"\\shell", false, {}},
                               {className + L"\\DefaultIcon", false, {L""}},
                               {className + L"\\shell\\Open\\Command", false, {L""}}});
    // Any block below a removed key would create that key again.
    EXPECT_EQ(text_file::Read(file), L"Windows Registry Editor Version 5.00\r\n\r\n"
                                     L"[-" +
                                         KeyLine(extension) +
                                         L"]\r\n\r\n"
                                         L"[-" +
                                         KeyLine(className) + L"]\r\n\r\n");
    EXPECT_FALSE(KeyExists(className));
}

} // namespace
