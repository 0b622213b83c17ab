// POSIX side of JobgateFastCgiServer.h.
#include "JobgateFastCgiServer.h"

#include <cstdio>

namespace {

constexpr int kAttempts = 5;

} // namespace

JobgateFastCgiServer::JobgateFastCgiServer(const EnvironmentOverrides& environment, Socket socket)
{
    for (int attempt = 0; attempt < kAttempts && !process_.running(); ++attempt) {
        if (socket == Socket::Unix) {
            address_ = folder_ / "jobgate.socket";
            process_.start({BRENHOLD_JOBGATE_BIN, "--fastcgi", address_}, environment,
                           [this] { return UnixSocketAnswers(address_); }, folder_ / "errors.log");
        } else {
            const int port = FreeLoopbackPort();
            address_ = "127.0.0.1:" + std::to_string(port);
            process_.start({BRENHOLD_JOBGATE_BIN, "--fastcgi", address_}, environment,
                           [port] { return LoopbackPortAnswers(port); }, folder_ / "errors.log");
        }
    }
    if (!process_.running())
        std::fprintf(stderr, "JobgateFastCgiServer: could not start jobgate --fastcgi\n");
}

std::string JobgateFastCgiServer::newErrors()
{
    const std::string errors = ReadFileBytes(folder_ / "errors.log");
    const std::string fresh = errors.size() > errorsRead_ ? errors.substr(errorsRead_) : "";
    errorsRead_ = errors.size();
    return fresh;
}
