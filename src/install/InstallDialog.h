#pragma once
// The welcome window shown when no installation directory is known: a tiled background,
// the product's picture and painted texts. 300 ms after it opens it asks for the
// directory with the save-type file dialog, and asks before giving up. A directory in
// which no file can be made is refused with a message, and the file dialog then proposes
// the per-user directory.

#include "text/TypedValue.h"
#include "ui/GdiHandles.h"
#include "ui/ModalDialog.h"
#include "ui/WindowHandle.h"

class InstallDialog : public ModalDialog {
public:
    explicit InstallDialog(HWND parent);

    // Set before the modal run: shown in the title, the texts and the proposal.
    TypedValue productName;
    // Set before the modal run: the proposal after a directory that cannot be written;
    // none when empty.
    std::string perUserDirectory;
    // After an end with IDOK: the chosen directory with "/" as separator.
    TypedValue chosenDirectory;

    static constexpr UINT_PTR kTimerId = 247872;
    static constexpr UINT kTimerPeriod = 300;
    static constexpr int kPictureWindowId = 235;

protected:
    bool onInitialise() override;
    bool onPaint() override;
    bool onTimer(UINT_PTR id) override;
    void onDestroy() override;
    // The picture window keeps covering the client area, and the product's picture keeps
    // the size the DPI gives it.
    void onSize() override;

private:
    // Shows the file dialog (and the cancel question) until a directory is chosen or
    // the user confirms giving up.
    void chooseDirectory();
    // Answers true with the confirmed path in path, false when the user cancelled.
    bool askForPath(const std::string& proposal, std::string& path);
    // Shows the product's picture at the size the window's DPI gives it.
    void scaleProductPicture();

    HICON icon_ = nullptr;
    WindowHandle pictureWindow_;
    GdiObject productPicture_;      // the picture scaled to the DPI, once it was not 96
    int productPictureDpi_ = 96;    // the DPI the shown picture is made for
    SIZE productPictureSize_ = {};  // the picture's own size, at 96 DPI
};
