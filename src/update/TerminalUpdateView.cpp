#include "update/TerminalUpdateView.h"

#include "text/Codepage.h"

#include <string>

namespace {

constexpr int kBarWidth = 30;

// A status text can carry a listed path, which is the server's text: its control
// characters, and the bytes Windows-1252 leaves undefined (which become C1 controls),
// would reach the terminal as commands. They are shown as "?".
std::string Displayable(std::string text)
{
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 ||
            byte == 0x9D)
            c = '?';
    }
    return text;
}

} // namespace

TerminalUpdateView::TerminalUpdateView(std::ostream& out, bool interactive) : out_(out), interactive_(interactive)
{}

void TerminalUpdateView::setStatusText(std::string text)
{
    status_ = Utf8FromCp1252(Displayable(std::move(text)));
    if (!interactive_) {
        out_ << status_ << '\n';
        return;
    }
    if (keepLine_)
        out_ << '\n';
    keepLine_ = false;
    percent_ = -1;
    redraw();
}

void TerminalUpdateView::setProgressRange(int low, int high)
{
    low_ = low;
    high_ = high;
    keepLine_ = interactive_;
}

void TerminalUpdateView::setProgressPos(int pos)
{
    if (!interactive_ || high_ <= low_)
        return;
    const long long span = static_cast<long long>(high_) - low_;
    long long done = static_cast<long long>(pos) - low_;
    if (done < 0)
        done = 0;
    if (done > span)
        done = span;
    const int percent = static_cast<int>(done * 100 / span);
    // A reset to 0 after a download keeps the finished bar on screen.
    if (percent == percent_ || (pos == 0 && percent_ > 0))
        return;
    percent_ = percent;
    redraw();
}

void TerminalUpdateView::finishLine()
{
    if (interactive_)
        out_ << '\n' << std::flush;
}

void TerminalUpdateView::redraw()
{
    out_ << "\r\033[K" << status_;
    if (percent_ >= 0) {
        const int filled = percent_ * kBarWidth / 100;
        out_ << "  [" << std::string(static_cast<std::size_t>(filled), '#')
             << std::string(static_cast<std::size_t>(kBarWidth - filled), '-') << "] " << percent_ << " %";
    }
    out_.flush();
}
