#include "ProductHashes.h"

#include "FileHash.h"
#include "RepositoryNames.h"
#include "SignDiagnostic.h"

#include "text/Codepage.h"

std::optional<std::vector<HashedFile>> HashProductFiles(const std::string& productFolder)
{
    std::vector<HashedFile> hashed;
    FileHasher hasher;
    for (ListedFile& file : ListProductFiles(productFolder)) {
        const std::string shown = productFolder + "/" + Utf8FromCp1252(file.path.substr(2));
        const auto names = ListedPathNames(file.path);
        OpenedFile opened;
        if (!names || OpenProductFile(productFolder, *names, opened) != Lookup::Found) {
            Complain("cannot open " + shown);
            return std::nullopt;
        }
        const auto digest = hasher.hash(opened.fd.get(), shown);
        if (!digest)
            return std::nullopt;
        if (digest->size != file.size || opened.size != file.size) {
            Complain(shown + " changed while it was read; sign again when the folder is complete");
            return std::nullopt;
        }
        hashed.push_back({std::move(file), digest->sha256Hex});
    }
    return hashed;
}
