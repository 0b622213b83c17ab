// Reports whether a file's status holds the expected creation time, from a process of
// its own. Usage: file_status_probe <path> <seconds since 1970>. Exit code 0 when it
// does, 1 when the time differs, 2 when the file is missing, 3 on wrong usage.
#include "update/FileStatus.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: file_status_probe <path> <seconds>\n");
        return 3;
    }
    const FileStatus status = QueryFileStatus(argv[1]);
    if (!status.exists) {
        std::fprintf(stderr, "file_status_probe: %s does not exist\n", argv[1]);
        return 2;
    }
    const unsigned long expected = std::strtoul(argv[2], nullptr, 10);
    if (status.creationTime != expected) {
        std::fprintf(stderr, "file_status_probe: %s was created at %lu, not %lu\n", argv[1],
                     static_cast<unsigned long>(status.creationTime), expected);
        return 1;
    }
    return 0;
}
