#include "services/TemporaryFile.h"

#include "common/Numbers.h"
#include "services/FileDirPath.h"

#include <algorithm>

namespace {

constexpr int kNameAttempts = 999;
// WriteFile takes at most this much at once here, so a slow share still
// reports progress.
constexpr std::size_t kChunk = 1 << 20;

} // namespace

TemporaryFile::TemporaryFile(std::wstring_view folder, std::wstring_view stem) {
    created_ = ERROR_FILE_EXISTS;
    for (int number = 1; number <= kNameAttempts && created_ == ERROR_FILE_EXISTS; ++number) {
        path_ =
            FileDirPath::Join(folder, std::wstring(stem) + L' ' + Decimal(GetCurrentProcessId()) +
                                          L'-' + Decimal(number) + L".tmp");
        file_.reset(CreateFileW(FileDirPath::ForFileCalls(path_).c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        created_ = file_ ? ERROR_SUCCESS : GetLastError();
    }
    if (created_ != ERROR_SUCCESS)
        path_.clear();
}

TemporaryFile::~TemporaryFile() {
    file_.reset();
    if (!path_.empty() && !moved_)
        DeleteFileW(FileDirPath::ForFileCalls(path_).c_str());
}

DWORD TemporaryFile::Write(std::string_view bytes) {
    if (!file_)
        return created_ != ERROR_SUCCESS ? created_ : ERROR_INVALID_HANDLE;
    while (!bytes.empty()) {
        const auto chunk = static_cast<DWORD>(std::min(bytes.size(), kChunk));
        DWORD written = 0;
        if (!WriteFile(file_.get(), bytes.data(), chunk, &written, nullptr))
            return GetLastError();
        if (written == 0)
            return ERROR_WRITE_FAULT;
        bytes.remove_prefix(written);
    }
    return FlushFileBuffers(file_.get()) ? ERROR_SUCCESS : GetLastError();
}

DWORD TemporaryFile::MoveTo(const std::wstring& path, bool replace) {
    if (path_.empty())
        return created_;
    file_.reset();
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    if (!MoveFileExW(FileDirPath::ForFileCalls(path_).c_str(),
                     FileDirPath::ForFileCalls(path).c_str(), flags))
        return GetLastError();
    moved_ = true;
    return ERROR_SUCCESS;
}

bool TemporaryFile::NameTaken(const std::wstring& path, DWORD error) {
    // A folder of that name may refuse the move with another code.
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ||
           GetFileAttributesW(FileDirPath::ForFileCalls(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}
