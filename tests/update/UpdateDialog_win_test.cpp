#include "update/UpdateDialog.h"

#include "filetree/FileTree.h"
#include "filetree/ListingWriter.h"
#include "resource.h"
#include "support/DialogDriver.h"
#include "support/DialogScript.h"
#include "support/Environment.h"
#include "support/ProgramRun.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"
#include "text/UserTexts.h"
#include "ui/WindowMenu.h"
#include "update/LocalPlacement.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr char kTitle[] = "Velmora - Updatesystem Corvid";
constexpr char kAboutTitle[] = "Info über Brenhold";
constexpr char kWaitText[] = "Bitte zwei Sekunden warten!";

// The update run ends the process with code 0, which would pass for a successful test:
// while a guard lives, such an end fails loudly instead.
class ExitGuard {
public:
    ExitGuard()
    {
        static const bool registered = std::atexit(&OnExit) == 0;
        (void)registered;
        active = true;
    }
    ~ExitGuard() { active = false; }
    ExitGuard(const ExitGuard&) = delete;
    ExitGuard& operator=(const ExitGuard&) = delete;

private:
    static void OnExit()
    {
        if (!active)
            return;
        std::fputs("the process ended inside a test: the update run started\n", stderr);
        std::fflush(stderr);
        std::_Exit(3);
    }
    static inline bool active = false;
};

struct ProgressMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool operator==(const ProgressMessage&) const = default;
};

std::ostream& operator<<(std::ostream& out, const ProgressMessage& m)
{
    return out << (m.message == PBM_SETPOS ? "PBM_SETPOS(" : "PBM_SETRANGE32(") << m.wParam << ", "
               << m.lParam << ")";
}

bool HasClass(HWND window, const std::string& name)
{
    char text[64] = {};
    GetClassNameA(window, text, sizeof text);
    return lstrcmpiA(text, name.c_str()) == 0;
}

// Records, through a hook on the test's thread, what is sent to the status line (texts)
// and to the progress bar (range and position messages) of any dialog of the thread.
class ControlRecorder {
public:
    ControlRecorder() : hook_(SetWindowsHookExA(WH_CALLWNDPROC, &Hook, nullptr, GetCurrentThreadId()))
    {
        current = this;
    }
    ~ControlRecorder()
    {
        UnhookWindowsHookEx(hook_);
        current = nullptr;
    }
    ControlRecorder(const ControlRecorder&) = delete;
    ControlRecorder& operator=(const ControlRecorder&) = delete;

    std::vector<std::string> statusTexts;
    std::vector<ProgressMessage> progress;
    int iconBackgrounds = 0; // WM_ICONERASEBKGND sent to a dialog

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        if (code == HC_ACTION && current != nullptr)
            current->record(*reinterpret_cast<const CWPSTRUCT*>(lParam));
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    void record(const CWPSTRUCT& sent)
    {
        const int id = GetDlgCtrlID(sent.hwnd);
        if (id == IDC_STATUS && sent.message == WM_SETTEXT && HasClass(sent.hwnd, "Static"))
            statusTexts.emplace_back(reinterpret_cast<const char*>(sent.lParam));
        if (id == IDC_PROGRESS && (sent.message == PBM_SETRANGE32 || sent.message == PBM_SETPOS) &&
            HasClass(sent.hwnd, PROGRESS_CLASSA))
            progress.push_back({sent.message, sent.wParam, sent.lParam});
        if (sent.message == WM_ICONERASEBKGND && HasClass(sent.hwnd, "#32770"))
            ++iconBackgrounds;
    }

    static inline ControlRecorder* current = nullptr;
    HHOOK hook_;
};

// A step acting on the update dialog of this thread once it is shown.
DialogScript::Step OnDialog(std::function<bool(HWND)> act)
{
    return [act] {
        HWND dialog = FindDialogByTitle(kTitle, GetCurrentThreadId());
        return dialog != nullptr && act(dialog);
    };
}

