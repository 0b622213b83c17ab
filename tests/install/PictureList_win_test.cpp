#include "install/PictureList.h"

#include "resource.h"
#include "ui/GdiHandles.h"
#include "ui/WindowHandle.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct RenderCall {
    int picture;
    LONG x, y, cx, cy;
};

// A picture that records where it is rendered and counts its references.
class FakePicture : public IPicture {
public:
    FakePicture(int id, std::vector<RenderCall>& calls) : id_(id), calls_(calls) {}
    ULONG references() const { return references_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override
    {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override { return --references_; }
    HRESULT STDMETHODCALLTYPE get_Handle(OLE_HANDLE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_hPal(OLE_HANDLE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Type(SHORT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Width(OLE_XSIZE_HIMETRIC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Height(OLE_YSIZE_HIMETRIC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Render(HDC, LONG x, LONG y, LONG cx, LONG cy, OLE_XPOS_HIMETRIC,
                                     OLE_YPOS_HIMETRIC, OLE_XSIZE_HIMETRIC, OLE_YSIZE_HIMETRIC,
                                     LPCRECT) override
    {
        calls_.push_back({id_, x, y, cx, cy});
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE set_hPal(OLE_HANDLE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurDC(HDC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SelectPicture(HDC, HDC*, OLE_HANDLE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_KeepOriginalFormat(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_KeepOriginalFormat(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PictureChanged() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SaveAsFile(LPSTREAM, BOOL, LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Attributes(DWORD*) override { return E_NOTIMPL; }

private:
    int id_;
    std::vector<RenderCall>& calls_;
    ULONG references_ = 1;
};

// A borderless window whose client area is width x height pixels.
WindowHandle MakeWindow(int width, int height)
{
    return WindowHandle(CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                                        GetModuleHandleA(nullptr), nullptr));
}

LoadedPicture Fake(FakePicture& picture, int width, int height)
{
    picture.AddRef(); // the list's reference
    LoadedPicture loaded;
    loaded.picture = ComPtr<IPicture>(&picture);
    loaded.width = width;
    loaded.height = height;
    loaded.himetricWidth = width * 2540 / 96;
    loaded.himetricHeight = height * 2540 / 96;
    return loaded;
}

std::string BackgroundBytes()
{
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(IDR_BACKGROUND), "BINARY");
    if (resource == nullptr)
        return {};
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, resource)));
    return std::string(bytes, SizeofResource(module, resource));
}

// Each test releases what it registered: the fake pictures live on its stack.
class PictureListTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
    void TearDown() override
    {
        EXPECT_TRUE(PictureList().empty());
        OleUninitialize();
    }
};

TEST_F(PictureListTest, BackgroundIsABaselineJpegStripOf1x1200)
{
    const std::string bytes = BackgroundBytes();
    ASSERT_GT(bytes.size(), 4u);
    EXPECT_EQ(bytes.substr(0, 3), "\xFF\xD8\xFF");
    EXPECT_NE(bytes.find("\xFF\xC0"), std::string::npos); // baseline frame
    EXPECT_EQ(bytes.find("\xFF\xC2"), std::string::npos); // no progressive frame
    WindowHandle window = MakeWindow(10, 10);
    const LoadedPicture loaded = loadPictureFromMemory(window.get(), bytes.data(), bytes.size());
    ASSERT_TRUE(loaded.picture);
    EXPECT_EQ(loaded.width, 1);
    EXPECT_EQ(loaded.height, 1200);
    EXPECT_EQ(loaded.himetricWidth, 26);
    EXPECT_EQ(loaded.himetricHeight, 31750);
}

TEST_F(PictureListTest, UndecodableBytesGiveNoPicture)
{
    WindowHandle window = MakeWindow(10, 10);
    const std::string junk(600, 'x');
    EXPECT_FALSE(loadPictureFromMemory(window.get(), junk.data(), junk.size()).picture);
    EXPECT_FALSE(loadPictureFromMemory(window.get(), junk.data(), 0).picture);
    EXPECT_EQ(loadPictureResource(window.get(), 999, 0, 0, kPictureTiled), 0);
    EXPECT_TRUE(PictureList().empty());
}

TEST_F(PictureListTest, TilesCoverTheClientAreaIncludingItsEdges)
{
    struct Case {
        int clientWidth, clientHeight, width, height;
    };
    const Case cases[] = {{100, 60, 10, 20}, {95, 59, 10, 20}, {30, 30, 1, 1200}, {7, 7, 7, 7}};
    for (const Case& c : cases) {
        WindowHandle window = MakeWindow(c.clientWidth, c.clientHeight);
        std::vector<RenderCall> calls;
        FakePicture picture(1, calls);
        registerPicture(window.get(), Fake(picture, c.width, c.height), 0, 0, kPictureTiled);
        paintPictures(window.get(), WindowDc(window.get()).dc());
        const std::size_t columns = c.clientWidth / c.width + 1;
        const std::size_t rows = c.clientHeight / c.height + 1;
        ASSERT_EQ(calls.size(), columns * rows) << c.clientWidth << "x" << c.clientHeight;
        // Drawn upright: from the bottom edge with a negative height.
        EXPECT_EQ(calls[0].x, 0);
        EXPECT_EQ(calls[0].y, c.height);
        EXPECT_EQ(calls[0].cx, c.width);
        EXPECT_EQ(calls[0].cy, -c.height);
        EXPECT_EQ(calls.back().x, static_cast<LONG>((columns - 1) * c.width));
        EXPECT_EQ(releasePictures(window.get()), 0);
        EXPECT_EQ(picture.references(), 1u);
    }
}

TEST_F(PictureListTest, NewestPictureIsPaintedFirst)
{
    WindowHandle window = MakeWindow(50, 50);
    std::vector<RenderCall> calls;
    FakePicture older(1, calls);
    FakePicture newer(2, calls);
    registerPicture(window.get(), Fake(older, 8, 8), 3, 4, 0);
    registerPicture(window.get(), Fake(newer, 8, 8), 5, 6, 0);
    paintPictures(window.get(), WindowDc(window.get()).dc());
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].picture, 2);
    EXPECT_EQ(calls[0].x, 5);
    EXPECT_EQ(calls[1].picture, 1);
    EXPECT_EQ(calls[1].y, 4 + 8);
    EXPECT_EQ(releasePictures(window.get()), 0);
}

TEST_F(PictureListTest, ReleaseTouchesOnlyTheWindowsOwnPictures)
{
    WindowHandle first = MakeWindow(20, 20);
    WindowHandle second = MakeWindow(20, 20);
    std::vector<RenderCall> calls;
    FakePicture a(1, calls), b(2, calls), c(3, calls);
    registerPicture(first.get(), Fake(a, 4, 4), 0, 0, 0);
    registerPicture(second.get(), Fake(b, 4, 4), 0, 0, 0);
    registerPicture(first.get(), Fake(c, 4, 4), 0, 0, 0);

    WindowHandle empty = MakeWindow(20, 20);
    EXPECT_EQ(releasePictures(empty.get()), 3);
    paintPictures(empty.get(), WindowDc(empty.get()).dc());
    EXPECT_TRUE(calls.empty());

    EXPECT_EQ(releasePictures(first.get()), 1);
    EXPECT_EQ(a.references(), 1u);
    EXPECT_EQ(c.references(), 1u);
    EXPECT_EQ(b.references(), 2u);
    paintPictures(second.get(), WindowDc(second.get()).dc());
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].picture, 2);
    EXPECT_EQ(releasePictures(second.get()), 0);
    EXPECT_EQ(b.references(), 1u);
}

TEST_F(PictureListTest, ModeAboveFiveIsNeverDrawnButReleased)
{
    WindowHandle window = MakeWindow(20, 20);
    std::vector<RenderCall> calls;
    FakePicture picture(1, calls);
    registerPicture(window.get(), Fake(picture, 4, 4), 0, 0, 6);
    paintPictures(window.get(), WindowDc(window.get()).dc());
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(picture.references(), 2u);
    EXPECT_EQ(releasePictures(window.get()), 0);
    EXPECT_EQ(picture.references(), 1u);
}

// The real background, tiled into a memory bitmap: every row has one colour, blue on top
// and darker below. (Wine's mirrored blit covers the rows below py down to py + height,
// so row 0 is left out; the rows are read from row 1.)
TEST_F(PictureListTest, BackgroundTilesIntoRowsOfOneColour)
{
    constexpr int kWidth = 40;
    constexpr int kHeight = 300;
    WindowHandle window = MakeWindow(kWidth, kHeight);
    ASSERT_EQ(loadPictureResource(window.get(), IDR_BACKGROUND | 0x10000, 0, 0, kPictureTiled), 1);
    ASSERT_EQ(PictureList().size(), 1u);

    WindowDc screen(window.get());
    HDC memory = CreateCompatibleDC(screen.dc());
    GdiObject bitmap(CreateCompatibleBitmap(screen.dc(), kWidth, kHeight));
    {
        SelectedObject selected(memory, bitmap.get());
        paintPictures(window.get(), memory);
        for (int y : {1, 150, kHeight - 1}) {
            EXPECT_EQ(GetPixel(memory, 0, y), GetPixel(memory, kWidth - 1, y)) << y;
            EXPECT_EQ(GetPixel(memory, 0, y), GetPixel(memory, kWidth / 2, y)) << y;
        }
        const COLORREF top = GetPixel(memory, 0, 1);
        const COLORREF lower = GetPixel(memory, 0, kHeight - 1);
        EXPECT_GT(GetBValue(top), GetRValue(top) + 60);
        EXPECT_GT(GetBValue(top), GetBValue(lower));
    }
    DeleteDC(memory);
    EXPECT_EQ(releasePictures(window.get()), 0);
}

} // namespace
