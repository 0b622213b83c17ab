// Windows side of ListedPath.h: a segment with "~" may be the short name of another entry.
#include "update/ListedPath.h"

#include <windows.h>

#include <string_view>

namespace {

bool SameIgnoringCase(const std::string& a, const std::string& b)
{
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

} // namespace

std::string ShortNameReason(const std::string& path)
{
    std::string_view rest(path);
    if (rest.substr(0, 2) == "./")
        rest.remove_prefix(2);
    std::string prefix;
    while (!rest.empty()) {
        const std::size_t slash = rest.find('/');
        const std::string segment(rest.substr(0, slash));
        rest.remove_prefix(slash == std::string_view::npos ? rest.size() : slash + 1);
        // A name with wildcards is no file name at all; the open refuses it later.
        if (segment.find('~') != std::string::npos && segment.find_first_of("*?") == std::string::npos) {
            WIN32_FIND_DATAA found{};
            const HANDLE search = FindFirstFileA((prefix + segment).c_str(), &found);
            if (search != INVALID_HANDLE_VALUE) {
                FindClose(search);
                if (!SameIgnoringCase(found.cFileName, segment))
                    return "\"" + segment + "\" is the short name of \"" + found.cFileName + "\"";
            }
        }
        prefix += segment + "\\";
    }
    return {};
}
