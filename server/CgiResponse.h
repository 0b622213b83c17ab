#pragma once
// Writes CGI answers (a Status header, other headers, an empty line, the body), as both
// CGI/1.1 and FastCGI carry them. Each returns false when writing failed (the client went
// away).

#include "ByteRange.h"
#include "RequestChannel.h"

#include <cstdint>
#include <string>
#include <string_view>

// A short plain-text answer, for refusals and errors; 405 also names the allowed method.
bool SendText(RequestChannel& out, int status, std::string_view text);

// The type of a listing, which is Windows-1252.
inline constexpr std::string_view kListingType = "text/plain; charset=windows-1252";

// A listing.
bool SendListing(RequestChannel& out, const std::string& listing);

// The bytes of file (size bytes long) that range asks for, read from it as they are: the
// whole file (200) or one part of it (206 with its Content-Range).
bool SendFileBytes(RequestChannel& out, int file, std::uint64_t size, const ByteRange& range);

// 416 for a range that starts beyond the end of a file of size bytes.
bool SendRangeNotSatisfiable(RequestChannel& out, std::uint64_t size);

// A file of the product, or a stored signed listing.
inline constexpr std::string_view kFileType = "application/octet-stream";

// An answer of type contentType whose body the web server sends from the file at path
// (X-Sendfile), written %XX-encoded (lighttpd decodes it) or as it is (Apache's
// mod_xsendfile decodes nothing).
bool SendFileByWebServer(RequestChannel& out, const std::string& path, bool encoded, std::string_view contentType);

// An answer whose body nginx sends from the internal location uri (X-Accel-Redirect).
bool SendFileByAccelRedirect(RequestChannel& out, const std::string& uri, std::string_view contentType);
