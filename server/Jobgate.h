#pragma once
// The update server's work script: answers one request with a product's file listing
// (command 15), one of its files (command 16) or a payload of its store (command 17: a
// compressed form or a patch, see PayloadNames.h), whole or from a byte position on.

#include "RequestChannel.h"
#include "SignedListingCache.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

// Who sends the bytes of a whole file, as the web server is set up.
enum class FileSending {
    ByJobgate,
    XSendfile,      // JOBGATE_SENDFILE=1: X-Sendfile with a %XX-encoded path (lighttpd)
    XSendfileRaw,   // JOBGATE_SENDFILE=raw: X-Sendfile with the path as it is (Apache's mod_xsendfile)
    XAccelRedirect, // JOBGATE_ACCEL_REDIRECT set: a URI below nginx's internal location of the root
};

// What the web server tells the program through its environment.
struct RequestEnvironment {
    std::string method;                       // REQUEST_METHOD
    std::optional<std::string> contentLength; // CONTENT_LENGTH
    std::optional<std::string> root;          // JOBGATE_ROOT: the repository's folder
    FileSending fileSending = FileSending::ByJobgate;
    std::string accelRedirect; // JOBGATE_ACCEL_REDIRECT: the internal location's URI prefix
    std::string range;         // HTTP_RANGE: the client's Range header, or empty
};

// The value of a variable of the request, or none when it is not set.
using RequestVariables = std::function<std::optional<std::string>(const char* name)>;

RequestEnvironment ReadRequestEnvironment(const RequestVariables& variable);

// The longest command text accepted: two fields of a listing's longest text and more.
inline constexpr std::size_t kLongestRequest = 16384;

// Reads the request body from the channel and writes the answer to it. Refusals are
// answers (400, 403, 404, 405, 411, 413, 416, and 500 for a broken set-up); returns the
// exit code: 0 when the answer was written, 1 when writing failed. Signed listings are read
// through listings when given, otherwise from their files.
int AnswerRequest(const RequestEnvironment& environment, RequestChannel& channel,
                  SignedListingCache* listings = nullptr);
