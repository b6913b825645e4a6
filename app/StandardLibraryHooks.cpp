// The shipped program replaces two pieces of GCC's C++ runtime (libstdc++)
// that it does not need and that are a large part of its size. A static link
// takes a library's object file whole as soon as one of its symbols is
// needed; defining that symbol here keeps the file out. Under MSVC, or with
// another standard library, nothing here is compiled.
#include "common/FailureReport.h"

#include <cstdarg>
#include <cstring>
#include <exception> // defines __GLIBCXX__ for libstdc++
#include <new>
#include <string> // declares the std::__throw_ functions

#if defined(__GLIBCXX__)

// The runtime's default handler for std::terminate writes the exception's
// type to the console, with a whole demangler to spell it. A windowed
// program has no console, so nobody would read it; the error report shows
// what happened instead.
void __gnu_cxx::__verbose_terminate_handler() {
    ReportUnexpectedFailure(std::current_exception());
}

// The containers report misuse (a position past the end, a size beyond the
// largest) through these functions. The runtime's own throw std::length_error
// and its kin, whose constructors come in one object file with the runtime's
// copy-on-write string and, through it, the narrow string and the random
// device. The program catches none of these types by name; its error
// report takes any std::exception and shows its text, which this type
// carries as well.
namespace {

class ContainerMisuse : public std::exception {
public:
    // The runtime passes literals, which live as long as the program.
    explicit ContainerMisuse(const char* text) noexcept : text_(text) {}
    // Only the text up to ": ", the function that refused; kept in the object,
    // so that a copy of it reads its own.
    ContainerMisuse(const char* text, std::size_t length) noexcept : text_(nullptr) {
        const std::size_t kept = length < sizeof(name_) - 1 ? length : sizeof(name_) - 1;
        std::memcpy(name_, text, kept);
        name_[kept] = '\0';
    }
    const char* what() const noexcept override { return text_ ? text_ : name_; }

private:
    char name_[64]{};
    const char* text_;
};

} // namespace

void std::__throw_bad_alloc() {
    throw std::bad_alloc();
}

void std::__throw_bad_array_new_length() {
    throw std::bad_array_new_length();
}

void std::__throw_length_error(const char* text) {
    throw ContainerMisuse(text);
}

void std::__throw_logic_error(const char* text) {
    throw ContainerMisuse(text);
}

// The text is a printf pattern that begins with the function that refused,
// or with "%s" for it, a literal as well: "vector::_M_range_check: __n (which
// is %zu) ...". The report names the function and leaves the unfilled
// numbers out.
void std::__throw_out_of_range_fmt(const char* pattern, ...) {
    const char* text = pattern;
    if (std::strncmp(pattern, "%s", 2) == 0) {
        std::va_list arguments;
        va_start(arguments, pattern);
        text = va_arg(arguments, const char*);
        va_end(arguments);
    }
    const char* end = std::strstr(text, ": ");
    throw ContainerMisuse(text, end ? static_cast<std::size_t>(end - text) : std::strlen(text));
}

#endif
