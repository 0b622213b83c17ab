#pragma once
// The update server's work script: answers one CGI/1.1 request with a product's file
// listing (command 15) or one of its files (command 16).

#include <cstddef>
#include <optional>
#include <string>

// What the web server tells the program through its environment.
struct RequestEnvironment {
    std::string method;                       // REQUEST_METHOD
    std::optional<std::string> contentLength; // CONTENT_LENGTH
    std::optional<std::string> root;          // JOBGATE_ROOT: the repository's folder
    bool sendfile = false;                    // JOBGATE_SENDFILE=1: file bodies by X-Sendfile
};

// The longest command text accepted: two fields of a listing's longest text and more.
inline constexpr std::size_t kLongestRequest = 16384;

// Reads the request body from in and writes the answer to out. Refusals are answers
// (400, 403, 404, 405, 411, 413, and 500 for a broken set-up); returns the exit code: 0
// when the answer was written, 1 when writing failed.
int AnswerRequest(const RequestEnvironment& environment, int in, int out);
