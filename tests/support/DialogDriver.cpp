#include "support/DialogDriver.h"

#include <dlgs.h>

#include <vector>

namespace {

constexpr char kDialogClass[] = "#32770";

std::string WindowText(HWND window)
{
    char text[1024] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                             SMTO_ABORTIFHUNG, 2000, &copied))
        return {};
    return std::string(text, copied);
}

bool IsDialog(HWND window)
{
    char name[32] = {};
    GetClassNameA(window, name, sizeof name);
    return std::string(name) == kDialogClass;
}

BOOL CALLBACK Collect(HWND window, LPARAM list)
{
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

std::vector<HWND> TopLevelWindows(DWORD thread)
{
    std::vector<HWND> windows;
    if (thread != 0)
        EnumThreadWindows(thread, Collect, reinterpret_cast<LPARAM>(&windows));
    else
        EnumWindows(Collect, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

HWND FileNameBox(HWND fileDialog)
{
    // The name box is a combo box in newer templates and an edit field in older ones.
    if (HWND combo = GetDlgItem(fileDialog, cmb13))
        return combo;
    return GetDlgItem(fileDialog, edt1);
}

} // namespace

HWND FindDialogByTitle(const std::string& title, DWORD thread)
{
    for (HWND window : TopLevelWindows(thread)) {
        if (IsWindowVisible(window) && IsDialog(window) && WindowText(window) == title)
            return window;
    }
    return nullptr;
}

HWND FindFileDialog(DWORD thread)
{
    for (HWND window : TopLevelWindows(thread)) {
        if (IsWindowVisible(window) && IsDialog(window) && FileNameBox(window) != nullptr)
            return window;
    }
    return nullptr;
}

std::string FileNameText(HWND fileDialog)
{
    HWND box = FileNameBox(fileDialog);
    return box != nullptr ? WindowText(box) : std::string();
}

bool SubmitFileName(HWND fileDialog, const std::string& name)
{
    HWND box = FileNameBox(fileDialog);
    if (box == nullptr)
        return false;
    DWORD_PTR result = 0;
    SendMessageTimeoutA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()), SMTO_ABORTIFHUNG, 2000,
                        &result);
    return PostCommand(fileDialog, IDOK);
}

bool PostCommand(HWND dialog, int id)
{
    return PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0) != FALSE;
}

bool PostKey(HWND window, WPARAM key)
{
    return PostMessageA(window, WM_KEYDOWN, key, 1) != FALSE &&
           PostMessageA(window, WM_KEYUP, key, 0xC0000001);
}

std::string ControlText(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    return control != nullptr ? WindowText(control) : std::string();
}

namespace {

struct TextSearch {
    const std::string* text;
    bool found;
};

BOOL CALLBACK MatchChild(HWND child, LPARAM search)
{
    auto* s = reinterpret_cast<TextSearch*>(search);
    if (WindowText(child) == *s->text) {
        s->found = true;
        return FALSE;
    }
    return TRUE;
}

} // namespace

bool ShowsText(HWND window, const std::string& text)
{
    if (WindowText(window) == text)
        return true;
    TextSearch search{&text, false};
    EnumChildWindows(window, MatchChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
