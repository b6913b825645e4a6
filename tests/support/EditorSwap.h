#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

// The registry editor in the Windows folder, and a stand-in for it that the
// build puts beside the test programs.
namespace support {

inline constexpr const wchar_t* kEditor = L"C:\\windows\\regedit.exe";

// A program that the build put into the same folder as the running test.
inline std::wstring HelperBesideThisProgram(const wchar_t* name) {
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring self = path;
    return self.substr(0, self.find_last_of(L'\\') + 1) + name;
}

// Puts the fake editor in the Windows folder in place of the real one, or
// only moves the real one aside, and puts the real one back at the end.
class EditorSwap {
public:
    explicit EditorSwap(const wchar_t* fakeMode) {
        EXPECT_TRUE(MoveFileW(kEditor, kAside));
        if (fakeMode != nullptr) {
            EXPECT_TRUE(
                CopyFileW(HelperBesideThisProgram(L"fake_regedit.exe").c_str(), kEditor, FALSE));
            SetEnvironmentVariableW(L"BILDKRANZ_FAKE_REGEDIT", fakeMode);
        }
    }
    ~EditorSwap() {
        SetEnvironmentVariableW(L"BILDKRANZ_FAKE_REGEDIT", nullptr);
        DeleteFileW(kEditor);
        EXPECT_TRUE(MoveFileW(kAside, kEditor));
    }
    EditorSwap(const EditorSwap&) = delete;
    EditorSwap& operator=(const EditorSwap&) = delete;

private:
    static constexpr const wchar_t* kAside = L"C:\\windows\\regedit.real";
};

} // namespace support
