#include "RequestChannel.h"

#include <unistd.h>

#include <cerrno>

long FdChannel::read(char* buffer, std::size_t size)
{
    while (true) {
        const ssize_t got = ::read(in_, buffer, size);
        if (got < 0 && errno == EINTR)
            continue;
        return static_cast<long>(got);
    }
}

bool WriteAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool FdChannel::write(std::string_view data)
{
    return WriteAll(out_, data);
}
