// Windows side of ScratchSettings.h: a test maker key below HKCU\software.
#include "ScratchSettings.h"

#include "RegistryTree.h"

#include <windows.h>

namespace {

std::string UniqueMaker()
{
    static int counter = 0;
    return "BrenholdTest" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
}

} // namespace

ScratchSettings::ScratchSettings() : maker_(UniqueMaker()), store_(maker_, kProfile)
{
    DeleteUserKeyTree("software\\" + maker_);
}

ScratchSettings::~ScratchSettings()
{
    DeleteUserKeyTree("software\\" + maker_);
}
