#include "support/DialogScript.h"

#include "support/DialogDriver.h"

namespace {

constexpr UINT kTickMs = 50;
DialogScript* activeScript = nullptr;

BOOL CALLBACK CloseDialog(HWND window, LPARAM)
{
    // Yes first: a Yes/No message box ends with the first command it gets (and would take
    // IDCANCEL as No); file dialogs and the rest ignore IDYES and end with IDCANCEL.
    PostCommand(window, IDYES);
    PostCommand(window, IDCANCEL);
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
    if (stepRunning_) {
        interrupted_ = true;
        abandon();
        return;
    }
    if (ticksLeft_ == 0) {
        abandon();
        return;
    }
    --ticksLeft_;
    if (finished())
        return;
    const std::size_t current = next_;
    stepRunning_ = true;
    const bool acted = steps_[current]();
    stepRunning_ = false;
    // An enclosing step has moved on by itself.
    if (acted && next_ == current)
        ++next_;
}

DialogScript::Step DialogScript::Enclosing(std::function<void()> work)
{
    return [work] {
        DialogScript& script = *activeScript;
        ++script.next_;
        script.stepRunning_ = false;
        work();
        script.stepRunning_ = true;
        return true;
    };
}

void DialogScript::abandon()
{
    EnumThreadWindows(GetCurrentThreadId(), CloseDialog, 0);
}
