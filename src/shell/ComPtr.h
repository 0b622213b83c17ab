#pragma once
// Windows only: the owner of one COM interface pointer, released when the owner goes.

#include <unknwn.h>

#include <utility>

template <typename T> class ComPtr {
public:
    ComPtr() = default;
    // Takes over a reference the caller owns.
    explicit ComPtr(T* pointer) : p_(pointer) {}
    ~ComPtr() { reset(); }

    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != &other) {
            reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

    // Releases what is held and hands out the slot for a call that fills it.
    T** put()
    {
        reset();
        return &p_;
    }

    // The same slot, typed as the interface queries take it.
    void** putVoid() { return reinterpret_cast<void**>(put()); }

    void reset()
    {
        if (p_ != nullptr) {
            std::exchange(p_, nullptr)->Release();
        }
    }

private:
    T* p_ = nullptr;
};
