#include "update/AboutDialog.h"

#include "resource.h"

AboutDialog::AboutDialog(HWND parent) : ModalDialog(IDD_ABOUTBOX, parent) {}
