#include "update/TerminalUpdateView.h"

#include "text/Codepage.h"
#include "update/InterruptCatch.h"

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

TerminalUpdateView::TerminalUpdateView(std::ostream& out, bool interactive, ProgressThrottle::NowFunction now)
    : out_(out), interactive_(interactive), throttle_(now)
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
    throttle_.forgetShown();
    redraw();
}

void TerminalUpdateView::setProgressRange(int low, int high)
{
    low_ = low;
    high_ = high;
    throttle_.setRange(low, high, 100);
    keepLine_ = interactive_;
}

void TerminalUpdateView::setProgressPos(int pos)
{
    if (!interactive_ || high_ <= low_)
        return;
    // A reset to the start after a download keeps the finished bar on screen.
    if (pos <= low_ && percent_ > 0)
        return;
    if (!throttle_.admit(pos))
        return;
    percent_ = throttle_.stepOf(pos);
    redraw();
}

void TerminalUpdateView::idle()
{
    if (InterruptCatch::requested())
        requestCancel();
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
