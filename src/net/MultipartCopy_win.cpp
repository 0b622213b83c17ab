// Windows side of MultipartCopy.h: the body is written to c:/Header.hex.
#include "net/MultipartCopy.h"

#include <fstream>

void KeepMultipartCopy(const std::string& body)
{
    std::ofstream copy("c:/Header.hex", std::ios::binary | std::ios::trunc);
    if (copy)
        copy.write(body.data(), static_cast<std::streamsize>(body.size()));
}
