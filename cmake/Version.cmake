# The client's version, from project(VERSION ...): one generated header that the resource
# script (version resource, about box) and the code (run log, uninstall entry) both read.
foreach(part MAJOR MINOR PATCH TWEAK)
  if("${PROJECT_VERSION_${part}}" STREQUAL "")
    set(brenhold_version_${part} 0)
  else()
    set(brenhold_version_${part} ${PROJECT_VERSION_${part}})
  endif()
endforeach()
file(CONFIGURE OUTPUT "${CMAKE_BINARY_DIR}/generated/BrenholdVersion.h" CONTENT [[
#pragma once
// Made by CMake from project(VERSION ...): the client's version. A test build that tells
// another version defines BRENHOLD_VERSION itself.
#ifndef BRENHOLD_VERSION
#define BRENHOLD_VERSION "@PROJECT_VERSION@"
#endif
#define BRENHOLD_VERSION_NUMBERS @brenhold_version_MAJOR@,@brenhold_version_MINOR@,@brenhold_version_PATCH@,@brenhold_version_TWEAK@
#define BRENHOLD_ABOUT_VERSION "Brenhold Version @PROJECT_VERSION@"
]] @ONLY)
add_library(brenhold_version INTERFACE)
target_include_directories(brenhold_version INTERFACE "${CMAKE_BINARY_DIR}/generated")
set(BRENHOLD_VERSION_DOTTED
    "${brenhold_version_MAJOR}.${brenhold_version_MINOR}.${brenhold_version_PATCH}.${brenhold_version_TWEAK}")
