#include "net/Redirect.h"

#include "net/HeaderField.h"
#include "text/FormatString.h"

#include <algorithm>

namespace {

// Bytes a request target cannot carry as they are.
bool IsPathSafe(const std::string& path)
{
    return std::none_of(path.begin(), path.end(), [](char c) {
        const unsigned char byte = static_cast<unsigned char>(c);
        return byte <= 0x20 || byte == 0x7F;
    });
}

} // namespace

std::string UrlOf(const CommandTarget& target)
{
    return FormatString("%s://%s:%u%s", target.server.secure ? "https" : "http", target.server.host.c_str(),
                        static_cast<unsigned>(target.server.port), target.path.c_str());
}

bool IsFollowedRedirect(int status)
{
    return status == 301 || status == 302 || status == 307 || status == 308;
}

std::string LocationOf(const std::string& header)
{
    return HeaderField(header, "location").value_or(std::string());
}

std::string FollowLocation(const CommandTarget& from, const std::string& location, CommandTarget& to)
{
    if (location.empty())
        return "the answer names no Location";
    CommandTarget next = from;
    std::string path;
    if (location[0] == '/' && location.compare(0, 2, "//") != 0) {
        path = location;
    } else {
        const std::size_t scheme = location.find("://");
        if (scheme == std::string::npos)
            return "the Location \"" + location + "\" is no absolute http or https address";
        const std::size_t slash = location.find('/', scheme + 3);
        const std::string authority = location.substr(0, slash);
        if (!ParseServerAddress(authority, next.server))
            return "the Location \"" + location + "\" is no absolute http or https address";
        path = slash == std::string::npos ? std::string("/") : location.substr(slash);
    }
    path = path.substr(0, path.find('#'));
    if (!IsPathSafe(path))
        return "the Location \"" + location + "\" holds bytes no request can carry";
    if (from.server.secure && !next.server.secure)
        return "the Location \"" + location + "\" leads from https to http";
    next.path = path;
    to = next;
    return {};
}
