# The root certificates a client trusts for its update server's TLS, compiled into it.
#
# BRENHOLD_TLS_ROOTS names a PEM file of one or more root certificates: the client then
# trusts only those (pinning, on both platforms; there is no run-time override). Without it
# the client trusts the system's roots.

set(BRENHOLD_TLS_ROOTS "" CACHE FILEPATH "PEM file of the only root certificates the client trusts for TLS")

set(brenhold_tls_roots_text "")
if(BRENHOLD_TLS_ROOTS)
  if(NOT EXISTS "${BRENHOLD_TLS_ROOTS}")
    message(FATAL_ERROR "BRENHOLD_TLS_ROOTS names no file: ${BRENHOLD_TLS_ROOTS}")
  endif()
  file(READ "${BRENHOLD_TLS_ROOTS}" brenhold_tls_roots_text)
  if(NOT brenhold_tls_roots_text MATCHES "-----BEGIN CERTIFICATE-----")
    message(FATAL_ERROR "${BRENHOLD_TLS_ROOTS} holds no PEM certificate")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${BRENHOLD_TLS_ROOTS}")
endif()
file(CONFIGURE OUTPUT "${CMAKE_BINARY_DIR}/generated/TlsRootsPem.inc"
     CONTENT "R\"pem(${brenhold_tls_roots_text})pem\"\n" @ONLY)
