// Drives dialogs of another program in the same Wine session, for GUI tests run from
// scripts. Every command waits up to the time limit for its window; TITLE "@file"
// stands for the system's file dialog.
//
//   dialog_driver [-t ms] wait TITLE          window exists
//   dialog_driver [-t ms] file TITLE NAME     put NAME into the file-name box, post IDOK
//   dialog_driver [-t ms] press TITLE ID      post WM_COMMAND ID (1 OK, 2 Cancel, 6 Yes, 7 No)
//   dialog_driver [-t ms] key TITLE VK        post a key press (13 Enter, 27 Escape)
//   dialog_driver [-t ms] text TITLE ID       print the text of control ID
//   dialog_driver [-t ms] move TITLE X Y      move the window to X, Y
//   dialog_driver [-t ms] rect TITLE [ID]     print the screen rectangle of the window (or
//                                             of its control ID): X Y WIDTH HEIGHT
//   dialog_driver [-t ms] shows TITLE TEXT    the window or one of its controls shows TEXT
//   dialog_driver [-t ms] ping TITLE MS       sends WM_NULL every 200 ms for MS milliseconds
//                                             or until the window goes, each call given up
//                                             after 500 ms or when the window hangs; prints
//                                             "answered N of M, slowest S ms"; exit 1 unless
//                                             every call was answered
//
// Exit code 0 on success, 1 when the window did not appear, 2 on wrong usage.
#include "support/DialogDriver.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

HWND WaitForWindow(const std::string& title, DWORD limitMs)
{
    const DWORD start = GetTickCount();
    while (true) {
        HWND window = title == "@file" ? FindFileDialog() : FindDialogByTitle(title);
        if (window != nullptr || GetTickCount() - start >= limitMs)
            return window;
        Sleep(50);
    }
}

int Usage()
{
    std::fputs("usage: dialog_driver [-t ms] wait|file|press|key|text|move|rect|shows|ping TITLE [ARG...]\n", stderr);
    return 2;
}

int PrintRect(HWND window)
{
    RECT rect{};
    if (window == nullptr || !GetWindowRect(window, &rect))
        return 1;
    std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    return 0;
}

// Whether the window answers at once, as the system asks before it offers to end a
// program that does not respond.
int Ping(HWND window, DWORD forMs)
{
    constexpr UINT kLimitMs = 500;
    constexpr DWORD kEveryMs = 200;
    int sent = 0;
    int answered = 0;
    DWORD slowest = 0;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < forMs && IsWindow(window)) {
        const DWORD before = GetTickCount();
        DWORD_PTR result = 0;
        const bool answer = SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kLimitMs, &result) != 0;
        // A window that went away meanwhile (the run ended) is no unanswered call.
        if (!answer && !IsWindow(window))
            break;
        ++sent;
        answered += answer ? 1 : 0;
        slowest = std::max(slowest, GetTickCount() - before);
        Sleep(kEveryMs);
    }
    std::printf("answered %d of %d, slowest %lu ms\n", answered, sent, slowest);
    return sent > 0 && answered == sent ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    int next = 1;
    DWORD limitMs = 10000;
    if (argc > 2 && std::string(argv[1]) == "-t") {
        limitMs = static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10));
        next = 3;
    }
    if (argc - next < 2)
        return Usage();
    const std::string command = argv[next];
    const std::string title = argv[next + 1];
    const int extra = argc - next - 2;
    char** args = argv + next + 2;

    HWND window = WaitForWindow(title, limitMs);
    if (window == nullptr) {
        std::fprintf(stderr, "dialog_driver: no window \"%s\"\n", title.c_str());
        return 1;
    }
    if (command == "wait" && extra == 0)
        return 0;
    if (command == "file" && extra == 1)
        return SubmitFileName(window, args[0]) ? 0 : 1;
    if (command == "press" && extra == 1)
        return PostCommand(window, std::atoi(args[0])) ? 0 : 1;
    if (command == "key" && extra == 1)
        return PostKey(window, static_cast<WPARAM>(std::atoi(args[0]))) ? 0 : 1;
    if (command == "text" && extra == 1) {
        std::printf("%s\n", ControlText(window, std::atoi(args[0])).c_str());
        return 0;
    }
    if (command == "move" && extra == 2) {
        const BOOL moved = SetWindowPos(window, nullptr, std::atoi(args[0]), std::atoi(args[1]), 0, 0,
                                        SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return moved ? 0 : 1;
    }
    if (command == "rect" && extra == 0)
        return PrintRect(window);
    if (command == "rect" && extra == 1)
        return PrintRect(GetDlgItem(window, std::atoi(args[0])));
    if (command == "shows" && extra == 1)
        return ShowsText(window, args[0]) ? 0 : 1;
    if (command == "ping" && extra == 1)
        return Ping(window, static_cast<DWORD>(std::strtoul(args[0], nullptr, 10)));
    return Usage();
}
