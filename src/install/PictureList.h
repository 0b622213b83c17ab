#pragma once
// Pictures from the program's resources shown in windows: decoded once with the OLE
// picture loader, kept in one program-wide list with the window they belong to, painted
// on request and released with their window.

#include "shell/ComPtr.h"

#include <ole2.h>
#include <olectl.h>
#include <windows.h>

#include <cstddef>
#include <list>

// Display mode that tiles the picture over the whole client area; larger modes are
// never drawn.
inline constexpr int kPictureTiled = 5;

struct PictureEntry {
    int mode = 0;
    ComPtr<IPicture> picture;
    int width = 0;  // pixels
    int height = 0; // pixels
    int x = 0;
    int y = 0;
    HWND window = nullptr;
    OLE_XSIZE_HIMETRIC himetricWidth = 0;
    OLE_YSIZE_HIMETRIC himetricHeight = 0;
};

// The program-wide list, newest entry first.
std::list<PictureEntry>& PictureList();

// A decoded picture with its size in pixels and in units of 0.01 mm; no picture when
// the bytes could not be decoded.
struct LoadedPicture {
    ComPtr<IPicture> picture;
    int width = 0;
    int height = 0;
    OLE_XSIZE_HIMETRIC himetricWidth = 0;
    OLE_YSIZE_HIMETRIC himetricHeight = 0;
};

// Decodes bytes (JPEG, BMP, GIF, ...); the pixel size follows the resolution of the
// window's device context.
LoadedPicture loadPictureFromMemory(HWND window, const void* bytes, std::size_t count);

// Puts a decoded picture at the front of the list for window, drawn at x, y in mode.
void registerPicture(HWND window, LoadedPicture loaded, int x, int y, int mode);

// Loads the program's resource of type "BINARY" with that id (low 16 bits), registers
// it for window and paints the window's pictures once. Answers 0 when the resource is
// missing or cannot be decoded (nothing is registered), otherwise 1.
int loadPictureResource(HWND window, int resourceId, int x, int y, int mode);

// Paints every picture registered for window into dc, newest first.
void paintPictures(HWND window, HDC dc);

// Removes and releases every picture of window; answers the number of entries left.
int releasePictures(HWND window);
