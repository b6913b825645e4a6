#include "unattended/Messages.h"

#include "common/Failure.h"
#include "common/Numbers.h"
#include "common/SystemError.h"
#include "common/Text.h"
#include "services/FileDirPath.h"
#include "unattended/SilentTexts.h"

#include <string>

namespace {

bool Usable(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
           GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

std::wstring Now() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return DateAndTime(now, L':');
}

} // namespace

std::string Utf8(std::wstring_view text) {
    if (text.empty())
        return {};
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                        length, nullptr, nullptr);
    return bytes;
}

Messages::Messages() {
    // A windowed program gets a standard output only when its starter hands
    // one over (a redirection, a pipe); started from a console without one,
    // it can still write to that console.
    output_ = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!Usable(output_) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        ownOutput_.reset(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                     nullptr));
        output_ = ownOutput_ ? ownOutput_.get() : nullptr;
    }
    DWORD mode = 0;
    outputIsConsole_ = Usable(output_) && GetConsoleMode(output_, &mode);
}

void Messages::OpenLog(const std::wstring& path) {
    FileDirPath::CreateFolders(path.substr(0, path.find_last_of(L'\\')));
    log_.reset(CreateFileW(FileDirPath::ForFileCalls(path).c_str(), FILE_APPEND_DATA,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!log_)
        throw Failure(Text::Fill(SilentTexts::kLogNotOpened, {path, ErrorCode(GetLastError())}));
    // A new file starts with the byte order mark, so that every editor reads
    // it as UTF-8; appended lines do not repeat it.
    LARGE_INTEGER size{};
    if (GetFileSizeEx(log_.get(), &size) && size.QuadPart == 0)
        Write(log_.get(), L"\xFEFF", false);
}

void Messages::Line(std::wstring_view text) {
    Show(std::wstring(text) + L"\r\n");
    if (log_)
        Write(log_.get(), Now() + L"  " + std::wstring(text) + L"\r\n", false);
}

void Messages::Show(std::wstring_view text) {
    if (Usable(output_))
        Write(output_, text, outputIsConsole_);
}

// What cannot be written is lost without a word: there is nowhere else to say it.
void Messages::Write(HANDLE target, std::wstring_view text, bool console) {
    DWORD written = 0;
    if (console) {
        WriteConsoleW(target, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const std::string bytes = Utf8(text);
    WriteFile(target, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}
