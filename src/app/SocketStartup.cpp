#include "app/SocketStartup.h"

#include <utility>

SocketSession::SocketSession(SocketSession&& other) noexcept
    : cleanup_(std::exchange(other.cleanup_, nullptr))
{}

SocketSession& SocketSession::operator=(SocketSession&& other) noexcept
{
    if (this != &other) {
        stop();
        cleanup_ = std::exchange(other.cleanup_, nullptr);
    }
    return *this;
}

SocketSession::~SocketSession()
{
    stop();
}

void SocketSession::stop()
{
    if (cleanup_)
        std::exchange(cleanup_, nullptr)();
}

SocketSession SocketSession::Start(const SocketPlatform& platform)
{
    std::uint16_t granted = 0;
    SocketSession session;
    if (platform.startup(kVersion, granted) == 0) {
        session.cleanup_ = platform.cleanup;
        if (granted == kVersion)
            return session;
        session.stop();
    }
    platform.tellUser(platform.failureText, platform.caption);
    return session;
}

std::string ProgramFileTitle(const std::string& programFilePath)
{
    const std::size_t slash = programFilePath.find_last_of("\\/");
    std::string name = slash == std::string::npos ? programFilePath : programFilePath.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}
