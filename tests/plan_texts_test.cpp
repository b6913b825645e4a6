// What a verb's keys say: the command value with its program, and the
// program's name in the captions, from its version record.
#include "association/CurrentPrograms.h"
#include "association/Plan.h"
#include "association/ProgramName.h"
#include "tests/support/System.h"
#include "tests/support/VersionRecord.h"

#include <gtest/gtest.h>

using System::Ascii;

TEST(CommandValue, QuotesAPathWithABlankAndReadsBackTheProgram) {
    const struct {
        std::wstring_view program;
        std::wstring_view command;
    } written[] = {
        {L"C:\\Bild\\View.exe", L"C:\\Bild\\View.exe \"%1\""},
        // A blank in the path would let the shell start C:\Programme\Mein.exe.
        {L"C:\\Programme\\Mein Bild\\View.exe", L"\"C:\\Programme\\Mein Bild\\View.exe\" \"%1\""},
        {L"\"C:\\Mein Bild\\View.exe\"", L"\"C:\\Mein Bild\\View.exe\" \"%1\""},
        {L"", L" \"%1\""},
    };
    for (const auto& c : written)
        EXPECT_EQ(Plan::CommandValue(c.program), c.command);
    const struct {
        std::wstring_view command;
        std::wstring_view program;
    } read[] = {
        {L"C:\\Tools\\view.exe %1", L"C:\\Tools\\view.exe"},
        {L"C:\\Tools\\view.exe /p \"%1\"", L"C:\\Tools\\view.exe /p"},
        {L"\"%1\"", L"\"%1\""}, // too short for the placeholder steps
        {L" \"%1\"", L""},
        {L"C:\\Tools\\view.exe  ", L"C:\\Tools\\view.exe "}, // only one blank goes
        {L"\"C:\\Mein Bild\\View.exe\" \"%1\"", L"C:\\Mein Bild\\View.exe"},
    };
    for (const auto& c : read)
        EXPECT_EQ(CurrentPrograms::ProgramFromCommand(std::wstring(c.command)), c.program);
    for (const std::wstring program : {L"C:\\Tools\\view.exe", L"C:\\Ж Bild\\Ansicht.exe"})
        EXPECT_EQ(CurrentPrograms::ProgramFromCommand(Plan::CommandValue(program)), program);
}

TEST(ProgramName, TheDescriptionOfTheFirstListedLanguageElseTheFileName) {
    const struct {
        std::wstring path;
        std::vector<VersionRecord::Language> tables;
        std::vector<WORD> listed;
        std::wstring expected;
    } cases[] = {
        {L"C:\\Namen\\a.exe",
         {{0x0407, L"  Bild & Co Ansicht \t"}},
         {0x0407},
         L"Bild & Co Ansicht"},
        {L"C:\\Namen\\b.exe",
         {{0x0407, L"Просмотр Ελληνικά 中文"}},
         {0x0407},
         L"Просмотр Ελληνικά 中文"},
        {L"C:\\Namen\\c.exe",
         {{0x0407, L"Deutsch"}, {0x0409, L"English"}},
         {0x0409, 0x0407},
         L"English"},
        {L"C:\\Namen\\Leere Angabe.exe", {{0x0407, L"   "}}, {0x0407}, L"Leere Angabe"},
        {L"C:\\Namen\\Ohne Angabe.v2.exe", {}, {}, L"Ohne Angabe.v2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Ascii(c.path));
        ASSERT_TRUE(System::PlaceRecorder(c.path));
        if (!c.tables.empty()) {
            ASSERT_TRUE(VersionRecord::Write(c.path, c.tables, c.listed));
        }
        EXPECT_EQ(ProgramName::Of(c.path), c.expected);
        EXPECT_EQ(ProgramName::Of(L"\"" + c.path + L"\""), c.expected);
    }
    EXPECT_EQ(ProgramName::Of(L"C:\\Gibt es nicht\\Betrachter.exe"), L"Betrachter");
}
