// POSIX side of ScratchSettings.h: a temporary XDG_CONFIG_HOME.
#include "ScratchSettings.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

std::string MakeTemporaryDirectory()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "brenhold-settings-XXXXXX").string();
    return ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
}

} // namespace

ScratchSettings::ScratchSettings()
    : maker_("BrenholdTest"), configHome_(MakeTemporaryDirectory()), store_(maker_, kProfile)
{
    if (const char* old = std::getenv("XDG_CONFIG_HOME")) {
        hadConfigHome_ = true;
        savedConfigHome_ = old;
    }
    ::setenv("XDG_CONFIG_HOME", configHome_.c_str(), 1);
}

ScratchSettings::~ScratchSettings()
{
    if (hadConfigHome_)
        ::setenv("XDG_CONFIG_HOME", savedConfigHome_.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
    std::error_code ignored;
    std::filesystem::remove_all(configHome_, ignored);
}
