#pragma once
// Stops a fuzz target at once, so that libFuzzer keeps the input, when what a target
// checks does not hold.

inline void Require(bool condition)
{
    if (!condition)
        __builtin_trap();
}
