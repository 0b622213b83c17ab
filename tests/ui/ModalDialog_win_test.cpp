#include "ui/ModalDialog.h"

#include "resource.h"
#include "support/DialogDriver.h"
#include "support/DialogScript.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr char kTitle[] = "Probe";

// A dialog that records what reaches its handlers.
class ProbeDialog : public ModalDialog {
public:
    using ModalDialog::ModalDialog;

    std::vector<UINT_PTR> timers;
    std::vector<WPARAM> menuCommands;
    bool destroyed = false;
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_BRENHOLD));
    INT_PTR endAtInitialise = 0;

protected:
    bool onInitialise() override
    {
        SetWindowTextA(window(), kTitle);
        if (endAtInitialise != 0)
            endDialog(endAtInitialise);
        return true;
    }
    bool onTimer(UINT_PTR id) override
    {
        timers.push_back(id);
        return true;
    }
    bool onWindowMenuCommand(WPARAM command) override
    {
        menuCommands.push_back(command);
        return command == 0x10;
    }
    void onDestroy() override { destroyed = true; }
    HICON onQueryDragIcon() override { return icon; }
};

DialogScript::Step WithDialog(std::function<bool(HWND)> act)
{
    return [act] {
        HWND dialog = FindDialogByTitle(kTitle, GetCurrentThreadId());
        return dialog != nullptr && act(dialog);
    };
}

// Enter, Escape and the close box end a dialog without buttons the default way.
TEST(ModalDialog, DefaultKeysAndCloseBox)
{
    struct Case {
        const char* name;
        std::function<bool(HWND)> act;
        INT_PTR result;
    };
    const Case cases[] = {
        {"Enter", [](HWND d) { return PostKey(d, VK_RETURN); }, IDOK},
        {"Escape", [](HWND d) { return PostKey(d, VK_ESCAPE); }, IDCANCEL},
        {"close box", [](HWND d) { return PostMessageA(d, WM_CLOSE, 0, 0) != FALSE; }, IDCANCEL},
    };
    for (const Case& c : cases) {
        ProbeDialog dialog(IDD_INSTALL, nullptr);
        DialogScript script({WithDialog(c.act)});
        EXPECT_EQ(dialog.runModal(), c.result) << c.name;
        EXPECT_TRUE(script.finished()) << c.name;
        EXPECT_TRUE(dialog.destroyed) << c.name;
        EXPECT_EQ(dialog.window(), nullptr) << c.name;
    }
}

TEST(ModalDialog, HandlersReceiveTheirMessages)
{
    ProbeDialog dialog(IDD_INSTALL, nullptr);
    LRESULT dragIcon = 0;
    DialogScript script({WithDialog([&](HWND d) {
        SendMessageA(d, WM_TIMER, 42, 0);
        SendMessageA(d, WM_SYSCOMMAND, 0x10, 0);
        dragIcon = SendMessageA(d, WM_QUERYDRAGICON, 0, 0);
        return PostKey(d, VK_ESCAPE);
    })});
    EXPECT_EQ(dialog.runModal(), IDCANCEL);
    EXPECT_EQ(dialog.timers, std::vector<UINT_PTR>{42});
    EXPECT_EQ(dialog.menuCommands, std::vector<WPARAM>{0x10});
    EXPECT_EQ(reinterpret_cast<HICON>(dragIcon), dialog.icon);
}

TEST(ModalDialog, EndsFromItsInitialisation)
{
    ProbeDialog dialog(IDD_UPDATE, nullptr);
    dialog.endAtInitialise = 42;
    EXPECT_EQ(dialog.runModal(), 42);
    EXPECT_TRUE(dialog.destroyed);
}

TEST(ModalDialog, MissingTemplateFails)
{
    ProbeDialog dialog(4711, nullptr);
    EXPECT_EQ(dialog.runModal(), -1);
    EXPECT_FALSE(dialog.destroyed);
}

} // namespace