// The first step of every test here: the dialog's own timer must be there, and it is
// taken away so that the run cannot start behind the test's back.
DialogScript::Step TakeRunTimer(bool& hadTimer)
{
    return OnDialog([&hadTimer](HWND dialog) {
        hadTimer = KillTimer(dialog, UpdateDialog::kTimerId) != FALSE;
        return true;
    });
}

struct ProgressRange {
    int low = -1;
    int high = -1;
    int pos = -1;
};

ProgressRange ReadProgress(HWND dialog)
{
    HWND bar = GetDlgItem(dialog, IDC_PROGRESS);
    PBRANGE range{};
    SendMessageA(bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    return {range.iLow, range.iHigh, static_cast<int>(SendMessageA(bar, PBM_GETPOS, 0, 0))};
}

TEST(UpdateDialog, OpensWithTitleWaitTextIconAndRunTimer)
{
    ExitGuard guard;
    ControlRecorder recorder;
    UpdateDialog dialog(nullptr);
    dialog.trust = ListingTrust(); // the test server's listings are unsigned
    dialog.productName.SetText("Corvid");
    const HICON programIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_BRENHOLD));

    bool hadTimer = false;
    std::string status;
    HICON bigIcon = nullptr;
    HICON smallIcon = nullptr;
    HICON dragIcon = nullptr;
    ProgressRange progress;
    DialogScript script({TakeRunTimer(hadTimer), OnDialog([&](HWND d) {
                             status = ControlText(d, IDC_STATUS);
                             bigIcon = reinterpret_cast<HICON>(SendMessageA(d, WM_GETICON, ICON_BIG, 0));
                             smallIcon = reinterpret_cast<HICON>(SendMessageA(d, WM_GETICON, ICON_SMALL, 0));
                             dragIcon = reinterpret_cast<HICON>(SendMessageA(d, WM_QUERYDRAGICON, 0, 0));
                             progress = ReadProgress(d);
                             return PostKey(d, VK_ESCAPE);
                         })});

    EXPECT_EQ(dialog.runModal(), IDCANCEL);
    EXPECT_TRUE(script.finished());
    EXPECT_TRUE(hadTimer);
    EXPECT_EQ(status, kWaitText);
    // The template's "Static" is cleared before the wait text appears.
    EXPECT_EQ(recorder.statusTexts, (std::vector<std::string>{"", kWaitText}));
    EXPECT_EQ(bigIcon, programIcon);
    EXPECT_EQ(smallIcon, nullptr);
    EXPECT_EQ(dragIcon, programIcon);
    EXPECT_EQ(progress.pos, 0);
    EXPECT_TRUE(recorder.progress.empty());
}

// Minimised, the dialog paints the program's icon on the icon background itself;
// restored, painting is the default again.
TEST(UpdateDialog, PaintsItsIconOnlyWhileMinimised)
{
    ExitGuard guard;
    ControlRecorder recorder;
    UpdateDialog dialog(nullptr);
    dialog.trust = ListingTrust(); // the test server's listings are unsigned
    dialog.productName.SetText("Corvid");
    bool hadTimer = false;
    bool iconic = false;
    int whileMinimised = -1;
    int whileRestored = -1;
    // Sent directly: a minimised window may have no client area the system would paint.
    const auto repaint = [](HWND d) { SendMessageA(d, WM_PAINT, 0, 0); };
    DialogScript script({TakeRunTimer(hadTimer), OnDialog([&](HWND d) {
                             ShowWindow(d, SW_MINIMIZE);
                             iconic = IsIconic(d) != FALSE;
                             recorder.iconBackgrounds = 0;
                             repaint(d);
                             whileMinimised = recorder.iconBackgrounds;
                             ShowWindow(d, SW_RESTORE);
                             recorder.iconBackgrounds = 0;
                             repaint(d);
                             whileRestored = recorder.iconBackgrounds;
                             return PostKey(d, VK_ESCAPE);
                         })});
    EXPECT_EQ(dialog.runModal(), IDCANCEL);
    EXPECT_TRUE(script.finished());
    EXPECT_TRUE(iconic);
    EXPECT_GE(whileMinimised, 1);
    EXPECT_EQ(whileRestored, 0);
}

