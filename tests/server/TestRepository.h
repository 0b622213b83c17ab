#pragma once
// POSIX only: a product repository for server tests, made in a temporary folder:
//   <base>/repo/Corvid/...  the product "Corvid": files in nested folders, names that sort
//                           differently in UTF-8 and Windows-1252, links that lead inside,
//                           outside and to a folder, a name Windows-1252 cannot hold, a fifo
//   <base>/outside/secret   a file outside the repository that must never be read

#include "TempDir.h"
#include "filetree/FileTree.h"

#include <cstdint>
#include <string>
#include <vector>

struct ExpectedFile {
    std::string listedPath; // Windows-1252, as listed
    std::string diskPath;   // UTF-8, relative to the product folder
    std::uint32_t time;
    std::string bytes;
};

class TestRepository {
public:
    TestRepository();

    std::string root() const { return (base_.path() / "repo").string(); }
    std::string outside() const { return (base_.path() / "outside").string(); }

    // The listable files in listing order.
    const std::vector<ExpectedFile>& files() const { return files_; }

    // The listing jobgate is expected to send for the product.
    std::string expectedListing() const;

private:
    TempDir base_;
    std::vector<ExpectedFile> files_;
};

// Rows of a listing as "path|time|size" lines, for comparisons with readable failures.
std::string RowsOf(FileTree& tree);

// The status code and body of an answer ("Status: ..." of CGI or "HTTP/1.1 ..." of HTTP)
// and the value of one of its headers.
struct Answer {
    int status = 0;
    std::string head;
    std::string body;
    std::string header(const std::string& name) const;
};
Answer SplitAnswer(const std::string& raw);
