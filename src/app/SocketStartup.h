#pragma once
// Starting the socket layer once for the process, and telling the user when it fails.

#include <cstdint>
#include <functional>
#include <string>

// What starting the socket layer needs from the platform; tests put fakes in its place.
struct SocketPlatform {
    // Starts the socket layer asking for a version (major in the low byte, minor in the
    // high byte) and stores the version granted; returns 0 on success.
    std::function<int(std::uint16_t requested, std::uint16_t& granted)> startup;
    // Shuts down what a successful startup started.
    std::function<void()> cleanup;
    // Shows the user a failure message (OK button, exclamation icon).
    std::function<void(const std::string& text, const std::string& caption)> tellUser;
    std::string failureText;
    std::string caption;
};

// The platform's socket layer: Windows Sockets, or on POSIX the BSD sockets, for which
// starting means that writes to a closed connection report an error instead of ending
// the process. The failure text is string resource 103 where the program has it.
SocketPlatform SystemSocketPlatform();

// Keeps the socket layer started while it lives.
class SocketSession {
public:
    static constexpr std::uint16_t kVersion = 0x0101; // 1.1

    SocketSession() = default;
    SocketSession(const SocketSession&) = delete;
    SocketSession& operator=(const SocketSession&) = delete;
    SocketSession(SocketSession&& other) noexcept;
    SocketSession& operator=(SocketSession&& other) noexcept;
    ~SocketSession();

    // Starts the socket layer in version 1.1. A reported error or any other version
    // granted counts as failure (the layer is then shut down again); on failure the
    // user is told and the session returned is not started.
    static SocketSession Start(const SocketPlatform& platform);

    bool isStarted() const { return static_cast<bool>(cleanup_); }

private:
    void stop();

    std::function<void()> cleanup_;
};

// The caption of a message shown before the program has a display name: the program
// file's name without its directory and extension.
std::string ProgramFileTitle(const std::string& programFilePath);
