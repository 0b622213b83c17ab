// Windows side of PlacementPaths.h: "\" separates, letter case does not matter.
#include "update/PlacementPaths.h"

#include "text/StringUtil.h"

#include <windows.h>

namespace {

// The text in UTF-16 with every letter in upper case, as the file system folds names.
std::wstring FoldedCase(const std::string& text)
{
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
    return wide;
}

} // namespace

bool MakeDirectory(const std::string& path)
{
    return CreateDirectoryA(path.c_str(), nullptr) != 0;
}

std::string DirectoryOf(const std::string& path)
{
    std::string native = path;
    ReplaceAll(native, "/", "\\");
    const auto last = native.rfind('\\');
    return last == std::string::npos ? std::string() : native.substr(0, last);
}

bool SameDirectory(const std::string& a, const std::string& b)
{
    return FoldedCase(a) == FoldedCase(b);
}
