#include "SerialMark.h"

#include "FileWrite.h"
#include "RepositoryNames.h"
#include "UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>

namespace {

constexpr mode_t kMarkMode = 0644;
constexpr std::size_t kLongestMark = 21; // 20 digits of a 64-bit number and the line end

StoredSerialMark Unreadable(std::string reason)
{
    return {StoredSerialMark::State::Unreadable, 0, std::move(reason)};
}

} // namespace

std::string SerialMarkPath(const std::string& root, const std::string& productFolderName)
{
    return root + "/" + productFolderName + std::string(kSerialMarkEnding);
}

StoredSerialMark ReadSerialMark(const std::string& root, const std::string& productFolderName)
{
    const std::string path = SerialMarkPath(root, productFolderName);
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid())
        return errno == ENOENT ? StoredSerialMark{} : Unreadable(std::strerror(errno));
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return Unreadable(std::strerror(errno));
    if (!S_ISREG(st.st_mode))
        return Unreadable("not a regular file");
    // One byte more than the longest mark tells a longer file from it.
    char text[kLongestMark + 1];
    std::size_t got = 0;
    while (got < sizeof text) {
        const ssize_t n = ::read(fd.get(), text + got, sizeof text - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Unreadable(std::strerror(errno));
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    const char* end = text + got;
    if (got < 2 || end[-1] != '\n' || (text[0] == '0' && got != 2))
        return Unreadable("not one decimal number and a line end");
    StoredSerialMark mark{StoredSerialMark::State::Found, 0, {}};
    const auto [stop, error] = std::from_chars(text, end - 1, mark.serial);
    if (error == std::errc::result_out_of_range)
        return Unreadable("the number does not fit 64 bits");
    if (error != std::errc() || stop != end - 1)
        return Unreadable("not one decimal number and a line end");
    return mark;
}

bool WriteSerialMark(const std::string& root, const std::string& productFolderName, std::uint64_t serial)
{
    return ReplaceFile(SerialMarkPath(root, productFolderName), std::to_string(serial) + "\n", kMarkMode);
}
