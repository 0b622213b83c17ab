#pragma once
// Finding and driving dialogs in tests: by title, the system's file dialog, control
// texts and posted commands. Works across processes of one Wine session as well.

#include <windows.h>

#include <string>

// A top-level dialog window with exactly that title, or null. With thread != 0 only the
// windows of that thread are searched.
HWND FindDialogByTitle(const std::string& title, DWORD thread = 0);

// A top-level file dialog (a dialog holding the file-name box), or null.
HWND FindFileDialog(DWORD thread = 0);

// The text of the file dialog's file-name box.
std::string FileNameText(HWND fileDialog);

// Puts name into the file-name box and posts IDOK, as a user confirming it would.
bool SubmitFileName(HWND fileDialog, const std::string& name);

// Posts WM_COMMAND with id, as a click on that button (IDOK, IDCANCEL, IDYES, IDNO).
bool PostCommand(HWND dialog, int id);

// Posts a key press (VK_RETURN, VK_ESCAPE) to the window, as typed by the user.
bool PostKey(HWND window, WPARAM key);

// The text of control id of dialog (WM_GETTEXT, also across processes).
std::string ControlText(HWND dialog, int id);

// True when the window or one of its children shows exactly text.
bool ShowsText(HWND window, const std::string& text);
