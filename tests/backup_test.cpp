#include "association/Backup.h"
#include "common/Failure.h"
#include "common/Process.h"
#include "common/UniqueHandle.h"
#include "driver/Program.h"
#include "tests/support/EditorSwap.h"
#include "tests/support/RegFile.h"
#include "tests/support/RegistryProbe.h"
#include "tests/support/System.h"
#include "tests/support/TextFile.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

using namespace std::string_literals;
using System::Ascii;

namespace {

// A folder of the test's own; its path has blanks.
std::wstring NewFolder(const std::wstring& name) {
    return System::EmptyFolder(L"C:\\Mit Leerzeichen\\" + name);
}

// By content: Wine's editor orders values differently from Windows'.
::testing::AssertionResult HoldsLine(const std::wstring& file, const std::wstring& wanted) {
    for (const std::wstring& line : TextFile::Lines(TextFile::Read(file)))
        if (line == wanted)
            return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << Ascii(file) << " lacks the line " << Ascii(wanted);
}

::testing::AssertionResult FailsNaming(const std::function<void()>& exportRun,
                                       const std::wstring& file) {
    try {
        exportRun();
    } catch (const Failure& failure) {
        if (failure.Message().find(L"\u201E" + file + L"\u201C") == std::wstring::npos)
            return ::testing::AssertionFailure()
                   << "the message does not name the file: " << Ascii(failure.Message());
        return ::testing::AssertionSuccess() << Ascii(failure.Message());
    }
    return ::testing::AssertionFailure() << "the export did not fail";
}

// Counts the calls and takes the messages from the queue, as the window does.
Backup::ExportWait CountingWait(int& calls) {
    Backup::ExportWait wait;
    wait.processPendingEvents = [&calls] {
        ++calls;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
    };
    return wait;
}

// The editors of these exports, started and finished as a registration does.
void BackUp(const std::vector<Backup::Export>& exports, const Backup::ExportWait& wait) {
    Backup::Editors(exports).Finish(wait);
}

void CreatePngKey() {
    RegistryProbe::PutText(L".png", nullptr, L"pngfile");
}

} // namespace

// The real editor: the whole classes key while messages keep coming, one
// extension key under its list number, and no editor for a key not there.
TEST(BackupExport, WritesTheClassesAndAnExtensionAndNothingForAMissingKey) {
    const std::wstring folder = NewFolder(L"Echt");
    CreatePngKey();
    RegistryProbe::DeleteTree(L".tga");
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, nullptr);
    int calls = 0;
    EXPECT_NO_THROW(BackUp({Backup::AllClasses(folder), Backup::Extension(folder, 4, L".png"),
                            Backup::Extension(folder, 7, L".tga")},
                           CountingWait(calls)));
    KillTimer(nullptr, timer);
    EXPECT_GE(calls, 2);
    const std::wstring classes = folder + L"\\Temp 0_Classes.reg";
    EXPECT_TRUE(HoldsLine(classes, L"Windows Registry Editor Version 5.00"));
    EXPECT_TRUE(HoldsLine(classes, L"[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID]"));
    const std::wstring png = folder + L"\\Temp 5_png.reg";
    EXPECT_TRUE(HoldsLine(png, L"@=\"pngfile\""));
    EXPECT_FALSE(HoldsLine(png, L"[HKEY_LOCAL_MACHINE\\Software\\Classes]"));
    // Otherwise a type whose key is not there yet could never be registered.
    EXPECT_EQ(GetFileAttributesW((folder + L"\\Temp 8_tga.reg").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(BackupExport, StartsTheWindowsFoldersEditorMinimisedWithTheExactCommandLine) {
    const std::wstring folder = NewFolder(L"Aufruf");
    CreatePngKey();
    EditorSwap swap(L"record");
    ASSERT_NO_THROW(BackUp({Backup::Extension(folder, 4, L".png")}, {}));

    const std::vector<std::wstring> seen =
        TextFile::Lines(TextFile::Read(folder + L"\\Temp 5_png.reg"));
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0], L"Regedit.exe /e \"" + folder +
                           L"\\Temp 5_png.reg\" \"HKEY_LOCAL_MACHINE\\Software\\Classes\\.png\"");
    // The Windows folder's editor, or where the platform sends a 32-bit
    // program for it on 64-bit Windows; never one beside the program.
    EXPECT_EQ(CompareStringOrdinal(seen[1].c_str(), -1, RegFile::EditorFile().c_str(), -1, TRUE),
              CSTR_EQUAL)
        << Ascii(seen[1]);
    EXPECT_EQ(seen[2], L"1 " + std::to_wstring(SW_SHOWMINIMIZED)); // STARTF_USESHOWWINDOW is 1
}

