# A 64-bit twin, to run and test the program under wine64 on machines whose
# kernel cannot run 32-bit code.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
