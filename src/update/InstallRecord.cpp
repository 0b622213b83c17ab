#include "update/InstallRecord.h"

#include "os/OutputFile.h"
#include "update/LocalPath.h"
#include "update/LocalRemoval.h"

#include <fstream>
#include <sstream>

InstallRecord InstallRecord::Load(const std::string& file)
{
    InstallRecord record;
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty())
            record.paths.insert(line);
    }
    return record;
}

std::string InstallRecord::text() const
{
    std::string out;
    for (const std::string& path : paths)
        out += path + "\n";
    return out;
}

bool InstallRecord::save(const std::string& file) const
{
    return WriteFileDurably(file, text());
}

bool RemoveListedFile(const std::string& listedPath)
{
    std::string path = LocalPath(listedPath);
    if (!RemoveLocalFile(path))
        return false;
    for (std::size_t slash = path.rfind('/'); slash != std::string::npos && slash > 0; slash = path.rfind('/')) {
        path.resize(slash);
        if (path == "." || !RemoveEmptyFolder(path))
            break;
    }
    return true;
}
