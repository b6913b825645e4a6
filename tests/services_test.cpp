#include "services/ComDlgDll.h"
#include "services/FileDirPath.h"
#include "services/SpecialFolders.h"
#include "services/WindowsOrdner.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <optional>
#include <string>

using namespace std::string_literals;

// The folder a verb row's dialog opens in, and the program it gives back.
TEST(ProgramPaths, FolderUpToTheLastBackslashAndAProgramOnlyFromAName) {
    EXPECT_EQ(FileDirPath::DirectoryOfPath(L"C:\\Programme\\Tool\\view.exe"),
              L"C:\\Programme\\Tool\\");
    EXPECT_EQ(FileDirPath::DirectoryOfPath(L"\"C:\\Mein Bild\\view.exe\""), L"\"C:\\Mein Bild\\");
    EXPECT_EQ(FileDirPath::DirectoryOfPath(L"C:\\Tools/sub/view.exe"), L"C:\\");
    EXPECT_EQ(FileDirPath::DirectoryOfPath(L"view.exe"), L"");

    EXPECT_EQ(FileDirPath::ChosenProgramPath(L"C:\\Programme\\Tool", L"tool.exe"),
              L"C:\\Programme\\Tool\\tool.exe");
    EXPECT_EQ(FileDirPath::ChosenProgramPath(L"C:\\Test Ordner\\", L"a b.exe"),
              L"C:\\Test Ordner\\a b.exe");
    EXPECT_EQ(FileDirPath::ChosenProgramPath(L"C:\\Programme\\", L""), std::nullopt); // cancelled
    EXPECT_EQ(FileDirPath::ChosenProgramPath(L"C:\\", L"x"), std::nullopt); // names no program
    EXPECT_EQ(ComDlgDll::DialogFilter(L"Programme|*.exe|Alle Dateitypen|*.*"),
              L"Programme\0*.exe\0Alle Dateitypen\0*.*\0\0"s);
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
    for (std::size_t length : {std::size_t{MAX_PATH - 1}, std::size_t{700}}) {
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
// backslash ("Program Files (x86)" for a 32-bit program on 64-bit Windows).
TEST(SpecialFolders, TheProgramFilesFolderIsThereAndVirtualFoldersGiveNothing) {
    const std::wstring folder = SpecialFolders::SpecialFolderPath(CSIDL_PROGRAM_FILES);
    EXPECT_TRUE(folder.starts_with(L"C:\\Program Files"))
        << std::string(folder.begin(), folder.end());
    EXPECT_NE(folder.back(), L'\\');
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
    for (int csidl : {CSIDL_DRIVES, CSIDL_BITBUCKET, -1})
        EXPECT_EQ(SpecialFolders::SpecialFolderPath(csidl), L"") << csidl;
}
