#include "install/PictureList.h"

#include "install/TileLayout.h"
#include "ui/GdiHandles.h"

#include <cstring>

std::list<PictureEntry>& PictureList()
{
    static std::list<PictureEntry> entries;
    return entries;
}

namespace {

// A moveable global memory block, freed unless a stream has taken it over.
class GlobalBlock {
public:
    explicit GlobalBlock(std::size_t size) : block_(GlobalAlloc(GMEM_MOVEABLE, size)) {}
    ~GlobalBlock()
    {
        if (block_ != nullptr)
            GlobalFree(block_);
    }
    GlobalBlock(const GlobalBlock&) = delete;
    GlobalBlock& operator=(const GlobalBlock&) = delete;

    HGLOBAL get() const { return block_; }
    void handOver() { block_ = nullptr; }

    bool fill(const void* bytes, std::size_t count)
    {
        void* target = block_ != nullptr ? GlobalLock(block_) : nullptr;
        if (target == nullptr)
            return false;
        std::memcpy(target, bytes, count);
        GlobalUnlock(block_);
        return true;
    }

private:
    HGLOBAL block_;
};

} // namespace

LoadedPicture loadPictureFromMemory(HWND window, const void* bytes, std::size_t count)
{
    LoadedPicture loaded;
    GlobalBlock block(count);
    if (!block.fill(bytes, count))
        return loaded;
    ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(block.get(), TRUE, stream.put())))
        return loaded;
    block.handOver(); // the stream frees it when released
    ComPtr<IPicture> picture;
    const HRESULT decoded =
        OleLoadPicture(stream.get(), 0, FALSE, IID_IPicture, picture.putVoid());
    stream.reset();
    if (FAILED(decoded) || !picture)
        return loaded;

    picture->get_Width(&loaded.himetricWidth);
    picture->get_Height(&loaded.himetricHeight);
    WindowDc dc(window);
    // 2540 HIMETRIC units make an inch.
    loaded.width = MulDiv(GetDeviceCaps(dc.dc(), LOGPIXELSX), loaded.himetricWidth, 2540);
    loaded.height = MulDiv(GetDeviceCaps(dc.dc(), LOGPIXELSY), loaded.himetricHeight, 2540);
    loaded.picture = std::move(picture);
    return loaded;
}

void registerPicture(HWND window, LoadedPicture loaded, int x, int y, int mode)
{
    PictureEntry entry;
    entry.mode = mode;
    entry.picture = std::move(loaded.picture);
    entry.width = loaded.width;
    entry.height = loaded.height;
    entry.x = x;
    entry.y = y;
    entry.window = window;
    entry.himetricWidth = loaded.himetricWidth;
    entry.himetricHeight = loaded.himetricHeight;
    PictureList().push_front(std::move(entry));
}

int loadPictureResource(HWND window, int resourceId, int x, int y, int mode)
{
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(resourceId & 0xFFFF), "BINARY");
    if (resource == nullptr)
        return 0;
    HGLOBAL data = LoadResource(module, resource);
    const void* bytes = data != nullptr ? LockResource(data) : nullptr;
    if (bytes == nullptr)
        return 0;
    LoadedPicture loaded = loadPictureFromMemory(window, bytes, SizeofResource(module, resource));
    if (!loaded.picture)
        return 0;
    registerPicture(window, std::move(loaded), x, y, mode);
    WindowDc dc(window);
    paintPictures(window, dc.dc());
    return 1;
}

namespace {

// The whole picture with its top-left corner at px, py in its natural pixel size. The
// HIMETRIC source counts upwards, hence the destination from the bottom edge with a
// negative height.
void DrawPicture(const PictureEntry& entry, HDC dc, int px, int py)
{
    entry.picture->Render(dc, px, py + entry.height, entry.width, -entry.height, 0, 0, entry.himetricWidth,
                          entry.himetricHeight, nullptr);
}

} // namespace

void paintPictures(HWND window, HDC dc)
{
    for (const PictureEntry& entry : PictureList()) {
        if (entry.window != window || entry.mode < 0 || entry.mode > kPictureTiled || !entry.picture)
            continue;
        if (entry.mode == kPictureTiled) {
            RECT client{};
            GetClientRect(window, &client);
            for (const TileOrigin& origin :
                 TileOrigins(entry.x, entry.y, entry.width, entry.height, client.right, client.bottom))
                DrawPicture(entry, dc, origin.x, origin.y);
        } else if (entry.mode == 1) {
            RECT client{};
            GetClientRect(window, &client);
            DrawPicture(entry, dc, client.right - entry.width - entry.x, entry.y);
        } else {
            DrawPicture(entry, dc, entry.x, entry.y);
        }
    }
}

int releasePictures(HWND window)
{
    std::list<PictureEntry>& entries = PictureList();
    entries.remove_if([window](const PictureEntry& entry) { return entry.window == window; });
    return static_cast<int>(entries.size());
}
