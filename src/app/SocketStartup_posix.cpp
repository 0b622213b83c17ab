// POSIX side of SocketStartup.h: BSD sockets need no start, only SIGPIPE ignored.
#include "app/SocketStartup.h"

#include "text/Codepage.h"
#include "text/UserTexts.h"

#include <cerrno>
#include <csignal>
#include <cstdio>

SocketPlatform SystemSocketPlatform()
{
    SocketPlatform platform;
    platform.startup = [](std::uint16_t requested, std::uint16_t& granted) {
        // A server that closes the connection early must cost an error, not the process.
        if (std::signal(SIGPIPE, SIG_IGN) == SIG_ERR)
            return errno != 0 ? errno : -1;
        granted = requested;
        return 0;
    };
    platform.cleanup = [] {};
    platform.tellUser = [](const std::string& text, const std::string& caption) {
        std::fprintf(stderr, "%s: %s\n", Utf8FromCp1252(caption).c_str(), Utf8FromCp1252(text).c_str());
        std::fflush(stderr);
    };
    platform.failureText = texts::kSocketStartFailed;
    platform.caption = ProgramFileTitle(program_invocation_name);
    return platform;
}
