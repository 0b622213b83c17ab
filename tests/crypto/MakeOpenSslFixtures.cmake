# Makes throwaway keys and a signature with the openssl command line and writes them into a
# C++ header, so that the crypto tests check this code against OpenSSL's own output on every
# platform they run on. Run as: cmake -DOPENSSL=... -DSHA256SUM=... -DWORK=dir -DOUTPUT=header -P this
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

function(run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${WORK} RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "MakeOpenSslFixtures: ${ARGN} failed: ${err}")
  endif()
endfunction()

# The signer's key (SEC1) with its public key, a message and its signature.
run(${OPENSSL} ecparam -name prime256v1 -genkey -noout -out signer.pem)
run(${OPENSSL} ec -in signer.pem -pubout -out signer.pub.pem)
run(${OPENSSL} pkey -pubin -in signer.pub.pem -outform DER -out signer.pub.der)
execute_process(COMMAND ${SHA256SUM} signer.pub.der WORKING_DIRECTORY ${WORK} OUTPUT_VARIABLE sum
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "MakeOpenSslFixtures: sha256sum failed")
endif()
string(SUBSTRING "${sum}" 0 16 signer_key_id)
file(WRITE ${WORK}/message.txt "Corvid 7.2, serial 1041, valid until 2031-01-01\n")
# OpenSSL makes a high s (above half the curve's order, which the client refuses) for about
# half of its signatures: sign until there is one of each kind, a low one for the tests that
# verify and a high one for the test of its refusal.
set(half_order 7FFFFFFF800000007FFFFFFFFFFFFFFFDE737D56D38BCF4279DCE5617E3192A8)
foreach(attempt RANGE 1 64)
  run(${OPENSSL} dgst -sha256 -sign signer.pem -out attempt.sig message.txt)
  execute_process(COMMAND ${OPENSSL} asn1parse -inform DER -in attempt.sig WORKING_DIRECTORY ${WORK}
                  OUTPUT_VARIABLE parsed RESULT_VARIABLE rc)
  string(REGEX MATCHALL "INTEGER +:([0-9A-F]+)" integers "${parsed}")
  list(LENGTH integers count)
  if(NOT rc EQUAL 0 OR NOT count EQUAL 2)
    message(FATAL_ERROR "MakeOpenSslFixtures: openssl asn1parse cannot read a signature: ${parsed}")
  endif()
  list(GET integers 1 s)
  string(REGEX REPLACE ".*:0*" "" s "${s}")
  string(LENGTH "${s}" digits)
  # Padded to 64 digits, the hex texts compare as the numbers do.
  math(EXPR padding "64 - ${digits}")
  string(REPEAT 0 ${padding} zeros)
  if("${zeros}${s}" STRGREATER half_order)
    file(RENAME ${WORK}/attempt.sig ${WORK}/message.high.sig)
  else()
    file(RENAME ${WORK}/attempt.sig ${WORK}/message.sig)
  endif()
  if(EXISTS ${WORK}/message.sig AND EXISTS ${WORK}/message.high.sig)
    break()
  endif()
endforeach()
if(NOT EXISTS ${WORK}/message.sig OR NOT EXISTS ${WORK}/message.high.sig)
  message(FATAL_ERROR "MakeOpenSslFixtures: 64 signatures were all of one kind of s")
endif()
# The same key's point in compressed form, which the client refuses.
run(${OPENSSL} ec -in signer.pem -pubout -conv_form compressed -out signer.compressed.pub.pem)

# A second key as genpkey writes it (PKCS#8), and a key of another curve.
run(${OPENSSL} genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out other.pem)
run(${OPENSSL} pkey -in other.pem -pubout -out other.pub.pem)
run(${OPENSSL} ecparam -name secp384r1 -genkey -noout -out p384.pem)
run(${OPENSSL} ec -in p384.pem -pubout -out p384.pub.pem)

# Binary files become string literals of \x escapes.
function(bytes_literal file variable)
  file(READ ${WORK}/${file} hex HEX)
  string(REGEX REPLACE "(..)" "\\\\x\\1" escaped "${hex}")
  set(${variable} "\"${escaped}\"sv" PARENT_SCOPE)
endfunction()
function(text_literal file variable)
  file(READ ${WORK}/${file} text)
  set(${variable} "R\"fixture(${text})fixture\"" PARENT_SCOPE)
endfunction()

text_literal(signer.pem signer_private)
text_literal(signer.pub.pem signer_public)
text_literal(signer.compressed.pub.pem signer_compressed_public)
bytes_literal(signer.pub.der signer_public_der)
text_literal(message.txt message)
bytes_literal(message.sig signature)
bytes_literal(message.high.sig high_signature)
text_literal(other.pem other_private)
text_literal(other.pub.pem other_public)
text_literal(p384.pem p384_private)
text_literal(p384.pub.pem p384_public)

file(WRITE ${OUTPUT}.new "// Made by tests/crypto/MakeOpenSslFixtures.cmake with the openssl command line.
#pragma once
#include <string_view>

namespace openssl_fixtures {
using namespace std::string_view_literals;

// `openssl ecparam -name prime256v1 -genkey -noout`, its `openssl ec -pubout`, the public
// key's DER and the first 16 hex digits of that DER's sha256sum.
constexpr std::string_view kSignerPrivatePem = ${signer_private};
constexpr std::string_view kSignerPublicPem = ${signer_public};
constexpr std::string_view kSignerPublicDer = ${signer_public_der};
constexpr std::string_view kSignerKeyId = \"${signer_key_id}\";
// `openssl ec -pubout -conv_form compressed` of the same key.
constexpr std::string_view kSignerCompressedPublicPem = ${signer_compressed_public};

// kSignature is `openssl dgst -sha256 -sign` of kMessage with the signer's key, its s low
// (at most half the order of P-256); kHighSSignature is another such signature, its s high.
constexpr std::string_view kMessage = ${message};
constexpr std::string_view kSignature = ${signature};
constexpr std::string_view kHighSSignature = ${high_signature};

// `openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256` (PKCS#8) and its public key.
constexpr std::string_view kOtherPrivatePem = ${other_private};
constexpr std::string_view kOtherPublicPem = ${other_public};

// A secp384r1 key and its public key.
constexpr std::string_view kP384PrivatePem = ${p384_private};
constexpr std::string_view kP384PublicPem = ${p384_public};
} // namespace openssl_fixtures
")
file(RENAME ${OUTPUT}.new ${OUTPUT})