TEST(UpdateDialog, TimerWithAnotherIdStartsNothing)
{
    ExitGuard guard;
    TestHttpServer server(OkReply(""));
    SetEnvironment("BRENHOLD_UPDATE_SERVER", "127.0.0.1:" + std::to_string(server.port()));
    UpdateDialog dialog(nullptr);
    dialog.trust = ListingTrust(); // the test server's listings are unsigned
    dialog.productName.SetText("Corvid");

    bool hadTimer = false;
    std::string status;
    DialogScript script(
        {TakeRunTimer(hadTimer), OnDialog([](HWND d) {
             for (const UINT_PTR id : {UINT_PTR{1}, UpdateDialog::kTimerId + 1, UINT_PTR{247872}})
                 SendMessageA(d, WM_TIMER, id, 0);
             return true;
         }),
         OnDialog([&](HWND d) {
             status = ControlText(d, IDC_STATUS);
             return PostKey(d, VK_ESCAPE);
         })});

    EXPECT_EQ(dialog.runModal(), IDCANCEL);
    EXPECT_TRUE(script.finished());
    EXPECT_TRUE(hadTimer);
    EXPECT_EQ(status, kWaitText);
    EXPECT_TRUE(server.requests().empty());
}

// A dialog whose update run goes against a test server on loopback, into a main directory
// of its own; serve() says what the server lists and sends.
class UpdateDialogRun : public ::testing::Test {
protected:
    struct ListedFile {
        const char* path;
        std::size_t size;
    };

    void SetUp() override
    {
        dialog_.productName.SetText("Corvid");
        dialog_.mainDirectory.SetText(main().string());
        dialog_.trust = ListingTrust(); // the test server's listings are unsigned
    }
    void TearDown() override { std::filesystem::current_path(startDirectory_); }

    // The server answers with the listing of files, then with replies one by one.
    void serve(const std::vector<ListedFile>& files, std::vector<Reply> replies)
    {
        FileTree tree;
        StartFileListing(tree, "Corvid");
        for (const ListedFile& file : files)
            AddFileRow(tree, file.path, 1700000000, file.size);
        std::string listing;
        ASSERT_TRUE(WriteFileListing(tree, listing));
        replies.insert(replies.begin(), OkReply(listing));
        server_.queueReplies(replies);
        SetEnvironment("BRENHOLD_UPDATE_SERVER", "127.0.0.1:" + std::to_string(server_.port()));
    }

    // Runs the dialog: the run inside it, the steps during the run, then Escape.
    INT_PTR runWith(std::vector<DialogScript::Step> duringTheRun, UINT timeLimitMs = 20000)
    {
        std::vector<DialogScript::Step> steps = {TakeRunTimer(hadTimer_), DialogScript::Enclosing([this] {
                                                     end_ = dialog_.runInside();
                                                     ran_ = true;
                                                 })};
        steps.insert(steps.end(), duringTheRun.begin(), duringTheRun.end());
        steps.push_back(OnDialog([this](HWND d) { return ran_ && PostKey(d, VK_ESCAPE); }));
        DialogScript script(std::move(steps), timeLimitMs);
        const INT_PTR result = dialog_.runModal();
        EXPECT_TRUE(script.finished());
        EXPECT_FALSE(script.interrupted());
        EXPECT_TRUE(hadTimer_);
        return result;
    }

    std::filesystem::path main() const { return dir_.path() / "Corvid"; }

    ExitGuard guard_;
    TempDir dir_;
    TestHttpServer server_;
    const std::filesystem::path startDirectory_ = std::filesystem::current_path();
    UpdateDialog dialog_{nullptr};
    bool hadTimer_ = false;
    bool ran_ = false;
    Updater::RunEnd end_ = Updater::RunEnd::Exit;
};

