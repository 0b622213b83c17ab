#include "update/TerminalUpdateView.h"

#include <gtest/gtest.h>

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

TEST(TerminalUpdateView, OnATerminalTheLineIsRedrawnWithItsBar)
{
    std::ostringstream out;
    TerminalUpdateView view(out, true);
    view.setStatusText("Download der Datei 1/1: ./a");
    view.setProgressRange(0, 200);
    view.setProgressPos(0);
    view.setProgressPos(100);
    view.setProgressPos(101); // still 50 %: nothing drawn
    view.setProgressPos(200);
    view.setProgressPos(0); // the finished bar stays
    view.setStatusText("Starte Corvid");
    const std::string line = "\r\033[KDownload der Datei 1/1: ./a";
    EXPECT_EQ(out.str(), line + line + "  [------------------------------] 0 %" + line +
                             "  [###############---------------] 50 %" + line +
                             "  [##############################] 100 %" + "\n\r\033[KStarte Corvid");
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