TEST(BackupExport, FailsNamingTheFileWhenTheEditorWritesNoFile) {
    CreatePngKey();
    const std::wstring folder = NewFolder(L"Ohne Datei");
    const std::wstring file = folder + L"\\Temp 5_png.reg";
    const auto pngExport = [&] {
        BackUp({Backup::Extension(folder, 4, L".png")}, {});
    };
    {
        SCOPED_TRACE("a folder that does not exist");
        EXPECT_TRUE(
            FailsNaming([] { BackUp({Backup::Extension(L"C:\\Gibt es nicht", 4, L".png")}, {}); },
                        L"C:\\Gibt es nicht\\Temp 5_png.reg"));
    }
    {
        SCOPED_TRACE("a folder in the file's place");
        ASSERT_TRUE(CreateDirectoryW(file.c_str(), nullptr));
        EXPECT_TRUE(FailsNaming(pngExport, file));
        RemoveDirectoryW(file.c_str());
    }
    // Held open without sharing, an earlier file cannot be overwritten.
    for (const bool fromLongAgo : {false, true}) {
        SCOPED_TRACE(fromLongAgo ? "an old file stays" : "a file from a moment ago stays");
        HANDLE opened =
            CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(opened, INVALID_HANDLE_VALUE);
        const UniqueKernelHandle earlier(opened);
        DWORD written = 0;
        WriteFile(earlier.get(), "alt", 3, &written, nullptr);
        const FILETIME longAgo{0, 0x01D00000};
        if (fromLongAgo)
            SetFileTime(earlier.get(), nullptr, nullptr, &longAgo);
        FlushFileBuffers(earlier.get());
        EXPECT_TRUE(FailsNaming(pngExport, file));
    }
}

TEST(BackupExport, FailsNamingTheFileWhenTheEditorIsMissingOrEndsWithAnError) {
    const std::wstring folder = NewFolder(L"Fehler");
    const std::wstring file = folder + L"\\Temp 0_Classes.reg";
    const auto classesExport = [&] {
        BackUp({Backup::AllClasses(folder)}, {});
    };
    {
        // Wine finds no built-in editor either when the full path names no file.
        SCOPED_TRACE("no editor in the Windows folder");
        EditorSwap swap(nullptr);
        EXPECT_TRUE(FailsNaming(classesExport, file));
    }
    {
        SCOPED_TRACE("exit code 3 after writing the file");
        EditorSwap swap(L"fail");
        EXPECT_TRUE(FailsNaming(classesExport, file));
        EXPECT_EQ(TextFile::Read(file), L"partial");
    }
}

TEST(BackupExport, EndsAnEditorThatDoesNotFinishInTime) {
    const std::wstring folder = NewFolder(L"Zeit");
    const std::wstring file = folder + L"\\Temp 0_Classes.reg";
    EditorSwap swap(L"hang");
    int calls = 0;
    Backup::ExportWait wait = CountingWait(calls);
    wait.timeoutMs = 2000;
    // Messages that keep arriving must not stretch the limit.
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, nullptr);
    const ULONGLONG start = GetTickCount64();
    EXPECT_TRUE(FailsNaming([&] { BackUp({Backup::AllClasses(folder)}, wait); }, file));
    const ULONGLONG elapsed = GetTickCount64() - start;
    KillTimer(nullptr, timer);
    EXPECT_GE(elapsed, 1900u);
    EXPECT_LT(elapsed, 20'000u);
    EXPECT_GE(calls, 2);

    // The fake wrote its process id before it began to hang.
    const DWORD id = std::stoul(TextFile::Read(file));
    const UniqueKernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, id));
    if (process) {
        EXPECT_EQ(WaitForSingleObject(process.get(), 0), WAIT_OBJECT_0) << "still running";
    }
}

// The registration starts the whole classes key's editor before it plans,
// and the others with the plan, which lists the classes key again.
TEST(BackupEditors, StartedInTwoStepsRunAtOnceAndEachExportOnce) {
    const std::wstring folder = NewFolder(L"Zwei Schritte");
    CreatePngKey();
    EditorSwap swap(L"together");
    SetEnvironmentVariableW(L"BILDKRANZ_FAKE_EDITORS", L"2");
    // Held open here, the stand-ins' count of editors outlives them.
    const UniqueKernelHandle arrivals(
        CreateSemaphoreW(nullptr, 0, 1000, L"BildkranzFakeEditorArrivals"));
    ASSERT_TRUE(arrivals);
    {
        Backup::Editors editors({Backup::AllClasses(folder)});
        editors.Start({Backup::AllClasses(folder), Backup::Extension(folder, 4, L".png")});
        EXPECT_NO_THROW(editors.Finish({}));
    }
    SetEnvironmentVariableW(L"BILDKRANZ_FAKE_EDITORS", nullptr);

    LONG started = 0;
    ReleaseSemaphore(arrivals.get(), 1, &started);
    EXPECT_EQ(started, 2) << "two editors writing one file leave no backup to trust";
    for (const wchar_t* name : {L"\\Temp 0_Classes.reg", L"\\Temp 5_png.reg"}) {
        SCOPED_TRACE(Ascii(name));
        EXPECT_TRUE(HoldsLine(folder + name, L"together"));
    }
}