// The run driven through the dialog as its timer would, against a server that lists two
// files and sends them: the status line follows the run and the progress bar the bytes.
TEST_F(UpdateDialogRun, RunDrivesStatusLineAndProgressBar)
{
    const std::string data(10000, 'x');
    serve({{"./daten/Bild.bin", data.size()}, {"./leer.txt", 0}}, {SplitReply(data, 1000), OkReply("")});
    dialog_.programPath.SetText("./Corvid.exe");
    ControlRecorder recorder;
    std::string lastStatus;
    ProgressRange progress;
    EXPECT_EQ(runWith({OnDialog([&](HWND d) {
                  if (!ran_)
                      return false;
                  lastStatus = ControlText(d, IDC_STATUS);
                  progress = ReadProgress(d);
                  return true;
              })}),
              IDCANCEL);
    EXPECT_EQ(end_, Updater::RunEnd::StartProgram);
    EXPECT_EQ(ReadFileBytes(main() / "daten" / "Bild.bin"), data);
    EXPECT_TRUE(std::filesystem::exists(main() / "leer.txt"));
    EXPECT_EQ(server_.requests().size(), 3u);

    // The status line takes at most 25 texts a second: what it showed is the run's texts
    // in order, some perhaps left out, but always the first and the last.
    const std::vector<std::string> runTexts = {
        "Lese Verzeichnisstruktur, bitte warten!",
        "Prüfe Datei 1/2: ./daten/Bild.bin",
        "Download der Datei 1/2: ./daten/Bild.bin",
        "Prüfe Datei 2/2: ./leer.txt",
        "Download der Datei 2/2: ./leer.txt",
        "Starte Corvid",
    };
    const std::vector<std::string>& shown = recorder.statusTexts;
    ASSERT_GE(shown.size(), 4u);
    EXPECT_EQ(shown[0], "");
    EXPECT_EQ(shown[1], kWaitText);
    EXPECT_EQ(shown[2], runTexts.front());
    EXPECT_EQ(shown.back(), runTexts.back());
    auto next = runTexts.begin();
    for (std::size_t i = 2; i < shown.size(); ++i) {
        next = std::find(next, runTexts.end(), shown[i]);
        ASSERT_NE(next, runTexts.end()) << "shown out of order or not the run's: " << shown[i];
        ++next;
    }
    EXPECT_EQ(lastStatus, "Starte Corvid");

    // The range is the bytes of the whole run (the empty file adds none), then positions
    // rising with the bytes up to the total, then back to 0.
    const std::vector<ProgressMessage>& sent = recorder.progress;
    ASSERT_GE(sent.size(), 4u);
    EXPECT_EQ(sent[0], (ProgressMessage{PBM_SETRANGE32, 0, 10000}));
    EXPECT_EQ(sent[1], (ProgressMessage{PBM_SETPOS, 0, 0}));
    const std::size_t last = sent.size() - 1;
    EXPECT_EQ(sent[last - 1], (ProgressMessage{PBM_SETPOS, 10000, 0}));
    for (std::size_t i = 2; i < last; ++i) {
        EXPECT_EQ(sent[i].message, UINT{PBM_SETPOS}) << i;
        EXPECT_GT(sent[i].wParam, sent[i - 1].wParam) << i;
        EXPECT_EQ(sent[i].lParam, 0) << i;
    }
    EXPECT_EQ(sent[last], (ProgressMessage{PBM_SETPOS, 0, 0}));
    EXPECT_EQ(progress.low, 0);
    EXPECT_EQ(progress.high, 10000);
    EXPECT_EQ(progress.pos, 0);
}

