# The public keys whose signed listings the client accepts, compiled into it.
#
# BRENHOLD_TRUSTED_KEYS names a file of one or more PEM public keys (several allow a key
# rotation). Without it, a client for an update server on loopback trusts a development key
# pair that is made once in build/dev-key/ and shared by every preset (never committed), so
# that tests, benchmarks and the demo run signed. A client for any other server needs keys,
# unless BRENHOLD_ALLOW_UNSIGNED=ON builds one that reads unsigned listings (old servers).

set(BRENHOLD_TRUSTED_KEYS "" CACHE FILEPATH "File of PEM public keys whose signed listings the client trusts")
option(BRENHOLD_ALLOW_UNSIGNED "Without trusted keys, read unsigned listings as they come" OFF)

string(REGEX REPLACE "^[A-Za-z]+://" "" brenhold_server_host "${BRENHOLD_UPDATE_SERVER}")
string(REGEX REPLACE ":.*$" "" brenhold_server_host "${brenhold_server_host}")
set(brenhold_loopback FALSE)
if(brenhold_server_host MATCHES "^127\\.[0-9]+\\.[0-9]+\\.[0-9]+$" OR brenhold_server_host STREQUAL "localhost")
  set(brenhold_loopback TRUE)
endif()

set(BRENHOLD_DEV_KEY_DIR "${PROJECT_SOURCE_DIR}/build/dev-key")
set(BRENHOLD_DEV_PRIVATE_KEY "${BRENHOLD_DEV_KEY_DIR}/private.pem")
set(BRENHOLD_DEV_PUBLIC_KEY "${BRENHOLD_DEV_KEY_DIR}/public.pem")

function(brenhold_make_dev_key)
  file(MAKE_DIRECTORY "${BRENHOLD_DEV_KEY_DIR}")
  file(LOCK "${BRENHOLD_DEV_KEY_DIR}/.lock" GUARD FUNCTION TIMEOUT 60)
  if(EXISTS "${BRENHOLD_DEV_PUBLIC_KEY}")
    return()
  endif()
  find_program(BRENHOLD_OPENSSL openssl REQUIRED)
  execute_process(
    COMMAND "${BRENHOLD_OPENSSL}" ecparam -name prime256v1 -genkey -noout -out "${BRENHOLD_DEV_PRIVATE_KEY}.new"
    RESULT_VARIABLE made)
  execute_process(
    COMMAND "${BRENHOLD_OPENSSL}" ec -in "${BRENHOLD_DEV_PRIVATE_KEY}.new" -pubout -out "${BRENHOLD_DEV_PUBLIC_KEY}.new"
    RESULT_VARIABLE derived ERROR_QUIET)
  if(NOT made EQUAL 0 OR NOT derived EQUAL 0)
    message(FATAL_ERROR "openssl could not make the development key pair in ${BRENHOLD_DEV_KEY_DIR}")
  endif()
  file(RENAME "${BRENHOLD_DEV_PRIVATE_KEY}.new" "${BRENHOLD_DEV_PRIVATE_KEY}")
  file(RENAME "${BRENHOLD_DEV_PUBLIC_KEY}.new" "${BRENHOLD_DEV_PUBLIC_KEY}")
endfunction()

set(brenhold_keys_file "")
if(BRENHOLD_TRUSTED_KEYS)
  if(NOT EXISTS "${BRENHOLD_TRUSTED_KEYS}")
    message(FATAL_ERROR "BRENHOLD_TRUSTED_KEYS names no file: ${BRENHOLD_TRUSTED_KEYS}")
  endif()
  set(brenhold_keys_file "${BRENHOLD_TRUSTED_KEYS}")
elseif(brenhold_loopback AND NOT BRENHOLD_ALLOW_UNSIGNED)
  brenhold_make_dev_key()
  set(brenhold_keys_file "${BRENHOLD_DEV_PUBLIC_KEY}")
elseif(NOT BRENHOLD_ALLOW_UNSIGNED)
  message(FATAL_ERROR
    "A client for the update server ${BRENHOLD_UPDATE_SERVER} needs the maker's public keys: "
    "configure with -DBRENHOLD_TRUSTED_KEYS=keys.pem (see the README), or with "
    "-DBRENHOLD_ALLOW_UNSIGNED=ON for a client that takes unsigned listings unchecked.")
endif()

# The development key is always there for tests and benchmarks that sign repositories.
if(NOT BRENHOLD_FUZZ)
  brenhold_make_dev_key()
endif()

set(brenhold_keys_text "")
if(brenhold_keys_file)
  file(READ "${brenhold_keys_file}" brenhold_keys_text)
  if(NOT brenhold_keys_text MATCHES "-----BEGIN PUBLIC KEY-----")
    message(FATAL_ERROR "${brenhold_keys_file} holds no PEM public key")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${brenhold_keys_file}")
endif()
file(CONFIGURE OUTPUT "${CMAKE_BINARY_DIR}/generated/TrustedKeysPem.inc"
     CONTENT "R\"pem(${brenhold_keys_text})pem\"\n" @ONLY)
