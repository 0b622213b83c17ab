#pragma once
// Writes CGI/1.1 answers (a Status header, other headers, an empty line, the body) to a
// file descriptor. Each returns false when writing failed (the client went away).

#include <cstdint>
#include <string>
#include <string_view>

// Writes all of data, retrying after interruptions and partial writes.
bool WriteAll(int fd, std::string_view data);

// A short plain-text answer, for refusals and errors; 405 also names the allowed method.
bool SendText(int out, int status, std::string_view text);

// A listing in Windows-1252.
bool SendListing(int out, const std::string& listing);

// size bytes read from file, sent as they are.
bool SendFileBytes(int out, int file, std::uint64_t size);

// An answer whose body the web server sends from the file at path (X-Sendfile).
bool SendFileByWebServer(int out, const std::string& path);
