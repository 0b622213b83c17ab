#include "support/DialogScript.h"

#include "support/DialogDriver.h"

namespace {

constexpr UINT kTickMs = 50;
DialogScript* activeScript = nullptr;

BOOL CALLBACK CloseDialog(HWND window, LPARAM)
{
    // Message boxes with Yes and No ignore IDCANCEL; file dialogs and the rest ignore IDYES.
    PostCommand(window, IDCANCEL);
    PostCommand(window, IDYES);
    return TRUE;
}

} // namespace

DialogScript::DialogScript(std::vector<Step> steps, UINT timeLimitMs)
    : steps_(std::move(steps)), ticksLeft_(timeLimitMs / kTickMs),
      timer_(SetTimer(nullptr, 0, kTickMs, &Tick))
{
    activeScript = this;
}

DialogScript::~DialogScript()
{
    KillTimer(nullptr, timer_);
    activeScript = nullptr;
}

void CALLBACK DialogScript::Tick(HWND, UINT, UINT_PTR, DWORD)
{
    if (activeScript != nullptr)
        activeScript->tick();
}

void DialogScript::tick()
{
    if (ticksLeft_ == 0) {
        abandon();
        return;
    }
    --ticksLeft_;
    if (!finished() && steps_[next_]())
        ++next_;
}

void DialogScript::abandon()
{
    EnumThreadWindows(GetCurrentThreadId(), CloseDialog, 0);
}
