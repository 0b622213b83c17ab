#pragma once
// The DPI a window is shown at, for dialogs that draw text themselves: the program is
// per-monitor DPI aware, so the system scales the dialog templates and leaves painted
// text and pixel positions to the program.

#include <windows.h>

inline constexpr int kDefaultDpi = 96; // the DPI at which one pixel is one pixel

// The window's DPI (its monitor's, on Windows 10 1607 and later), else the system DPI.
int WindowDpi(HWND window);

// pixels at the default DPI, as many at dpi.
inline int ScaledForDpi(int pixels, int dpi)
{
    return MulDiv(pixels, dpi, kDefaultDpi);
}
