# GoogleTest: the installed one natively; for the cross build, Debian's sources in
# /usr/src/googletest compiled with the MinGW toolchain.
include(GoogleTest)

if(CMAKE_CROSSCOMPILING)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  add_library(brenhold_gtest_main INTERFACE)
  target_link_libraries(brenhold_gtest_main INTERFACE gtest_main gmock)

  # Tests run under Wine with a private prefix inside the build tree.
  set(BRENHOLD_WINE_DIR ${CMAKE_BINARY_DIR}/wine)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(BRENHOLD_WINE_ARCH win64)
  else()
    set(BRENHOLD_WINE_ARCH win32)
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/cmake/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run CACHE FILEPATH "" FORCE)

  add_test(NAME wine_server_start COMMAND ${CMAKE_BINARY_DIR}/wine-run --server-start)
  add_test(NAME wine_server_stop COMMAND ${CMAKE_BINARY_DIR}/wine-run --server-stop)
  set_tests_properties(wine_server_start PROPERTIES FIXTURES_SETUP wine_server)
  set_tests_properties(wine_server_stop PROPERTIES FIXTURES_CLEANUP wine_server)
  set(BRENHOLD_TEST_FIXTURES FIXTURES_REQUIRED wine_server)
else()
  find_package(GTest REQUIRED)
  add_library(brenhold_gtest_main INTERFACE)
  target_link_libraries(brenhold_gtest_main INTERFACE GTest::gtest_main GTest::gmock)
endif()
