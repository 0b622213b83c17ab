# How the native programs link OpenSSL and zstd: the targets brenhold_openssl_crypto and
# brenhold_openssl_ssl (and brenhold_zstd, cmake/Zstd.cmake) give the shared libraries, or
# the static archives to a program whose property BRENHOLD_STATIC_LIBS is on.
#
# The Linux client's peak memory counts every page of code it maps, and a shared library
# maps far more than the client runs: the dynamic linker relocates its tables and reads its
# symbol tables, and each function it calls comes with the pages around it. Linked from the
# static archives (and with the C++ runtime linked statically), the client takes in only the
# objects it uses, and its peak memory over a large download falls by about 1.5 MiB.
# BRENHOLD_STATIC_CLIENT=OFF links it with the shared libraries like every other program and
# the tests, so that it takes Debian's updates of OpenSSL without a rebuild.
if(WIN32)
  return()
endif()

option(BRENHOLD_STATIC_CLIENT "Link the Linux client with static OpenSSL, zstd and C++ runtime" ON)

find_package(OpenSSL REQUIRED COMPONENTS Crypto SSL)
find_package(Threads REQUIRED)

# lib<name>.a beside the shared library, as an imported target brenhold_<name>_archive.
function(brenhold_static_archive name)
  find_library(BRENHOLD_${name}_ARCHIVE NAMES lib${name}.a REQUIRED)
  add_library(brenhold_${name}_archive STATIC IMPORTED GLOBAL)
  set_target_properties(brenhold_${name}_archive PROPERTIES IMPORTED_LOCATION "${BRENHOLD_${name}_ARCHIVE}"
                                                            INTERFACE_LINK_LIBRARIES "${ARGN}")
endfunction()
brenhold_static_archive(crypto Threads::Threads ${CMAKE_DL_LIBS})
brenhold_static_archive(ssl brenhold_crypto_archive)
brenhold_static_archive(zstd)

# In a library's link interface, $<TARGET_PROPERTY:BRENHOLD_STATIC_LIBS> is read from the
# program that links it.
set(BRENHOLD_LINKS_STATICALLY "$<BOOL:$<TARGET_PROPERTY:BRENHOLD_STATIC_LIBS>>")
set(static "${BRENHOLD_LINKS_STATICALLY}")
add_library(brenhold_openssl_crypto INTERFACE)
target_link_libraries(brenhold_openssl_crypto INTERFACE "$<IF:${static},brenhold_crypto_archive,OpenSSL::Crypto>")
target_include_directories(brenhold_openssl_crypto INTERFACE ${OPENSSL_INCLUDE_DIR})
add_library(brenhold_openssl_ssl INTERFACE)
target_link_libraries(brenhold_openssl_ssl INTERFACE "$<IF:${static},brenhold_ssl_archive,OpenSSL::SSL>"
                                                     brenhold_openssl_crypto)
unset(static)

# Marks program as linked from the static archives, when BRENHOLD_STATIC_CLIENT is on.
function(brenhold_link_statically program)
  if(BRENHOLD_STATIC_CLIENT)
    set_target_properties(${program} PROPERTIES BRENHOLD_STATIC_LIBS ON)
    target_link_options(${program} PRIVATE -static-libstdc++ -static-libgcc)
  endif()
endfunction()
