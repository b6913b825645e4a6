#include "services/ComDlgDll.h"
#include "services/FileDirPath.h"
#include "services/ProgramChoice.h"
#include "services/SpecialFolders.h"
#include "services/WindowsOrdner.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <optional>
#include <string>

using namespace std::string_literals;

TEST(FileDirPath, KeepsThePathUpToItsLastBackslash) {
    const struct {
        std::wstring_view path;
        std::wstring_view folder;
    } cases[] = {
        {L"C:\\Programme\\Tool\\view.exe", L"C:\\Programme\\Tool\\"},
        {L"C:\\view.exe", L"C:\\"},
        {L"C:\\Tools\\", L"C:\\Tools\\"},
        {L"\\\\server\\share\\view.exe", L"\\\\server\\share\\"},
        {L"\"C:\\Mein Bild\\view.exe\"", L"\"C:\\Mein Bild\\"},
        {L"C:/Tools/view.exe", L""},
        {L"C:\\Tools/sub/view.exe", L"C:\\"},
        {L"view.exe", L""},
        {L"", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FileDirPath::DirectoryOfPath(c.path), c.folder)
            << std::string(c.path.begin(), c.path.end());
}

TEST(ProgramChoice, JoinsFolderAndNameAndRefusesTooShortANameOrACancel) {
    const struct {
        std::wstring_view folder;
        std::wstring_view name;
        std::optional<std::wstring> program;
    } cases[] = {
        {L"C:\\Programme\\Tool\\", L"tool.exe", L"C:\\Programme\\Tool\\tool.exe"},
        {L"C:\\Programme\\Tool", L"tool.exe", L"C:\\Programme\\Tool\\tool.exe"},
        {L"C:\\Test Ordner\\", L"a b.exe", L"C:\\Test Ordner\\a b.exe"},
        {L"C:\\Programme\\", L"", std::nullopt}, // cancelled
        {L"C:\\", L"x", std::nullopt},           // four characters name no program
        {L"C:\\", L"xy", L"C:\\xy"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProgramChoice::ChosenProgramPath(std::wstring(c.folder), c.name), c.program)
            << std::string(c.name.begin(), c.name.end());
}

TEST(DialogFilter, EachBarBecomesAZeroAndTheListEndsWithTwo) {
    EXPECT_EQ(ComDlgDll::DialogFilter(L"Programme|*.exe; *.com; *.bat|Alle Dateitypen|*.*"),
              L"Programme\0*.exe; *.com; *.bat\0Alle Dateitypen\0*.*\0\0"s);
}

namespace {

// Answers as GetWindowsDirectoryW does for a folder longer than the buffer.
std::wstring longFolder;
int queries = 0;

UINT WINAPI LongFolderQuery(LPWSTR buffer, UINT size) {
    ++queries;
    if (size <= longFolder.size())
        return static_cast<UINT>(longFolder.size() + 1);
    longFolder.copy(buffer, longFolder.size());
    buffer[longFolder.size()] = L'\0';
    return static_cast<UINT>(longFolder.size());
}

UINT WINAPI EverGrowingQuery(LPWSTR, UINT size) {
    ++queries;
    return size + 10;
}

} // namespace

TEST(WindowsOrdner, AsksAgainWithTheSizeNeededAndGivesNothingRatherThanGarbage) {
    for (std::size_t length :
         {std::size_t{MAX_PATH - 1}, std::size_t{MAX_PATH}, std::size_t{700}}) {
        longFolder = L"C:\\" + std::wstring(length - 3, L'w');
        queries = 0;
        EXPECT_EQ(WindowsOrdner::WindowsDirectory(LongFolderQuery), longFolder) << length;
        EXPECT_EQ(queries, length < MAX_PATH ? 1 : 2) << length;
    }
    queries = 0;
    EXPECT_EQ(WindowsOrdner::WindowsDirectory(EverGrowingQuery), L"");
    EXPECT_LE(queries, 5) << "must give up";
}

// The file dialog starts there: a folder that exists, without a trailing
// backslash. A 32-bit program on 64-bit Windows gets "Program Files (x86)".
TEST(SpecialFolders, TheProgramFilesFolderIsThereAndVirtualFoldersGiveNothing) {
    const std::wstring folder = SpecialFolders::SpecialFolderPath(CSIDL_PROGRAM_FILES);
    EXPECT_TRUE(folder.starts_with(L"C:\\Program Files"))
        << std::string(folder.begin(), folder.end());
    EXPECT_NE(folder.back(), L'\\');
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
    for (int csidl : {CSIDL_DRIVES, CSIDL_CONTROLS, CSIDL_BITBUCKET, 0x7f, -1})
        EXPECT_EQ(SpecialFolders::SpecialFolderPath(csidl), L"") << csidl;
}
