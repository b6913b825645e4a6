// The undo file: written as the registry editor writes the same key, taken
// back by the editor's import exactly, and never left half made.
#include "association/Undo.h"
#include "common/Failure.h"
#include "common/UniqueHandle.h"
#include "driver/Program.h"
#include "tests/support/RegFile.h"
#include "tests/support/RegistryProbe.h"
#include "tests/support/System.h"
#include "tests/support/TextFile.h"

#include <gtest/gtest.h>

#include <map>

using namespace std::string_literals;
using System::Ascii;
using Step = Plan::Step;

namespace {

const std::wstring kClasses = L"Software\\Classes\\";

std::wstring NewFolder(const std::wstring& name) {
    return System::EmptyFolder(L"C:\\Rückgängig Test\\" + name);
}

std::string Utf16(std::wstring_view text, bool terminated = true) {
    return RegistryProbe::Utf16Bytes(text) + (terminated ? std::string(2, '\0') : "");
}

std::string Counting(std::size_t count) {
    std::string bytes(count, '\0');
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<char>(i * 7);
    return bytes;
}

void Put(const std::wstring& path, const std::wstring& name, DWORD type, const std::string& data) {
    ASSERT_TRUE(RegistryProbe::PutRaw(path, name, type, data));
}

void PutText(const std::wstring& path, const std::wstring& name, const std::wstring& text) {
    Put(path, name, REG_SZ, Utf16(text));
}

// Every value of a key exactly as stored, type and bytes: the editor's own
// export shows some of them alike.
std::map<std::wstring, std::pair<DWORD, std::string>> ValuesOf(const std::wstring& path) {
    std::map<std::wstring, std::pair<DWORD, std::string>> values;
    UniqueKey key;
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.put());
    wchar_t name[512];
    std::string data(4096, '\0');
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = 512, size = static_cast<DWORD>(data.size()), type = 0;
        if (RegEnumValueW(key.get(), index, name, &nameLength, nullptr, &type,
                          reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
            return values;
        values[name] = {type, std::string(data.begin(), data.begin() + size)};
    }
}

Step Deleted(const std::wstring& path) {
    return {Step::Action::DeleteKey, path, {}, REG_NONE, {}, false, false};
}
Step Created(const std::wstring& path) {
    return {Step::Action::CreateKey, path, {}, REG_NONE, {}, false, false};
}
Step Set(const std::wstring& path, const std::wstring& name) {
    return {Step::Action::SetValue, path, name, REG_SZ, L"neu", false, false};
}

std::wstring WriteUndoFile(const std::wstring& folder, const std::vector<Step>& steps) {
    return Undo::File(folder, steps).Save();
}

std::wstring KeyLine(const std::wstring& path) {
    return L"HKEY_LOCAL_MACHINE\\" + path;
}

} // namespace

