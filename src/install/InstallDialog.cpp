#include "install/InstallDialog.h"

#include "install/InstallTarget.h"
#include "install/PictureList.h"
#include "resource.h"
#include "text/FormatString.h"
#include "text/StringUtil.h"
#include "text/UserTexts.h"
#include "ui/GdiHandles.h"
#include "ui/WindowDpi.h"

#include <commdlg.h>

#include <string>
#include <utility>

namespace {

constexpr char kPictureWindowClass[] = "BrenholdPictureWindow";
constexpr char kPictureWindowName[] = "Taviro";
constexpr COLORREF kTextColour = RGB(250, 250, 250);

// A plain window without background brush or painting of its own: the install dialog
// paints it.
bool RegisterPictureWindowClass()
{
    static const bool registered = [] {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        windowClass.lpszClassName = kPictureWindowClass;
        return RegisterClassA(&windowClass) != 0;
    }();
    return registered;
}

// The text in bold Arial of height size + 6, first in the current text colour as the
// shadow, then near-white two pixels up and to the left. Sizes and offsets are pixels at
// 96 DPI, scaled to the window's dpi.
void DrawShadowedText(HDC dc, int dpi, int x, int y, int size, const std::string& text)
{
    GdiObject font(CreateFontA(ScaledForDpi(size + 6, dpi), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                               DEFAULT_PITCH | FF_SWISS, "Arial"));
    SelectedObject selected(dc, font.get());
    const int length = static_cast<int>(text.size());
    TextOutA(dc, x, y, text.c_str(), length);
    const COLORREF previous = SetTextColor(dc, kTextColour);
    const int shadow = ScaledForDpi(2, dpi);
    TextOutA(dc, x - shadow, y - shadow, text.c_str(), length);
    SetTextColor(dc, previous);
}

// "Description|pattern|" with every "|" turned into the NUL the file dialog expects;
// the string's own terminator ends the list.
std::string FileDialogFilter(const char* filter)
{
    std::string result(filter);
    for (char& c : result) {
        if (c == '|')
            c = '\0';
    }
    return result;
}

} // namespace

InstallDialog::InstallDialog(HWND parent) : ModalDialog(IDD_INSTALL, parent) {}

bool InstallDialog::onInitialise()
{
    icon_ = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_BRENHOLD));
    SendMessageA(window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));

    RECT client{};
    GetClientRect(window(), &client);
    if (RegisterPictureWindowClass()) {
        pictureWindow_ = WindowHandle(
            CreateWindowExA(0, kPictureWindowClass, kPictureWindowName, WS_CHILD | WS_VISIBLE, client.left,
                            client.top, client.right - client.left, client.bottom - client.top, window(),
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPictureWindowId)),
                            GetModuleHandleA(nullptr), nullptr));
    }
    if (pictureWindow_.get() != nullptr) {
        // Below the product picture, so that the background never covers it.
        SetWindowPos(pictureWindow_.get(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        loadPictureResource(pictureWindow_.get(), IDR_BACKGROUND, 0, 0, kPictureTiled);
    }

    scaleProductPicture();
    SetWindowTextA(window(), FormatString(texts::kInstallTitleFormat, productName.text.c_str()).c_str());
    SetTimer(window(), kTimerId, kTimerPeriod, nullptr);
    return true;
}

void InstallDialog::scaleProductPicture()
{
    // The system scales the template's controls to the DPI, but not the bitmap one shows.
    const int dpi = WindowDpi(window());
    HWND picture = FindWindowExA(window(), nullptr, "Static", nullptr); // the template's one static control
    if (picture == nullptr || dpi == productPictureDpi_)
        return;
    if (productPictureSize_.cx == 0) {
        BITMAP shown{};
        const auto bitmap = reinterpret_cast<HBITMAP>(SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0));
        if (bitmap == nullptr || GetObjectA(bitmap, sizeof shown, &shown) == 0)
            return;
        productPictureSize_ = {shown.bmWidth, shown.bmHeight};
    }
    GdiObject scaled(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_PRODUCT), IMAGE_BITMAP,
                                ScaledForDpi(productPictureSize_.cx, dpi), ScaledForDpi(productPictureSize_.cy, dpi),
                                0));
    if (scaled.get() == nullptr)
        return;
    const auto previous = reinterpret_cast<HGDIOBJ>(
        SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(scaled.get())));
    // The first time, the control gives back the template's bitmap: then the program's to delete.
    if (productPicture_.get() == nullptr) {
        const GdiObject templatePicture(previous);
    }
    // The assignment swaps: the picture shown before goes with scaled.
    productPicture_ = std::move(scaled);
    productPictureDpi_ = dpi;
}

