#pragma once
// The one owner of a window the program created with CreateWindowEx: destroyed when the
// owner goes or is reset, moved but never copied.

#include <windows.h>

#include <utility>

class WindowHandle {
public:
    WindowHandle() = default;
    explicit WindowHandle(HWND window) : window_(window) {}
    ~WindowHandle() { reset(); }
    WindowHandle(WindowHandle&& other) noexcept : window_(std::exchange(other.window_, nullptr)) {}
    WindowHandle& operator=(WindowHandle&& other) noexcept
    {
        if (this != &other) {
            reset();
            window_ = std::exchange(other.window_, nullptr);
        }
        return *this;
    }
    WindowHandle(const WindowHandle&) = delete;
    WindowHandle& operator=(const WindowHandle&) = delete;

    HWND get() const { return window_; }

    void reset()
    {
        if (window_ != nullptr)
            DestroyWindow(std::exchange(window_, nullptr));
    }

private:
    HWND window_ = nullptr;
};
