#include "update/InterruptCatch.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t interrupted = 0;
void (*previousHandler)(int) = SIG_DFL;

void NoteInterrupt(int)
{
    interrupted = 1;
    // Some C runtimes (the Windows one) reset the handler before calling it.
    std::signal(SIGINT, &NoteInterrupt);
}

} // namespace

InterruptCatch::InterruptCatch()
{
    interrupted = 0;
    previousHandler = std::signal(SIGINT, &NoteInterrupt);
    if (previousHandler == SIG_ERR)
        previousHandler = SIG_DFL;
}

InterruptCatch::~InterruptCatch()
{
    std::signal(SIGINT, previousHandler);
}

bool InterruptCatch::requested()
{
    return interrupted != 0;
}
