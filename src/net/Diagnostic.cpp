#include "net/Diagnostic.h"

#include <cstdio>

void WriteDiagnostic(const std::string& line)
{
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}
