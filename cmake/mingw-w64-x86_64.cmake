# Cross build for 64-bit Windows, for hosts that run no 32-bit programs: see mingw-w64.cmake.
set(BRENHOLD_MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
