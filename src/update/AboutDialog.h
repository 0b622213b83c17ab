#pragma once
// The about box opened from the update dialog's window menu: icon, version and the
// maker's notice, closed with OK, Enter or Escape.

#include "ui/ModalDialog.h"

class AboutDialog : public ModalDialog {
public:
    explicit AboutDialog(HWND parent);
};
