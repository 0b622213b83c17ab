# Cross build for 32-bit Windows, the shipped program: see mingw-w64.cmake.
set(BRENHOLD_MINGW_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
