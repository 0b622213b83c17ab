#pragma once
// What an exchange offers its owner while it lasts: calls at short intervals, so that the
// one thread can do the owner's work (a window's messages) while a connection waits or a
// body arrives, and the owner's say whether the exchange is still wanted.

#include <chrono>

class WaitObserver {
public:
    // Called between received blocks, and at least every kIdleInterval while a connection
    // waits for the other side. It may take long (a question to the user): time spent
    // here does not end a wait whose data has arrived meanwhile.
    virtual void idle() = 0;

    // True when the owner no longer wants the exchange: it ends after the block in hand,
    // and a wait ends at its next interval.
    virtual bool transferCancelled() = 0;

protected:
    ~WaitObserver() = default;
};

// The longest a connection waits without calling its observer.
inline constexpr std::chrono::milliseconds kIdleInterval{25};
