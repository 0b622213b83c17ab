#include "update/AboutDialog.h"

#include "BrenholdVersion.h"

#include "support/DialogDriver.h"
#include "support/DialogScript.h"

#include <gtest/gtest.h>

namespace {

constexpr char kTitle[] = "Info über Brenhold";

TEST(AboutDialog, ShowsVersionAndNoticeAndClosesWithOkOrEscape)
{
    for (const WPARAM key : {WPARAM{VK_RETURN}, WPARAM{VK_ESCAPE}}) {
        AboutDialog dialog(nullptr);
        bool texts = false;
        DialogScript script({[&] {
            HWND box = FindDialogByTitle(kTitle, GetCurrentThreadId());
            if (box == nullptr)
                return false;
            texts = ShowsText(box, "Brenhold Version " BRENHOLD_VERSION) && ShowsText(box, "© 2026 Velmora Software") &&
                    ControlText(box, IDOK) == "OK";
            return PostKey(box, key);
        }});
        EXPECT_EQ(dialog.runModal(), key == VK_RETURN ? IDOK : IDCANCEL);
        EXPECT_TRUE(script.finished());
        EXPECT_TRUE(texts);
    }
}

} // namespace
