#include "update/TerminalUpdateView.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>

namespace {

TEST(TerminalUpdateView, WithoutATerminalEveryStatusIsOneUtf8Line)
{
    std::ostringstream out;
    TerminalUpdateView view(out, false);
    view.setStatusText("Pr\xFC"
                       "fe Datei 1/1: ./Hilfe/\xDC"
                       "ber.txt");
    view.setProgressRange(0, 100);
    view.setProgressPos(50);
    view.setStatusText("Starte Corvid");
    EXPECT_EQ(out.str(), "Pr\xC3\xBC"
                         "fe Datei 1/1: ./Hilfe/\xC3\x9C"
                         "ber.txt\nStarte Corvid\n");
}

ProgressThrottle::Clock::time_point fakeNow{};
ProgressThrottle::Clock::time_point FakeNow()
{
    return fakeNow;
}

TEST(TerminalUpdateView, OnATerminalTheLineIsRedrawnWithItsBar)
{
    using namespace std::chrono_literals;
    fakeNow = ProgressThrottle::Clock::now();
    std::ostringstream out;
    TerminalUpdateView view(out, true, &FakeNow);
    view.setStatusText("Download der Datei 1/1: ./a");
    view.setProgressRange(0, 200);
    view.setProgressPos(0);
    fakeNow += 100ms;
    view.setProgressPos(100);
    view.setProgressPos(150); // 75 %, but within 40 ms of the last redraw
    fakeNow += 100ms;
    view.setProgressPos(101); // still 50 %: nothing drawn
    view.setProgressPos(200); // the end is drawn at once, though within 40 ms
    view.setProgressPos(0);   // the finished bar stays
    view.setStatusText("Starte Corvid");
    const std::string line = "\r\033[KDownload der Datei 1/1: ./a";
    EXPECT_EQ(out.str(), line + line + "  [------------------------------] 0 %" + line +
                             "  [###############---------------] 50 %" + line +
                             "  [##############################] 100 %" + "\n\r\033[KStarte Corvid");
}

// The next file's bar starts afresh: its 0 % is drawn although the last bar drawn was at
// 0 % of its own range too.
TEST(TerminalUpdateView, EveryDownloadDrawsItsOwnBarFromTheStart)
{
    fakeNow = ProgressThrottle::Clock::now();
    std::ostringstream out;
    TerminalUpdateView view(out, true, &FakeNow);
    for (const char* name : {"./a", "./b"}) {
        view.setStatusText(std::string("Download der Datei: ") + name);
        view.setProgressRange(0, 10);
        view.setProgressPos(0);
    }
    const std::string bar = "  [------------------------------] 0 %";
    EXPECT_EQ(out.str(), "\r\033[KDownload der Datei: ./a\r\033[KDownload der Datei: ./a" + bar +
                             "\n\r\033[KDownload der Datei: ./b\r\033[KDownload der Datei: ./b" + bar);
}

TEST(TerminalUpdateView, ControlCharactersOfAListedPathDoNotReachTheTerminal)
{
    std::ostringstream out;
    TerminalUpdateView view(out, false);
    view.setStatusText("Pr\xFC"
                       "fe Datei 1/1: ./\x1B]0;title\x07\x1B[2J\nx\x9D"
                       "y\x90z");
    EXPECT_EQ(out.str(), "Pr\xC3\xBC"
                         "fe Datei 1/1: ./?]0;title??[2J?x?y?z\n");
}

} // namespace
