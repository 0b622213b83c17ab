#include "update/PathKey.h"

namespace {

// The upper-case form of a Windows-1252 letter, as a file system that ignores case compares
// it; any other byte stays.
char UpperLetter(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 'a' && byte <= 'z')
        return static_cast<char>(byte - 'a' + 'A');
    // à..þ to À..Þ, but ÷ (0xF7) is no letter.
    if (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7)
        return static_cast<char>(byte - 0x20);
    switch (byte) {
    case 0x9A: return '\x8A'; // š
    case 0x9C: return '\x8C'; // œ
    case 0x9E: return '\x8E'; // ž
    case 0xFF: return '\x9F'; // ÿ
    default: return c;
    }
}

} // namespace

std::string PathKeyFolding(const std::string& listedPath, bool ignoreCase)
{
    std::string key = listedPath.compare(0, 2, "./") == 0 ? listedPath.substr(2) : listedPath;
    if (ignoreCase) {
        for (char& c : key)
            c = UpperLetter(c);
    }
    return key;
}

std::string PathKey(const std::string& listedPath)
{
    return PathKeyFolding(listedPath, kPathsIgnoreCase);
}
