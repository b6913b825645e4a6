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
        {L"\\", L"\\"},
        {L"", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::wstring(c.path).c_str());
        EXPECT_EQ(FileDirPath::DirectoryOfPath(c.path), c.folder);
    }
}

TEST(DialogFilter, EachBarBecomesAZeroAndTheListEndsWithTwo) {
    EXPECT_EQ(ComDlgDll::DialogFilter(L"A|B|C|D"), L"A\0B\0C\0D\0\0"s);
    EXPECT_EQ(ComDlgDll::DialogFilter(L""), L"\0\0"s);

    // Two description and pattern pairs, the patterns with their blanks.
    EXPECT_EQ(ComDlgDll::DialogFilter(L"Programme|*.exe; *.com; *.bat|Alle Dateitypen|*.*"),
              L"Programme\0*.exe; *.com; *.bat\0Alle Dateitypen\0*.*\0\0"s);
}

TEST(ProgramChoice, JoinsFolderAndNameWithOneBackslash) {
    const struct {
        std::wstring_view folder;
        std::wstring_view name;
        std::optional<std::wstring> program;
    } cases[] = {
        {L"C:\\Programme\\Tool\\", L"tool.exe", L"C:\\Programme\\Tool\\tool.exe"},
        {L"C:\\Programme\\Tool", L"tool.exe", L"C:\\Programme\\Tool\\tool.exe"},
        {L"C:\\", L"x.exe", L"C:\\x.exe"},
        {L"C:\\Test Ordner\\", L"a b.exe", L"C:\\Test Ordner\\a b.exe"},
        {L"", L"x.exe", L"\\x.exe"},
        // A cancelled dialog leaves the row as it was, whatever the folder.
        {L"C:\\Programme\\", L"", std::nullopt},
        // Four characters cannot name a program.
        {L"C:\\", L"x", std::nullopt},
        {L"", L"abc", std::nullopt},
        {L"C:\\", L"xy", L"C:\\xy"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((std::wstring(c.folder) + L" + " + std::wstring(c.name)).c_str());
        EXPECT_EQ(ProgramChoice::ChosenProgramPath(std::wstring(c.folder), c.name), c.program);
    }
}

TEST(WindowsOrdner, IsTheFolderThePlatformReports) {
    wchar_t reported[MAX_PATH]{};
    ASSERT_NE(GetWindowsDirectoryW(reported, MAX_PATH), 0u);
    const std::wstring folder = WindowsOrdner::WindowsDirectory();
    EXPECT_EQ(lstrcmpiW(folder.c_str(), reported), 0);
    EXPECT_EQ(lstrcmpiW(folder.c_str(), L"C:\\windows"), 0) << "Wine's Windows folder";
    EXPECT_NE(folder.back(), L'\\');
}

namespace {

// Stand-ins for GetWindowsDirectoryW that answer as it does for a folder
// longer than the first buffer.
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

UINT WINAPI FailingQuery(LPWSTR, UINT) {
    ++queries;
    return 0;
}

} // namespace

TEST(WindowsOrdner, AsksAgainWithTheSizeThePlatformNeeds) {
    for (std::size_t length :
         {std::size_t{MAX_PATH - 1}, std::size_t{MAX_PATH}, std::size_t{700}}) {
        SCOPED_TRACE(length);
        longFolder = L"C:\\" + std::wstring(length - 3, L'w');
        queries = 0;
        EXPECT_EQ(WindowsOrdner::WindowsDirectory(LongFolderQuery), longFolder);
        EXPECT_EQ(queries, length < MAX_PATH ? 1 : 2);
    }
}

TEST(WindowsOrdner, GivesNothingRatherThanGarbage) {
    queries = 0;
    EXPECT_EQ(WindowsOrdner::WindowsDirectory(EverGrowingQuery), L"");
    EXPECT_LE(queries, 5) << "must give up";
    EXPECT_EQ(WindowsOrdner::WindowsDirectory(FailingQuery), L"");
}

TEST(SpecialFolders, RealFoldersAsTheShellReportsThem) {
    for (int csidl : {CSIDL_PROGRAM_FILES, CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_APPDATA}) {
        SCOPED_TRACE(csidl);
        wchar_t reported[MAX_PATH]{};
        ASSERT_EQ(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, reported), S_OK);
        const std::wstring folder = SpecialFolders::SpecialFolderPath(csidl);
        EXPECT_EQ(folder, reported);
        ASSERT_FALSE(folder.empty());
        EXPECT_NE(folder.back(), L'\\');
    }
    EXPECT_EQ(SpecialFolders::SpecialFolderPath(38), L"C:\\Program Files")
        << "the 64-bit test program's program files folder under wine64";
}

TEST(SpecialFolders, FoldersWithoutPathGiveNothing) {
    for (int csidl : {CSIDL_DRIVES, CSIDL_CONTROLS, CSIDL_BITBUCKET, 0x7f, -1}) {
        SCOPED_TRACE(csidl);
        EXPECT_EQ(SpecialFolders::SpecialFolderPath(csidl), L"");
    }
}
