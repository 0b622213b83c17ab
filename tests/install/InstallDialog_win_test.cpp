#include "install/InstallDialog.h"

#include "install/InstallChoice.h"
#include "install/PictureList.h"
#include "support/DialogDriver.h"
#include "support/DialogScript.h"
#include "text/FormatString.h"
#include "text/UserTexts.h"

#include <gtest/gtest.h>

#include <commdlg.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr char kProduct[] = "Corvid";
constexpr char kDialogTitle[] = "Corvid Installation";
constexpr char kProposal[] = "C:\\Programme\\Corvid";

// The path the file dialog shows: the system splits an initial name with a folder into
// the folder it opens and the name in the name box.
std::string ShownPath(HWND fileDialog)
{
    char folder[MAX_PATH] = {};
    SendMessageA(fileDialog, CDM_GETFOLDERPATH, sizeof folder, reinterpret_cast<LPARAM>(folder));
    std::string path = folder;
    if (!path.empty() && path.back() != '\\')
        path += '\\';
    return path + FileNameText(fileDialog);
}

// What the user does in the file dialog: confirm (with a typed name, or what is shown
// when empty) or cancel. The path shown is recorded.
DialogScript::Step InFileDialog(std::vector<std::string>& proposals, bool confirm, std::string typed = {})
{
    return [&proposals, confirm, typed] {
        HWND fileDialog = FindFileDialog(GetCurrentThreadId());
        if (fileDialog == nullptr)
            return false;
        proposals.push_back(ShownPath(fileDialog));
        if (confirm)
            return typed.empty() ? PostCommand(fileDialog, IDOK) : SubmitFileName(fileDialog, typed);
        return PostCommand(fileDialog, IDCANCEL);
    };
}

// The cancel question, answered with IDYES or IDNO.
DialogScript::Step InCancelQuestion(int answer)
{
    return [answer] {
        HWND box = FindDialogByTitle(kProduct, GetCurrentThreadId());
        if (box == nullptr)
            return false;
        EXPECT_TRUE(ShowsText(box, texts::kCancelQuestion));
        return PostCommand(box, answer);
    };
}

// The message that no file can be made in directory, confirmed with OK.
DialogScript::Step InRefusal(std::string directory)
{
    return [directory] {
        HWND box = FindDialogByTitle(kProduct, GetCurrentThreadId());
        if (box == nullptr)
            return false;
        EXPECT_TRUE(ShowsText(box, FormatString(texts::kCannotCreateFilesFormat, directory.c_str())));
        return PostCommand(box, IDOK);
    };
}

struct DialogRun {
    INT_PTR result;
    std::string chosen;
    bool scriptFinished;
    bool scriptInterrupted;
    std::size_t picturesLeft;
};

class InstallDialogTest : public testing::Test {
protected:
    // The proposal's folder exists on the German systems the program is made for; the
    // file dialog opens it only if it exists.
    void SetUp() override
    {
        CreateDirectoryA("C:\\Programme", nullptr);
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    }
    // What the dialogs made of the directories they took.
    void TearDown() override
    {
        for (const char* made : {"C:\\Programme\\Corvid", "C:\\Spiele\\Velmora\\Corvid 2", "C:\\Spiele\\Velmora",
                                 "C:\\Spiele", "C:\\Eigene Programme\\Corvid", "C:\\Eigene Programme"})
            RemoveDirectoryA(made);
        OleUninitialize();
    }

    DialogRun RunDialog(std::vector<DialogScript::Step> steps, const std::string& perUserDirectory = {})
    {
        InstallDialog dialog(nullptr);
        dialog.productName.SetText(kProduct);
        dialog.perUserDirectory = perUserDirectory;
        DialogScript script(std::move(steps));
        const INT_PTR result = dialog.runModal();
        return {result, dialog.chosenDirectory.text, script.finished(), script.interrupted(),
                PictureList().size()};
    }
};

TEST_F(InstallDialogTest, ConfirmedProposalGivesForwardSlashes)
{
    std::vector<std::string> proposals;
    const DialogRun run = RunDialog({InFileDialog(proposals, true)});
    EXPECT_TRUE(run.scriptFinished);
    EXPECT_EQ(run.result, IDOK);
    EXPECT_EQ(run.chosen, "C:/Programme/Corvid");
    EXPECT_EQ(proposals, std::vector<std::string>{kProposal});
    EXPECT_EQ(run.picturesLeft, 0u);
}

TEST_F(InstallDialogTest, TypedNameWithMixedSeparators)
{
    std::vector<std::string> proposals;
    const DialogRun run = RunDialog({InFileDialog(proposals, true, "C:\\Spiele/Velmora\\Corvid 2")});
    EXPECT_TRUE(run.scriptFinished);
    EXPECT_EQ(run.result, IDOK);
    EXPECT_EQ(run.chosen, "C:/Spiele/Velmora/Corvid 2");
}

