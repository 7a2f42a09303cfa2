# Cross-compiling for 64-bit Windows: the variant the tests run as on machines
# that cannot run 32-bit code.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
