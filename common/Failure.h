#pragma once

#include <exception>
#include <string>
#include <string_view>

// An error that ends the current step and reaches the user through the
// program's error report; its message names what failed, in German.
class Failure : public std::exception {
public:
    explicit Failure(std::wstring message) : message_(std::move(message)) {}
    const std::wstring& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return "Bildkranz failure"; }

private:
    std::wstring message_;
};

// A file the program makes before it changes anything (a backup, the undo
// file) could not be made, so nothing was changed.
class FileNotMade : public Failure {
public:
    using Failure::Failure;
};
