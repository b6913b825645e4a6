// The shipped program replaces two pieces of GCC's C++ runtime (libstdc++)
// that it does not need and that make up a third of its size. A static link
// takes a library's object file whole as soon as one of its symbols is
// needed; defining that symbol here keeps the file out. Under MSVC, or with
// another standard library, nothing here is compiled.
#include "wizard/FailureReport.h"

#include <exception> // defines __GLIBCXX__ for libstdc++

#if defined(__GLIBCXX__)

// The runtime's default handler for std::terminate writes the exception's
// type to the console, with a demangler of 45 KB to spell it. A windowed
// program has no console, so nobody would read it; the error report shows
// what happened instead.
void __gnu_cxx::__verbose_terminate_handler() {
    ReportUnexpectedFailure(std::current_exception());
}

#endif
