#include "update/ListedPath.h"

#include "update/StateFolder.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

char Upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Windows opens these names as devices in every directory, with any extension.
bool IsDeviceName(std::string_view segment)
{
    const std::string_view base = segment.substr(0, segment.find('.'));
    std::string upper;
    for (char c : base)
        upper += Upper(c);
    while (!upper.empty() && upper.back() == ' ')
        upper.pop_back();
    static constexpr std::array<std::string_view, 6> kPlain = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    if (std::find(kPlain.begin(), kPlain.end(), upper) != kPlain.end())
        return true;
    // COM1..COM9 and LPT1..LPT9, also with the superscript digits ¹ ² ³.
    if (upper.size() == 4 && (upper.compare(0, 3, "COM") == 0 || upper.compare(0, 3, "LPT") == 0)) {
        const char digit = upper[3];
        return (digit >= '1' && digit <= '9') || digit == '\xB9' || digit == '\xB2' || digit == '\xB3';
    }
    return false;
}

std::string SegmentReason(std::string_view segment)
{
    if (segment.empty())
        return "empty path segment";
    if (segment == "." || segment == "..")
        return "relative segment \"" + std::string(segment) + "\"";
    for (char c : segment) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            return "control character";
        if (c == '\\')
            return "backslash";
        if (c == ':')
            return "colon";
    }
    if (segment.back() == '.' || segment.back() == ' ')
        return "segment ends in a dot or blank";
    if (IsDeviceName(segment))
        return "device name";
    return {};
}

bool SameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Upper(a[i]) != Upper(b[i]))
            return false;
    }
    return true;
}

// Whether the first segment names the client's own state folder, in any letter case, as
// Windows file systems compare names, or by the short name Windows makes of ".brenhold"
// (the first six letters without the dot, "~" and a number).
bool IsStateFolder(std::string_view segment)
{
    if (SameIgnoringCase(segment, state::kFolder))
        return true;
    const std::string_view shortStem = std::string_view(state::kFolder).substr(1, 6);
    return segment.size() > shortStem.size() + 1 && SameIgnoringCase(segment.substr(0, shortStem.size()), shortStem) &&
           segment[shortStem.size()] == '~';
}

} // namespace

std::string UnsafeListedPathReason(const std::string& path)
{
    std::string_view rest(path);
    if (rest.size() >= 2 && rest.substr(0, 2) == "./")
        rest.remove_prefix(2);
    if (rest.empty())
        return "no file name";
    if (IsStateFolder(rest.substr(0, rest.find('/'))))
        return "inside the client's state folder";
    for (;;) {
        const std::size_t slash = rest.find('/');
        const std::string reason = SegmentReason(rest.substr(0, slash));
        if (!reason.empty())
            return reason;
        if (slash == std::string_view::npos)
            return {};
        rest.remove_prefix(slash + 1);
    }
}
