# The shipped file, build/Bildkranz.exe: the 32-bit program alone, built with
# the win32 thread model (see mingw.cmake). The tests run it as the 32-bit
# group; their own build uses mingw-i686.cmake.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(BILDKRANZ_THREAD_MODEL win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
# The program asks no object for its type (no typeid, no dynamic_cast); the
# names and type records that RTTI adds to every class with virtual functions
# would be dead weight. Exceptions keep the type records they need.
set(CMAKE_CXX_FLAGS_INIT -fno-rtti)
