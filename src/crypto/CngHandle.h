#pragma once
// Windows only: owners of CNG handles (algorithm providers, hashes, keys), each closed once
// when its owner goes.

#include <windows.h>

#include <bcrypt.h>

#include <utility>

template <typename Traits> class CngHandle {
public:
    using Handle = typename Traits::Handle;

    CngHandle() = default;
    ~CngHandle() { reset(); }

    CngHandle(const CngHandle&) = delete;
    CngHandle& operator=(const CngHandle&) = delete;
    CngHandle(CngHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    CngHandle& operator=(CngHandle&& other) noexcept
    {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

    // Closes what is held and hands out the slot for a call that fills it.
    Handle* put()
    {
        reset();
        return &handle_;
    }

    void reset()
    {
        if (handle_ != nullptr)
            Traits::close(std::exchange(handle_, nullptr));
    }

private:
    Handle handle_ = nullptr;
};

struct CngAlgorithmTraits {
    using Handle = BCRYPT_ALG_HANDLE;
    static void close(Handle handle) { BCryptCloseAlgorithmProvider(handle, 0); }
};

struct CngKeyTraits {
    using Handle = BCRYPT_KEY_HANDLE;
    static void close(Handle handle) { BCryptDestroyKey(handle); }
};

using CngAlgorithm = CngHandle<CngAlgorithmTraits>;
using CngKey = CngHandle<CngKeyTraits>;

// The provider of the algorithm id (BCRYPT_SHA256_ALGORITHM, ...); empty when the system has
// none.
inline CngAlgorithm OpenCngAlgorithm(const wchar_t* id)
{
    CngAlgorithm algorithm;
    if (BCryptOpenAlgorithmProvider(algorithm.put(), id, nullptr, 0) < 0)
        algorithm.reset();
    return algorithm;
}
