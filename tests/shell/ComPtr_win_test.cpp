#include "shell/ComPtr.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

// Counts its references; the object itself lives on the test's stack.
class Counted : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }

    ULONG references = 1;
};

TEST(ComPtr, ReleasesOnceWhateverHappensToTheOwner)
{
    Counted first;
    Counted second;
    {
        ComPtr<IUnknown> a;
        *a.put() = &first;
        ComPtr<IUnknown> b(std::move(a));
        EXPECT_FALSE(a);
        EXPECT_EQ(b.get(), &first);
        ComPtr<IUnknown> c;
        *c.put() = &second;
        c = std::move(b);
        EXPECT_EQ(second.references, 0u) << "the interface overwritten by the move is released";
        EXPECT_EQ(first.references, 1u);
        *c.put() = &second;
        EXPECT_EQ(first.references, 0u) << "put releases what was held";
        second.references = 1;
    }
    EXPECT_EQ(first.references, 0u);
    EXPECT_EQ(second.references, 0u);
}

} // namespace