// The first editor started ends last, while messages keep waking the wait:
// each is awaited until it has written its file, whichever ends first.
TEST(BackupEditors, EachIsAwaitedWhicheverEndsFirst) {
    const std::wstring folder = NewFolder(L"Umgekehrt");
    CreatePngKey();
    EditorSwap swap(L"together");
    SetEnvironmentVariableW(L"BILDKRANZ_FAKE_EDITORS", L"2");
    SetEnvironmentVariableW(L"BILDKRANZ_FAKE_LAST_KEY", L"Classes");
    const UniqueKernelHandle arrivals(
        CreateSemaphoreW(nullptr, 0, 1000, L"BildkranzFakeEditorArrivals"));
    ASSERT_TRUE(arrivals);
    int calls = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, nullptr);
    EXPECT_NO_THROW(BackUp({Backup::AllClasses(folder), Backup::Extension(folder, 4, L".png")},
                           CountingWait(calls)));
    KillTimer(nullptr, timer);
    SetEnvironmentVariableW(L"BILDKRANZ_FAKE_LAST_KEY", nullptr);
    SetEnvironmentVariableW(L"BILDKRANZ_FAKE_EDITORS", nullptr);
    EXPECT_GE(calls, 2);
    for (const wchar_t* name : {L"\\Temp 0_Classes.reg", L"\\Temp 5_png.reg"}) {
        SCOPED_TRACE(Ascii(name));
        EXPECT_TRUE(HoldsLine(folder + name, L"together"));
    }
}

TEST(BackupEditors, NoneStartsOnceOneCouldNotStart) {
    const std::wstring folder = NewFolder(L"Nach Fehlstart");
    CreatePngKey();
    std::optional<Backup::Editors> editors;
    {
        EditorSwap swap(nullptr); // no editor in the Windows folder
        editors.emplace(std::vector<Backup::Export>{Backup::AllClasses(folder)});
    }
    editors->Start({Backup::Extension(folder, 4, L".png")});
    EXPECT_TRUE(FailsNaming([&] { editors->Finish({}); }, folder + L"\\Temp 0_Classes.reg"));
    EXPECT_EQ(GetFileAttributesW((folder + L"\\Temp 5_png.reg").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(BackupExport, RefusesAnExtensionThatIsNoFileNamePart) {
    for (const wchar_t* extension : {L"", L".", L"png", L".p\"ng", L".p\\ng", L"..png"}) {
        SCOPED_TRACE(Ascii(extension));
        EXPECT_THROW(Backup::Extension(L"C:\\", 4, extension), Failure);
    }
}

TEST(BackupFolder, IsTheRunningProgramsFolderAndAPlantedEditorThereIsIgnored) {
    // The probe exports into its own folder; the Regedit.exe beside it would
    // fail every export if it were started.
    CreatePngKey();
    const std::wstring probeFolder = NewFolder(L"Probe");
    const struct {
        std::wstring folder;
        std::wstring arguments;
        std::wstring file;
    } cases[] = {
        {probeFolder, L"classes", probeFolder + L"\\Temp 0_Classes.reg"},
        {probeFolder, L"extension 4 .png", probeFolder + L"\\Temp 5_png.reg"},
        {L"C:\\", L"extension 4 .png", L"C:\\Temp 5_png.reg"},
    };
    SetEnvironmentVariableW(L"BILDKRANZ_FAKE_REGEDIT", L"fail");
    for (const auto& c : cases) {
        SCOPED_TRACE(Ascii(c.folder + L" " + c.arguments));
        const std::wstring prefix = c.folder.ends_with(L'\\') ? c.folder : c.folder + L'\\';
        const std::wstring probe = prefix + L"backup_probe.exe";
        const std::wstring planted = prefix + L"Regedit.exe";
        const std::wstring result = prefix + L"probe result.txt";
        ASSERT_TRUE(CopyFileW((Program::BuildFolder() + L"\\backup_probe.exe").c_str(),
                              probe.c_str(), FALSE));
        ASSERT_TRUE(CopyFileW((Program::BuildFolder() + L"\\fake_regedit.exe").c_str(),
                              planted.c_str(), FALSE));

        EXPECT_EQ(Program::RunAndWait(probe,
                                      L"\"" + probe + L"\" \"" + result + L"\" " + c.arguments,
                                      System::kHelperTimeLimitMs),
                  0u)
            << Ascii(TextFile::Read(result));
        EXPECT_EQ(TextFile::Read(result), c.folder);
        EXPECT_TRUE(HoldsLine(c.file, L"Windows Registry Editor Version 5.00"));
        DeleteFileW(planted.c_str());
    }
    SetEnvironmentVariableW(L"BILDKRANZ_FAKE_REGEDIT", nullptr);
}
