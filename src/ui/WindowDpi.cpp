#include "ui/WindowDpi.h"

#include "ui/GdiHandles.h"

namespace {

using DpiForWindow = UINT(WINAPI*)(HWND);

} // namespace

int WindowDpi(HWND window)
{
    // GetDpiForWindow exists from Windows 10 1607 on; earlier systems scale by the one
    // system DPI, which the screen's device context tells.
    static const auto forWindow = reinterpret_cast<DpiForWindow>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    if (forWindow != nullptr) {
        const UINT dpi = forWindow(window);
        if (dpi != 0)
            return static_cast<int>(dpi);
    }
    const WindowDc screen(nullptr);
    const int dpi = screen.dc() != nullptr ? GetDeviceCaps(screen.dc(), LOGPIXELSY) : kDefaultDpi;
    return dpi > 0 ? dpi : kDefaultDpi;
}
