// Windows side of SocketStartup.h: Windows Sockets and a message box.
#include "app/SocketStartup.h"

#include "text/UserTexts.h"

#include <winsock2.h>

namespace {

constexpr UINT kSocketStartFailedString = 103;

std::string FailureText()
{
    char text[256];
    const int length = LoadStringA(GetModuleHandleA(nullptr), kSocketStartFailedString, text, sizeof text);
    // A program built without the resource script still tells the user in German.
    return length > 0 ? std::string(text, static_cast<std::size_t>(length)) : texts::kSocketStartFailed;
}

std::string ModuleTitle()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    return ProgramFileTitle(std::string(path, length < sizeof path ? length : 0));
}

} // namespace

SocketPlatform SystemSocketPlatform()
{
    SocketPlatform platform;
    platform.startup = [](std::uint16_t requested, std::uint16_t& granted) {
        WSADATA data;
        const int result = WSAStartup(requested, &data);
        if (result == 0)
            granted = data.wVersion;
        return result;
    };
    platform.cleanup = [] { WSACleanup(); };
    platform.tellUser = [](const std::string& text, const std::string& caption) {
        MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_ICONEXCLAMATION);
    };
    platform.failureText = FailureText();
    platform.caption = ModuleTitle();
    return platform;
}
