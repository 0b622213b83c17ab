#include "net/HeaderField.h"

#include <algorithm>
#include <cctype>

std::optional<std::string> HeaderField(const std::string& header, const std::string& name)
{
    std::string lower = header;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::string key = "\n" + name + ":";
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const std::size_t at = lower.find(key);
    if (at == std::string::npos)
        return std::nullopt;
    const std::size_t start = at + key.size();
    const std::size_t end = header.find('\n', start);
    const std::string value = header.substr(start, end == std::string::npos ? std::string::npos : end - start);
    const std::size_t first = value.find_first_not_of(" \t");
    const std::size_t last = value.find_last_not_of(" \t\r");
    return first == std::string::npos ? std::string() : value.substr(first, last - first + 1);
}

std::optional<std::uint64_t> DeclaredContentLength(const std::string& header)
{
    const std::optional<std::string> length = HeaderField(header, "content-length");
    if (!length || length->empty() || length->size() > 19 ||
        length->find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    std::uint64_t value = 0;
    for (const char digit : *length)
        value = value * 10 + static_cast<std::uint64_t>(digit - '0');
    return value;
}
