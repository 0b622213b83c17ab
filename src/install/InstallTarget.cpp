#include "install/InstallTarget.h"

#include "os/OutputFile.h"
#include "update/LocalPlacement.h"

#include <cstdio>

namespace {

constexpr char kTestFileName[] = ".brenhold-write-test";

} // namespace

bool CanCreateFilesIn(const std::string& directory)
{
    if (directory.empty())
        return false;
    // A trailing separator: the last part is a directory even when it holds a ".".
    createDirectories((directory + "/").c_str());
    const std::string testFile = directory + "/" + kTestFileName;
    OutputFile file;
    if (!file.open(testFile, OutputFile::Mode::Truncate))
        return false;
    const bool written = file.close();
    return std::remove(testFile.c_str()) == 0 && written;
}
