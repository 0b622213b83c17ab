#include "crypto/Pem.h"

#include "crypto/Base64.h"

#include <utility>

std::optional<std::vector<std::string>> ReadPemBlocks(std::string_view text, std::string_view label)
{
    const std::string begin = "-----BEGIN " + std::string(label) + "-----";
    const std::string end = "-----END " + std::string(label) + "-----";
    std::vector<std::string> blocks;
    std::size_t at = text.find(begin);
    while (at != std::string_view::npos) {
        const std::size_t contentStart = at + begin.size();
        const std::size_t contentEnd = text.find(end, contentStart);
        if (contentEnd == std::string_view::npos)
            return std::nullopt;
        std::string symbols;
        for (char c : text.substr(contentStart, contentEnd - contentStart)) {
            if (c != '\n' && c != '\r' && c != ' ' && c != '\t')
                symbols += c;
        }
        std::optional<std::string> bytes = DecodeBase64(symbols);
        if (!bytes)
            return std::nullopt;
        blocks.push_back(std::move(*bytes));
        at = text.find(begin, contentEnd + end.size());
    }
    return blocks;
}