void InstallDialog::onSize()
{
    if (pictureWindow_.get() != nullptr) {
        RECT client{};
        GetClientRect(window(), &client);
        MoveWindow(pictureWindow_.get(), client.left, client.top, client.right - client.left,
                   client.bottom - client.top, TRUE);
    }
    scaleProductPicture();
}

bool InstallDialog::onPaint()
{
    PaintContext paint(window());
    if (pictureWindow_.get() != nullptr) {
        PaintContext picturePaint(pictureWindow_.get());
        paintPictures(pictureWindow_.get(), picturePaint.dc());
    }
    RECT client{};
    GetClientRect(window(), &client);
    HDC dc = paint.dc();
    const int dpi = WindowDpi(window());
    const auto scaled = [dpi](int pixels) { return ScaledForDpi(pixels, dpi); };
    const int previousMode = SetBkMode(dc, TRANSPARENT);
    DrawShadowedText(dc, dpi, scaled(40), client.top + scaled(20), 18, texts::kWelcome);
    DrawShadowedText(dc, dpi, scaled(440), client.top + scaled(50), 32, productName.text);
    DrawShadowedText(dc, dpi, scaled(248), client.top + scaled(110), 18, texts::kChooseDirectory);
    DrawShadowedText(dc, dpi, scaled(40), client.bottom - scaled(40), 10, texts::kMakerNotice);
    SetBkMode(dc, previousMode);
    return true;
}

bool InstallDialog::onTimer(UINT_PTR id)
{
    if (id != kTimerId)
        return false;
    KillTimer(window(), kTimerId);
    chooseDirectory();
    return true;
}

void InstallDialog::chooseDirectory()
{
    std::string proposal = FormatString(texts::kProposedDirectoryFormat, productName.text.c_str());
    while (chosenDirectory.text.empty()) {
        std::string path;
        if (askForPath(proposal, path)) {
            if (!CanCreateFilesIn(path)) {
                MessageBoxA(window(), FormatString(texts::kCannotCreateFilesFormat, path.c_str()).c_str(),
                            productName.text.c_str(), MB_OK | MB_ICONWARNING);
                if (!perUserDirectory.empty())
                    proposal = perUserDirectory;
                continue;
            }
            chosenDirectory.SetText(path);
            ReplaceRepeatedly(chosenDirectory.text, "\\", "/");
            onOk();
            return;
        }
        if (MessageBoxA(window(), texts::kCancelQuestion, productName.text.c_str(), MB_YESNO) == IDYES) {
            endDialog(IDCANCEL);
            return;
        }
    }
}

bool InstallDialog::askForPath(const std::string& proposal, std::string& path)
{
    char name[MAX_PATH] = {};
    proposal.copy(name, sizeof name - 1);
    const std::string filter = FileDialogFilter(texts::kDirectoryFilter);

    OPENFILENAMEA request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = window();
    request.lpstrFilter = filter.c_str();
    request.lpstrFile = name;
    request.nMaxFile = sizeof name;
    request.lpstrDefExt = "";
    request.Flags = OFN_HIDEREADONLY | OFN_NOVALIDATE;
    if (!GetSaveFileNameA(&request))
        return false;
    path = name;
    return true;
}

void InstallDialog::onDestroy()
{
    releasePictures(pictureWindow_.get());
    pictureWindow_.reset();
}
