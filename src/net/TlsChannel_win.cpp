// Windows side of TlsChannel.h: this client has no TLS on Windows yet, so every handshake
// fails at once with a diagnostic that says so; plain HTTP is unaffected.
#include "net/TlsChannel.h"

struct TlsChannel::Session {};

TlsChannel::TlsChannel(std::intptr_t, const std::string&, std::uint16_t, const TlsTrust&)
    : failure_("this Windows client has no TLS yet")
{}

TlsChannel::~TlsChannel() = default;

TlsChannel::Step TlsChannel::handshake()
{
    return Step::failed;
}

int TlsChannel::send(const char*, int)
{
    return -1;
}

int TlsChannel::receive(char*, int)
{
    return -1;
}

bool TlsChannel::hasPending() const
{
    return false;
}

bool TlsChannel::resumed() const
{
    return false;
}
