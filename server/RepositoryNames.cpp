#include "RepositoryNames.h"

#include "filetree/ListingWriter.h"
#include "text/Codepage.h"

#include <algorithm>

namespace {

// A single name that can stand for a file or folder in both directions. Control bytes
// (byte 03 among them) are refused: Windows allows none in names, and they would break
// the header lines of an answer.
bool IsPlainName(const std::string& name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        return c == '/' || c == '\\' || (static_cast<unsigned char>(c) < 0x20);
    });
}

bool EndsWith(const std::string& name, std::string_view ending)
{
    return name.size() >= ending.size() &&
           name.compare(name.size() - ending.size(), ending.size(), ending) == 0;
}

} // namespace

std::optional<std::string> ListedName(const std::string& utf8Name)
{
    bool ok = false;
    std::string name = Cp1252FromUtf8(utf8Name, &ok);
    if (!ok || !IsPlainName(name))
        return std::nullopt;
    return name;
}

std::optional<std::string> ProductFolderName(const std::string& product)
{
    if (!IsPlainName(product))
        return std::nullopt;
    for (const std::string_view ending : {kSignedListingEnding, kSerialMarkEnding, kSigningLockEnding, kPayloadStoreEnding}) {
        if (EndsWith(product, ending))
            return std::nullopt;
    }
    return Utf8FromCp1252(product);
}

std::optional<std::vector<std::string>> ListedPathNames(const std::string& path)
{
    if (path.compare(0, 2, "./") != 0 || !FitsListingField(path))
        return std::nullopt;
    std::vector<std::string> names;
    std::size_t start = 2;
    while (true) {
        const std::size_t end = path.find('/', start);
        std::string name = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!IsPlainName(name))
            return std::nullopt;
        names.push_back(Utf8FromCp1252(name));
        if (end == std::string::npos)
            return names;
        start = end + 1;
    }
}
