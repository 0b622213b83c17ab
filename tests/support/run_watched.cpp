// Runs a command line as Windows runs an uninstall entry's command (CreateProcess of the
// whole line) and watches the screen while it runs: every visible top-level window that
// appears, of any process of the session, is printed as "window: TITLE" on standard
// output. Ends with the command's exit code; 1 with a message when it cannot start, 124
// when it did not end within the limit (it is ended then).
//
//   run_watched [-t ms] COMMAND_LINE
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr DWORD kPollMs = 20;

BOOL CALLBACK Collect(HWND window, LPARAM list)
{
    if (IsWindowVisible(window))
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

std::vector<HWND> VisibleWindows()
{
    std::vector<HWND> windows;
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

} // namespace

int main(int argc, char** argv)
{
    DWORD limitMs = 60000;
    int next = 1;
    if (argc > 3 && std::string(argv[1]) == "-t") {
        limitMs = static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10));
        next = 3;
    }
    if (argc - next != 1) {
        std::fputs("usage: run_watched [-t ms] COMMAND_LINE\n", stderr);
        return 1;
    }
    std::set<HWND> seen;
    for (HWND window : VisibleWindows())
        seen.insert(window);

    std::string commandLine = argv[next];
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::fprintf(stderr, "run_watched: cannot start %s: error %lu\n", argv[next], GetLastError());
        return 1;
    }
    CloseHandle(process.hThread);
    const DWORD start = GetTickCount();
    DWORD waited = WAIT_TIMEOUT;
    // One more look after the end, for a window shown in the last moment.
    for (bool last = false; !last;) {
        waited = WaitForSingleObject(process.hProcess, kPollMs);
        last = waited != WAIT_TIMEOUT || GetTickCount() - start >= limitMs;
        for (HWND window : VisibleWindows()) {
            if (!seen.insert(window).second)
                continue;
            char title[256] = {};
            GetWindowTextA(window, title, sizeof title);
            std::printf("window: %s\n", title);
            std::fflush(stdout);
        }
    }
    if (waited == WAIT_TIMEOUT) {
        TerminateProcess(process.hProcess, 124);
        CloseHandle(process.hProcess);
        return 124;
    }
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}
