#pragma once
// Owners of GDI resources and device contexts: each gives back what it holds when it
// goes, and none can be copied.

#include <windows.h>

#include <utility>

// A GDI object (font, brush, bitmap) created by the program; deleted at the end.
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(HGDIOBJ object) : object_(object) {}
    ~GdiObject()
    {
        if (object_ != nullptr)
            DeleteObject(object_);
    }
    GdiObject(GdiObject&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    GdiObject& operator=(GdiObject&& other) noexcept
    {
        std::swap(object_, other.object_);
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    HGDIOBJ get() const { return object_; }

private:
    HGDIOBJ object_ = nullptr;
};

// Selects an object into a device context and selects the previous one back at the end.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~SelectedObject() { SelectObject(dc_, previous_); }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// BeginPaint ... EndPaint for one window.
class PaintContext {
public:
    explicit PaintContext(HWND window) : window_(window) { dc_ = BeginPaint(window, &paint_); }
    ~PaintContext() { EndPaint(window_, &paint_); }
    PaintContext(const PaintContext&) = delete;
    PaintContext& operator=(const PaintContext&) = delete;

    HDC dc() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// GetDC ... ReleaseDC for one window's client area.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc()
    {
        if (dc_ != nullptr)
            ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;

    HDC dc() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};