// Every kind of value, names that need escaping, a subkey: the same lines as
// the editor's own export, and imported, every value back as it was stored.
TEST(UndoFile, AKeyAsTheEditorExportsItAndBackExactlyOnImport) {
    const std::wstring folder = NewFolder(L"Format");
    const std::wstring path = kClasses + L"BK Format Кириллица";
    const std::wstring subkey = path + L"\\Unter]Schlüssel [1]";
    RegistryProbe::DeleteMachineTree(path);
    PutText(path, L"", L"Standard");
    PutText(path, L"Text", L"C:\\Pfad mit \"Anführung\" und Ελληνικά");
    PutText(path, L"Leer", L"");
    PutText(path, L"@", L"kein Standardwert");
    PutText(path, L"Name \"mit\" \\ Zeichen", L"x");
    Put(path, L"Erweiterbar", REG_EXPAND_SZ, Utf16(L"%SystemRoot%\\system32\\shell32.dll,-1"));
    Put(path, L"Binär", REG_BINARY, Counting(120));
    Put(path, L"Binär leer", REG_BINARY, "");
    Put(path, L"Zahl", REG_DWORD, "\xEF\xBE\xAD\xDE");
    Put(path, L"Mehrere", REG_MULTI_SZ, Utf16(L"eins\0zwei\0drei\\x\0"s));
    Put(path, L"Groß", REG_QWORD, "\1\2\3\4\5\6\7\x08");
    Put(path, L"Nichts", REG_NONE, "\xAB");
    Put(path, L"Eigener Typ", 0x12345678, Counting(3));
    Put(path, L"Ein sehr langer Name, der fast die ganze erste Zeile füllt, bis hierher",
        REG_BINARY, Counting(40));
    PutText(subkey, L"", L"u");
    const auto before = ValuesOf(path);
    const auto beforeSubkey = ValuesOf(subkey);

    const std::wstring undoFile = WriteUndoFile(folder, {Deleted(path)});
    const std::wstring exported = folder + L"\\export.reg";
    ASSERT_TRUE(RegFile::Export(exported, KeyLine(path)));
    const auto ours = RegFile::ParseFile(undoFile, false);
    const auto editors = RegFile::ParseFile(exported, false);
    for (const std::wstring& key : {KeyLine(path), KeyLine(subkey)}) {
        SCOPED_TRACE(Ascii(key));
        ASSERT_TRUE(ours.contains(key) && editors.contains(key));
        EXPECT_TRUE(RegFile::Same({{key, editors.at(key)}}, {{key, ours.at(key)}}));
    }
    EXPECT_TRUE(System::FileBytes(undoFile).starts_with("\xFF\xFE")) << "UTF-16 with its mark";
    const std::wstring raw = TextFile::Read(undoFile);
    EXPECT_TRUE(raw.starts_with(L"Windows Registry Editor Version 5.00\r\n\r\n[-" + KeyLine(path) +
                                L"]\r\n\r\n[" + KeyLine(path) + L"]\r\n"))
        << Ascii(raw.substr(0, 200));
    for (std::size_t at = raw.find(L'\n'); at != std::wstring::npos; at = raw.find(L'\n', at + 1))
        ASSERT_EQ(raw[at - 1], L'\r') << "a line break without CR at " << at;

    RegistryProbe::DeleteMachineTree(path);
    PutText(path, L"Neu", L"vom Lauf");
    ASSERT_TRUE(RegFile::Import(undoFile));
    EXPECT_EQ(ValuesOf(path), before);
    EXPECT_EQ(ValuesOf(subkey), beforeSubkey);
}

// Text the editor would not read back as it is goes as a hex list.
TEST(UndoFile, TextTheEditorWouldChangeAsHex) {
    const std::wstring path = kClasses + L"BK Format ungerade";
    RegistryProbe::DeleteMachineTree(path);
    Put(path, L"Kurze Zahl", REG_DWORD, "\1\2");
    Put(path, L"Ohne Ende", REG_SZ, Utf16(L"ohne", false));
    Put(path, L"Halbes Zeichen", REG_SZ, "A\0B"s);
    Put(path, L"Zeilen", REG_SZ, Utf16(L"a\nb"));
    Put(path, L"Null innen", REG_SZ, Utf16(L"a\0b"s));
    const auto lines = RegFile::ParseFile(WriteUndoFile(NewFolder(L"Hex"), {Deleted(path)}));
    EXPECT_EQ(lines.at(KeyLine(path)), (std::set<std::wstring>{
                                           L"\"Kurze Zahl\"=hex(4):01,02",
                                           L"\"Ohne Ende\"=hex(1):6f,00,68,00,6e,00,65,00",
                                           L"\"Halbes Zeichen\"=hex(1):41,00,42",
                                           L"\"Zeilen\"=hex(1):61,00,0a,00,62,00,00,00",
                                           L"\"Null innen\"=hex(1):61,00,00,00,62,00,00,00",
                                       }));
}

