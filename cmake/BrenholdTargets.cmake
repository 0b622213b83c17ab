# Compiler settings shared by every target of the project, and helpers to declare
# libraries, programs and test executables the same way on both toolchains.

# Warnings are errors on both toolchains where BRENHOLD_WERROR is on (the presets, and so
# CI): a maker's build with another compiler or build type still compiles when a new
# compiler warns of something new. Literals are written in UTF-8 and stored as
# Windows-1252 bytes, the code page of every text the program handles.
option(BRENHOLD_WERROR "Treat compiler warnings as errors" OFF)

function(brenhold_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(BRENHOLD_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  # clang (the fuzz build) knows no execution character set but UTF-8, and no gnu_printf
  # format checks (the GCC builds make those); the parsers it fuzzes depend on no
  # non-ASCII literal.
  if(BRENHOLD_FUZZ)
    target_compile_options(${target} PRIVATE -Wno-ignored-attributes
      -fsanitize-coverage-ignorelist=${PROJECT_SOURCE_DIR}/tests/fuzz/coverage-ignorelist.txt)
  else()
    target_compile_options(${target} PRIVATE -finput-charset=UTF-8 -fexec-charset=CP1252)
  endif()
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  if(WIN32)
    target_compile_definitions(${target} PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501)
  endif()
endfunction()

# brenhold_library(name SOURCES files... [WIN32_SOURCES files...] [POSIX_SOURCES files...] [LIBS targets...])
function(brenhold_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;WIN32_SOURCES;POSIX_SOURCES;LIBS" ${ARGN})
  set(sources ${ARG_SOURCES})
  if(WIN32)
    list(APPEND sources ${ARG_WIN32_SOURCES})
  else()
    list(APPEND sources ${ARG_POSIX_SOURCES})
  endif()
  add_library(${name} STATIC ${sources})
  brenhold_defaults(${name})
  target_link_libraries(${name} PUBLIC ${ARG_LIBS})
endfunction()

# brenhold_test(name SOURCES files... [LIBS targets...] [PREFIX text] [PROPERTIES ...])
# A GoogleTest executable whose tests are registered with ctest one by one, their names
# preceded by PREFIX when given. Under the cross build they run through the Wine emulator.
function(brenhold_test name)
  cmake_parse_arguments(ARG "" "PREFIX" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  brenhold_defaults(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} brenhold_gtest_main)
  gtest_discover_tests(${name}
    TEST_PREFIX "${ARG_PREFIX}"
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    PROPERTIES TIMEOUT 120 ${BRENHOLD_TEST_FIXTURES} ${ARG_PROPERTIES})
endfunction()
