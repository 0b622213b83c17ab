# libzstd for every build: Debian's libzstd-dev natively; for the Windows build a static MinGW
# library made here from Debian's source package, which scripts/setup unpacks outside the
# repository (Debian ships no MinGW build of it). zstd's own CMake files build it, with the
# project's toolchain, into the build tree. Both give the target brenhold_zstd (natively the
# shared library, or the static one to the programs cmake/StaticClient.cmake says).

if(WIN32)
  set(BRENHOLD_ZSTD_SOURCE "/var/cache/brenhold/libzstd" CACHE PATH
      "Unpacked source package of libzstd (scripts/setup fetches it with apt-get source)")
  if(NOT EXISTS "${BRENHOLD_ZSTD_SOURCE}/build/cmake/CMakeLists.txt" OR
     NOT EXISTS "${BRENHOLD_ZSTD_SOURCE}/lib/zstd.h")
    message(FATAL_ERROR "No source of libzstd in ${BRENHOLD_ZSTD_SOURCE}: run scripts/setup "
                        "(or set BRENHOLD_ZSTD_SOURCE to an unpacked libzstd source)")
  endif()
  include(ExternalProject)
  set(zstd_prefix "${CMAKE_BINARY_DIR}/zstd")
  set(zstd_library "${zstd_prefix}/install/lib/libzstd.a")
  # One thread and no legacy formats: the client decodes only what the maker's tool of this
  # project writes, in the thread of its run.
  ExternalProject_Add(zstd_mingw
    SOURCE_DIR "${BRENHOLD_ZSTD_SOURCE}/build/cmake"
    PREFIX "${zstd_prefix}"
    INSTALL_DIR "${zstd_prefix}/install"
    CMAKE_ARGS
      -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
      -DCMAKE_BUILD_TYPE=Release
      -DCMAKE_INSTALL_PREFIX=<INSTALL_DIR>
      -DCMAKE_INSTALL_LIBDIR=lib
      -DCMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER}
      -DZSTD_BUILD_STATIC=ON
      -DZSTD_BUILD_SHARED=OFF
      -DZSTD_BUILD_PROGRAMS=OFF
      -DZSTD_BUILD_TESTS=OFF
      -DZSTD_LEGACY_SUPPORT=OFF
      -DZSTD_MULTITHREAD_SUPPORT=OFF
    BUILD_BYPRODUCTS "${zstd_library}"
    UPDATE_COMMAND ""
    USES_TERMINAL_BUILD ON)
  add_library(brenhold_zstd STATIC IMPORTED GLOBAL)
  set_target_properties(brenhold_zstd PROPERTIES
    IMPORTED_LOCATION "${zstd_library}"
    INTERFACE_INCLUDE_DIRECTORIES "${BRENHOLD_ZSTD_SOURCE}/lib")
  add_dependencies(brenhold_zstd zstd_mingw)
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(LIBZSTD REQUIRED IMPORTED_TARGET libzstd)
  add_library(brenhold_zstd INTERFACE IMPORTED GLOBAL)
  set_target_properties(brenhold_zstd PROPERTIES INTERFACE_LINK_LIBRARIES
                        "$<IF:${BRENHOLD_LINKS_STATICALLY},brenhold_zstd_archive,PkgConfig::LIBZSTD>")
endif()