// Values a run sets get their old data back or go; keys it creates go once,
// with all below them; values and keys it does not touch stay out.
TEST(UndoFile, OldValuesBackCreatedValuesAndKeysGone) {
    const std::wstring kept = kClasses + L"BK_Bleibt";
    const std::wstring created = kClasses + L".bkneu";
    RegistryProbe::DeleteMachineTree(kept);
    RegistryProbe::DeleteMachineTree(created);
    PutText(kept, L"", L"alt");
    PutText(kept, L"Unberührt", L"x");
    PutText(kept + L"\\shell", L"", L"y");
    const std::wstring file =
        WriteUndoFile(NewFolder(L"Neu"), {Set(kept, L""), Set(kept, L"Neu"), Created(created),
                                          Created(created + L"\\shell"), Set(created, L"")});
    EXPECT_EQ(TextFile::Read(file), L"Windows Registry Editor Version 5.00\r\n\r\n[" +
                                        KeyLine(kept) + L"]\r\n@=\"alt\"\r\n\"Neu\"=-\r\n\r\n[-" +
                                        KeyLine(created) + L"]\r\n\r\n");
}

TEST(UndoFile, ASecondFileInTheSameSecondGetsItsOwnName) {
    const std::wstring folder = NewFolder(L"Zweimal");
    const std::vector<Step> steps{Deleted(kClasses + L".bkzweimal")};
    // A second boundary between the two files gives two plain names; then
    // the pair is tried again, for a while.
    const ULONGLONG deadline = GetTickCount64() + 10'000;
    std::wstring first, second;
    do {
        first = WriteUndoFile(folder, steps);
        second = WriteUndoFile(folder, steps);
    } while (!second.ends_with(L" (2).reg") && GetTickCount64() < deadline);
    ASSERT_TRUE(first.starts_with(folder + L"\\Rückgängig ") && first.ends_with(L".reg"));
    EXPECT_EQ(second, first.substr(0, first.size() - 4) + L" (2).reg");
    EXPECT_EQ(TextFile::Read(second), TextFile::Read(first));
    for (const std::wstring& name : Program::FilesIn(folder))
        EXPECT_TRUE(name.starts_with(L"Rückgängig ") && name.ends_with(L".reg")) << Ascii(name);
}

TEST(UndoFile, WhatCannotBeWrittenFailsNamingTheFileAndLeavesNone) {
    const std::wstring folder = NewFolder(L"Fehler");
    const std::wstring plainFile = folder + L"\\eine Datei";
    ASSERT_TRUE(TextFile::Write(plainFile, L"x"));
    const std::wstring locked = kClasses + L"BK_Gesperrt";
    PutText(locked + L"\\shell", L"", L"x");
    ASSERT_TRUE(RegistryProbe::SetAccess(locked + L"\\shell", L"D:P")); // nobody may read it
    const std::wstring broken = kClasses + L".bkumbruch";
    PutText(broken, L"Zeile\nUmbruch", L"x");
    const struct {
        const char* name;
        std::wstring folder;
        Step step;
        std::wstring reason; // part of the message
    } attempts[] = {
        {"no such folder", folder + L"\\fehlt", Set(locked, L""), L"keine Datei angelegt"},
        {"a file in place of the folder", plainFile, Set(locked, L""), L"keine Datei angelegt"},
        {"a key that cannot be read", folder, Set(locked + L"\\shell", L""),
         L"konnte nicht gelesen werden"},
        {"a value name with a line break", folder, Deleted(broken), L"Zeilenumbruch"},
        {"a value name with a zero", folder, Set(locked, L"a\0b"s), L"Nullzeichen"},
    };
    for (const auto& attempt : attempts) {
        SCOPED_TRACE(attempt.name);
        try {
            ADD_FAILURE() << "wrote " << Ascii(WriteUndoFile(attempt.folder, {attempt.step}));
        } catch (const Failure& failure) {
            EXPECT_NE(failure.Message().find(L"„" + attempt.folder + L"\\Rückgängig "),
                      std::wstring::npos)
                << Ascii(failure.Message());
            EXPECT_NE(failure.Message().find(attempt.reason), std::wstring::npos)
                << Ascii(failure.Message());
        }
    }
    EXPECT_EQ(Program::FilesIn(folder), std::vector<std::wstring>{L"eine Datei"});
}