// A run of one large file (in one write, so it arrives as fast as the machine can take it)
// moves the bar at most 25 times a second and ends with the file's full position.
TEST_F(UpdateDialogRun, ALargeDownloadMovesTheBarSeldomAndEndsFull)
{
    const int size = 64 << 20;
    serve({{"./gross.bin", static_cast<std::size_t>(size)}},
          {OkReply(std::string(size, 'g'), "application/octet-stream")});
    ControlRecorder recorder;
    EXPECT_EQ(runWith({}, 60000), IDCANCEL);
    EXPECT_EQ(std::filesystem::file_size(main() / "gross.bin"), static_cast<std::uintmax_t>(size));

    std::vector<WPARAM> positions;
    for (const ProgressMessage& m : recorder.progress) {
        if (m.message == PBM_SETPOS)
            positions.push_back(m.wParam);
    }
    ASSERT_GE(positions.size(), 3u);
    EXPECT_LT(positions.size(), 300u);
    // The file's last position, then the reset after it.
    EXPECT_EQ(positions[positions.size() - 2], static_cast<WPARAM>(size));
    EXPECT_EQ(positions.back(), 0u);
}

// The question to cancel, shown by the dialog of this thread: answered when it shows.
DialogScript::Step AnswerCancelQuestion(int answer, int& asked)
{
    return [answer, &asked] {
        HWND box = FindDialogByTitle("Corvid", GetCurrentThreadId());
        if (box == nullptr || !ShowsText(box, texts::kCancelUpdateQuestion))
            return false;
        ++asked;
        return PostCommand(box, answer);
    };
}

// Waits until the run receives the first file, then acts on the dialog.
DialogScript::Step WhileDownloading(std::function<bool(HWND)> act)
{
    return OnDialog([act](HWND d) { return ControlText(d, IDC_STATUS).rfind("Download", 0) == 0 && act(d); });
}

struct CloseWay {
    const char* name;
    bool (*close)(HWND dialog);
};

void PrintTo(const CloseWay& way, std::ostream* out)
{
    *out << way.name;
}

const CloseWay kCloseWays[] = {
    {"Escape", [](HWND d) { return PostKey(d, VK_ESCAPE); }},
    // Alt+F4 as the keyboard sends it: a system key with the Alt bit.
    {"AltF4", [](HWND d) { return PostMessageA(d, WM_SYSKEYDOWN, VK_F4, 0x20000001) != FALSE; }},
    {"WindowMenuClose", [](HWND d) { return PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0) != FALSE; }},
    {"CloseMessage", [](HWND d) { return PostMessageA(d, WM_CLOSE, 0, 0) != FALSE; }},
};

// A run of two files, the first sent slowly (about a second), into a main directory that
// holds an older first file.
class UpdateDialogClosedDuringTheRun : public UpdateDialogRun {
protected:
    void SetUp() override
    {
        UpdateDialogRun::SetUp();
        Reply slow = OkReply(newBytes_, "application/octet-stream");
        slow.pieceSize = 10000;
        slow.pause = std::chrono::milliseconds(20);
        serve({{"./Daten/Bild.bin", newBytes_.size()}, {"./zwei.txt", 4}}, {slow, OkReply("zwei")});
        std::filesystem::create_directories(main() / "Daten");
        ASSERT_TRUE(WriteFileBytes(main() / "Daten" / "Bild.bin", kOldBytes));
        ASSERT_TRUE(stampFile((main() / "Daten" / "Bild.bin").string().c_str(), 1600000000));
        dialog_.programPath.SetText("./Corvid.exe");
    }

    std::string installed() const { return ReadFileBytes(main() / "Daten" / "Bild.bin"); }

    static constexpr char kOldBytes[] = "die alte Fassung";
    const std::string newBytes_ = std::string(500000, 'n');
};

class CloseAnsweredNo : public UpdateDialogClosedDuringTheRun, public ::testing::WithParamInterface<CloseWay> {};

