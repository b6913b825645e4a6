#pragma once

#include <exception>
#include <string>

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
