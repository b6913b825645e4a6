# Cross-compiles for Windows with Debian's MinGW-w64, for the processor that
# the including toolchain file sets in CMAKE_SYSTEM_PROCESSOR, with the
# compilers of the thread model it sets in BILDKRANZ_THREAD_MODEL:
# - posix (the default), for the tests: GoogleTest needs std::mutex, which
#   the win32 model of this compiler version lacks;
# - win32, for the shipped file (mingw-i686-shipped.cmake): its runtime takes
#   its few locks (static locals, the exceptions' emergency pool) from Windows
#   itself, where the posix one links the winpthreads library (28 KiB).
if(NOT BILDKRANZ_THREAD_MODEL)
    set(BILDKRANZ_THREAD_MODEL posix)
endif()
set(CMAKE_SYSTEM_NAME Windows)
set(prefix ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)

set(CMAKE_C_COMPILER ${prefix}-gcc-${BILDKRANZ_THREAD_MODEL})
set(CMAKE_CXX_COMPILER ${prefix}-g++-${BILDKRANZ_THREAD_MODEL})
set(CMAKE_RC_COMPILER ${prefix}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
