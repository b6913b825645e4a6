#pragma once

#include "common/UniqueHandle.h"

#include <string>
#include <string_view>

// The text in UTF-8, as the output and the log take it.
std::string Utf8(std::wstring_view text);

// Where the command line's messages go: the standard output where one is
// connected (a redirected handle, or the console the program was started
// from), and a log file when one is named. Never a message box.
class Messages {
public:
    Messages();
    Messages(const Messages&) = delete;
    Messages& operator=(const Messages&) = delete;

    // Appends from now on to this UTF-8 text file, each line with the date
    // and time. Throws Failure naming the file when it cannot be opened.
    void OpenLog(const std::wstring& path);

    // A line to the output and the log.
    void Line(std::wstring_view text);
    // Text to the output only.
    void Show(std::wstring_view text);

private:
    void Write(HANDLE target, std::wstring_view text, bool console);

    UniqueFile ownOutput_; // the console's, when attached here
    HANDLE output_ = nullptr;
    bool outputIsConsole_ = false;
    UniqueFile log_;
};