TEST_P(CloseAnsweredNo, AsksAndTheRunGoesOnToItsEnd)
{
    int asked = 0;
    EXPECT_EQ(runWith({WhileDownloading(GetParam().close), AnswerCancelQuestion(IDNO, asked)}), IDCANCEL);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(end_, Updater::RunEnd::StartProgram);
    EXPECT_TRUE(installed() == newBytes_);
    EXPECT_EQ(ReadFileBytes(main() / "zwei.txt"), "zwei");
}

INSTANTIATE_TEST_SUITE_P(Ways, CloseAnsweredNo, ::testing::ValuesIn(kCloseWays),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UpdateDialogClosedDuringTheRun, AnsweredYesEndsTheRunWithNothingReplaced)
{
    int asked = 0;
    EXPECT_EQ(runWith({WhileDownloading(kCloseWays[0].close), AnswerCancelQuestion(IDYES, asked)}), IDCANCEL);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(end_, Updater::RunEnd::Cancelled);
    EXPECT_EQ(installed(), kOldBytes);
    EXPECT_FALSE(std::filesystem::exists(main() / "zwei.txt"));
    // The listing and the first file; the second may have been asked for beside the first
    // before the close, but nothing is asked for after it.
    EXPECT_GE(server_.requests().size(), 2u);
    EXPECT_LE(server_.requests().size(), 3u);
}

BOOL CALLBACK CountQuestion(HWND window, LPARAM count)
{
    if (IsWindowVisible(window) && ShowsText(window, texts::kCancelUpdateQuestion))
        ++*reinterpret_cast<int*>(count);
    return TRUE;
}

