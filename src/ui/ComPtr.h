#pragma once
// The one owner of a COM interface reference: released when the owner goes, moved but
// never copied.

#include <utility>

template <class T> class ComPtr {
public:
    ComPtr() = default;
    // Takes over a reference the caller owns.
    explicit ComPtr(T* pointer) : pointer_(pointer) {}
    ~ComPtr() { reset(); }

    ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != &other) {
            reset();
            pointer_ = std::exchange(other.pointer_, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    T* get() const { return pointer_; }
    T* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

    // For functions that hand out a new reference: releases the old one first.
    T** receive()
    {
        reset();
        return &pointer_;
    }

    void reset()
    {
        if (pointer_ != nullptr)
            std::exchange(pointer_, nullptr)->Release();
    }

private:
    T* pointer_ = nullptr;
};
