#pragma once
// Redirects of the command posts: an answer 301, 302, 307 or 308 with a Location moves the
// post to another address, where the same command text is posted again. From http to
// https or within one scheme only: a redirect never takes a post off TLS.

#include "net/UpdateServer.h"

#include <string>

// The most redirects one post follows; the next one fails it.
inline constexpr int kMostRedirects = 5;

// Where command texts are posted: a server and the work script's path on it.
struct CommandTarget {
    ServerAddress server;
    std::string path = "/cgi-bin/jobgate.cgi";
};

// "https://host:port/path", the port always named: the wording of the log lines.
std::string UrlOf(const CommandTarget& target);

// Whether status is a redirect that is followed.
bool IsFollowedRedirect(int status);

// The value of the header's Location field, white space around it taken off; empty when
// there is none.
std::string LocationOf(const std::string& header);

// Where location (an absolute http or https URL, or a path beginning with "/" on the same
// server) leads from from: an empty text with to set, or why the redirect is not followed,
// leaving to untouched.
std::string FollowLocation(const CommandTarget& from, const std::string& location, CommandTarget& to);