// While the run dispatches messages, its timer sent again starts no second run, Enter
// does not end the dialog, and a close while the question is open asks no second one.
TEST_F(UpdateDialogClosedDuringTheRun, NothingDuringTheRunStartsItTwiceOrEndsTheDialog)
{
    int asked = 0;
    int questionsOpen = 0;
    const auto countQuestions = [&questionsOpen] {
        EnumThreadWindows(GetCurrentThreadId(), &CountQuestion, reinterpret_cast<LPARAM>(&questionsOpen));
        return true;
    };
    const INT_PTR result = runWith({
        WhileDownloading([](HWND d) {
            SendMessageA(d, WM_TIMER, UpdateDialog::kTimerId, 0);
            return PostKey(d, VK_RETURN) && PostKey(d, VK_ESCAPE);
        }),
        [] { return FindDialogByTitle("Corvid", GetCurrentThreadId()) != nullptr; },
        OnDialog([](HWND d) { return PostMessageA(d, WM_CLOSE, 0, 0) != FALSE; }),
        [] { return true; }, // one tick for the close to arrive
        countQuestions,
        AnswerCancelQuestion(IDNO, asked),
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(questionsOpen, 1);
    EXPECT_EQ(end_, Updater::RunEnd::StartProgram);
    EXPECT_TRUE(installed() == newBytes_);
    EXPECT_EQ(server_.requests().size(), 3u);
}

// Sets WS_SYSMENU on the update dialog while it is created, before its initialisation,
// as a template with a window menu would.
class WindowMenuHook {
public:
    WindowMenuHook() : hook_(SetWindowsHookExA(WH_CBT, &Hook, nullptr, GetCurrentThreadId())) {}
    ~WindowMenuHook() { UnhookWindowsHookEx(hook_); }
    WindowMenuHook(const WindowMenuHook&) = delete;
    WindowMenuHook& operator=(const WindowMenuHook&) = delete;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        if (code == HCBT_CREATEWND) {
            HWND window = reinterpret_cast<HWND>(wParam);
            const CREATESTRUCTA* create = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
            if (create->hwndParent == nullptr && HasClass(window, "#32770"))
                SetWindowLongA(window, GWL_STYLE, GetWindowLongA(window, GWL_STYLE) | WS_SYSMENU);
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    HHOOK hook_;
};

std::string MenuItemText(HMENU menu, int position)
{
    char text[128] = {};
    GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
    return text;
}

// The whole course in a process of its own: the dialog's timer starts the run, which
// fetches the listed file from the program's own test server and ends the process with 0
// (a dialog closed without its run would answer 1).
TEST(UpdateDialog, TimerStartsTheRunThatEndsTheProcess)
{
    TempDir dir;
    EXPECT_EQ(RunProgram(SiblingProgram("update_dialog_show.exe"), {dir / "Corvid", "0"}), 0);
    EXPECT_EQ(ReadFileBytes(dir.path() / "Corvid" / "Daten" / "Landschaft.bin").size(), 500000u);
}

TEST(UpdateDialog, WindowMenuEntryOpensTheAboutBox)
{
    ExitGuard guard;
    UpdateDialog dialog(nullptr);
    dialog.trust = ListingTrust(); // the test server's listings are unsigned
    dialog.productName.SetText("Corvid");

    bool hadTimer = false;
    std::string lastText;
    UINT lastId = 0;
    UINT separatorState = 0;
    int aboutBoxes = 0;
    const auto closeAbout = [&aboutBoxes] {
        HWND about = FindDialogByTitle(kAboutTitle, GetCurrentThreadId());
        if (about == nullptr)
            return false;
        ++aboutBoxes;
        return PostKey(about, VK_ESCAPE);
    };
    // Commands are posted, so that the about box runs in the dialog's handler.
    const auto postCommand = [](WPARAM command) {
        return OnDialog([command](HWND d) { return PostMessageA(d, WM_SYSCOMMAND, command, 0) != FALSE; });
    };
    const auto readMenu = OnDialog([&](HWND d) {
        HMENU menu = GetSystemMenu(d, FALSE);
        const int count = GetMenuItemCount(menu);
        lastText = MenuItemText(menu, count - 1);
        lastId = GetMenuItemID(menu, count - 1);
        separatorState = GetMenuState(menu, static_cast<UINT>(count - 2), MF_BYPOSITION);
        return true;
    });
    // The low four bits of a window-menu command are the system's, so 0x1F is the entry too.
    DialogScript script({TakeRunTimer(hadTimer), readMenu, postCommand(0x10), closeAbout, postCommand(0x1F),
                         closeAbout, OnDialog([](HWND d) { return PostKey(d, VK_ESCAPE); })});
    {
        WindowMenuHook withWindowMenu;
        EXPECT_EQ(dialog.runModal(), IDCANCEL);
    }
    EXPECT_TRUE(script.finished());
    EXPECT_FALSE(script.interrupted());
    EXPECT_TRUE(hadTimer);
    EXPECT_EQ(lastText, "Inf&o über Brenhold...");
    EXPECT_EQ(lastId, UpdateDialog::kAboutCommand);
    EXPECT_TRUE(separatorState & MF_SEPARATOR);
    EXPECT_EQ(aboutBoxes, 2);
}

TEST(WindowMenu, EntryWithSeparatorOnlyForANonEmptyText)
{
    struct Case {
        const char* text;
        int added;
    };
    for (const Case c : {Case{"", 0}, Case{"Inf&o", 2}}) {
        HMENU menu = CreatePopupMenu();
        AppendMenuA(menu, MF_STRING, 1, "Schließen");
        AppendWindowMenuEntry(menu, c.text, 0x10);
        EXPECT_EQ(GetMenuItemCount(menu), 1 + c.added) << c.text;
        EXPECT_EQ(MenuItemText(menu, 0), "Schließen") << c.text;
        if (c.added == 2) {
            EXPECT_TRUE(GetMenuState(menu, 1, MF_BYPOSITION) & MF_SEPARATOR);
            EXPECT_EQ(MenuItemText(menu, 2), c.text);
            EXPECT_EQ(GetMenuItemID(menu, 2), 0x10u);
        }
        DestroyMenu(menu);
    }
    AppendWindowMenuEntry(nullptr, "Inf&o", 0x10);
}

} // namespace