// A directory in which no file can be made (here below a file, which stops even an
// administrator) is refused with a message; the file dialog then proposes the per-user one.
TEST_F(InstallDialogTest, RefusesADirectoryThatCannotBeWrittenAndProposesThePerUserOne)
{
    ASSERT_TRUE(std::ofstream("C:\\Gesperrt") << "x");
    CreateDirectoryA("C:\\Eigene Programme", nullptr);
    std::vector<std::string> proposals;
    const DialogRun run = RunDialog({InFileDialog(proposals, true, "C:\\Gesperrt\\Corvid"),
                                     InRefusal("C:\\Gesperrt\\Corvid"), InFileDialog(proposals, true)},
                                    "C:\\Eigene Programme\\Corvid");
    EXPECT_TRUE(run.scriptFinished);
    EXPECT_EQ(run.result, IDOK);
    EXPECT_EQ(run.chosen, "C:/Eigene Programme/Corvid");
    EXPECT_EQ(proposals, (std::vector<std::string>{kProposal, "C:\\Eigene Programme\\Corvid"}));
    DeleteFileA("C:\\Gesperrt");
}

TEST_F(InstallDialogTest, CancelThenNoShowsTheFileDialogAgain)
{
    std::vector<std::string> proposals;
    const DialogRun run =
        RunDialog({InFileDialog(proposals, false), InCancelQuestion(IDNO), InFileDialog(proposals, true)});
    EXPECT_TRUE(run.scriptFinished);
    EXPECT_EQ(run.result, IDOK);
    EXPECT_EQ(run.chosen, "C:/Programme/Corvid");
    EXPECT_EQ(proposals, (std::vector<std::string>{kProposal, kProposal}));
}

TEST_F(InstallDialogTest, CancelThenYesEndsWithoutDirectory)
{
    std::vector<std::string> proposals;
    const DialogRun run = RunDialog({InFileDialog(proposals, false), InCancelQuestion(IDYES)});
    EXPECT_TRUE(run.scriptFinished);
    EXPECT_EQ(run.result, IDCANCEL);
    EXPECT_EQ(run.chosen, "");
    EXPECT_EQ(run.picturesLeft, 0u);
}

// Before the first tick (300 ms) the keys end the dialog the default way.
TEST_F(InstallDialogTest, KeysBeforeTheFirstTick)
{
    struct Case {
        WPARAM key;
        INT_PTR result;
    };
    for (const Case c : {Case{VK_RETURN, IDOK}, Case{VK_ESCAPE, IDCANCEL}}) {
        const DialogRun run = RunDialog({[&c] {
            HWND dialog = FindDialogByTitle(kDialogTitle, GetCurrentThreadId());
            return dialog != nullptr && PostKey(dialog, c.key);
        }});
        EXPECT_TRUE(run.scriptFinished);
        EXPECT_EQ(run.result, c.result);
        EXPECT_EQ(run.chosen, "");
    }
}

// Only the dialog's own timer starts the directory choice: had another id opened the file
// dialog inside the sent message, the script would have had to close it.
TEST_F(InstallDialogTest, OtherTimerIdsStartNothing)
{
    const DialogRun run = RunDialog({[] {
        HWND dialog = FindDialogByTitle(kDialogTitle, GetCurrentThreadId());
        if (dialog == nullptr)
            return false;
        for (WPARAM id : {WPARAM{0}, WPARAM{1}, WPARAM{InstallDialog::kTimerId + 1}, WPARAM{0x3C83F}})
            SendMessageA(dialog, WM_TIMER, id, 0);
        return PostKey(dialog, VK_ESCAPE);
    }});
    EXPECT_TRUE(run.scriptFinished);
    EXPECT_FALSE(run.scriptInterrupted);
    EXPECT_EQ(run.result, IDCANCEL);
}

// The window: title, picture window and the background registered for it.
TEST_F(InstallDialogTest, ShowsTitleAndPictureWindow)
{
    std::vector<std::string> proposals;
    std::string pictureWindowName;
    std::size_t pictures = 0;
    bool coversClient = false;
    const DialogRun run = RunDialog({[&] {
                                         HWND dialog = FindDialogByTitle(kDialogTitle, GetCurrentThreadId());
                                         if (dialog == nullptr)
                                             return false;
                                         HWND picture = GetDlgItem(dialog, InstallDialog::kPictureWindowId);
                                         char name[32] = {};
                                         GetWindowTextA(picture, name, sizeof name);
                                         pictureWindowName = name;
                                         pictures = PictureList().size();
                                         // Resized (as to another screen's DPI), the picture
                                         // window still covers the client area.
                                         SetWindowPos(dialog, nullptr, 0, 0, 700, 500, SWP_NOMOVE | SWP_NOZORDER);
                                         RECT client{}, covered{};
                                         GetClientRect(dialog, &client);
                                         GetClientRect(picture, &covered);
                                         coversClient = EqualRect(&client, &covered) != FALSE;
                                         return true;
                                     },
                                     InFileDialog(proposals, false), InCancelQuestion(IDYES)});
    EXPECT_TRUE(run.scriptFinished);
    EXPECT_EQ(pictureWindowName, "Taviro");
    EXPECT_TRUE(coversClient);
    EXPECT_EQ(pictures, 1u);
    EXPECT_EQ(run.picturesLeft, 0u);
}

} // namespace
