// The roots built into the program (see cmake/TlsRoots.cmake).
#include "net/TlsTrust.h"

TlsTrust TlsTrust::BuiltIn()
{
    static constexpr char kPinnedRoots[] =
#include "TlsRootsPem.inc"
        ;
    return TlsTrust{kPinnedRoots};
}
