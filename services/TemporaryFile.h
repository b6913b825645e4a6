#pragma once

#include "common/UniqueHandle.h"

#include <windows.h>

#include <string>
#include <string_view>

// A file written whole under a temporary name in the folder of its final one,
// then moved to that name: the file is complete under its name or not there,
// and a failure leaves nothing behind. Paths of any length work. The methods
// answer ERROR_SUCCESS or the platform's error of the step that failed, for
// the caller to word.
class TemporaryFile {
public:
    // A new file of this process's own, "<stem> <process> -<n>.tmp":
    // CREATE_NEW never follows a name that is already there, not even one
    // planted to point elsewhere.
    TemporaryFile(std::wstring_view folder, std::wstring_view stem);
    // Removed unless moved to its name.
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // Why the file could not be created; ERROR_SUCCESS when it was.
    DWORD Created() const { return created_; }
    // Every byte, then flushed to the disk.
    DWORD Write(std::string_view bytes);
    // Closes the file and gives it its name. Without replace, an existing file
    // of that name stays as it is and the answer is ERROR_ALREADY_EXISTS or
    // ERROR_FILE_EXISTS (or another code for a folder of that name: ask
    // NameTaken).
    DWORD MoveTo(const std::wstring& path, bool replace);

    // The move failed because something has that name already.
    static bool NameTaken(const std::wstring& path, DWORD error);

private:
    std::wstring path_;
    UniqueFile file_;
    DWORD created_ = ERROR_SUCCESS;
    bool moved_ = false;
};
