#pragma once

#include "association/Backup.h"
#include "driver/Program.h"
#include "tests/support/System.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

// Puts the fake editor that the build leaves beside the test programs in the
// Windows folder in place of the real one, or only moves the real one aside,
// and puts the real one back at the end.
class EditorSwap {
public:
    explicit EditorSwap(const wchar_t* fakeMode) {
        EXPECT_TRUE(MoveFileW(editor_.c_str(), aside_.c_str()));
        if (fakeMode != nullptr) {
            EXPECT_TRUE(CopyFileW((Program::BuildFolder() + L"\\fake_regedit.exe").c_str(),
                                  editor_.c_str(), FALSE));
            SetEnvironmentVariableW(L"BILDKRANZ_FAKE_REGEDIT", fakeMode);
        }
    }
    ~EditorSwap() {
        SetEnvironmentVariableW(L"BILDKRANZ_FAKE_REGEDIT", nullptr);
        DeleteFileW(editor_.c_str());
        EXPECT_TRUE(MoveFileW(aside_.c_str(), editor_.c_str()));
    }
    EditorSwap(const EditorSwap&) = delete;
    EditorSwap& operator=(const EditorSwap&) = delete;

private:
    const std::wstring editor_ = Backup::RegistryEditor();
    const std::wstring aside_ = editor_ + L".real";
};
