// POSIX side of TestWebServer.h.
#include "TestWebServer.h"

#include <cstdio>

namespace {

constexpr int kAttempts = 5;

} // namespace

void TestWebServer::start(const std::string& name, const std::string& configName,
                          const std::function<std::string(int port)>& config,
                          const std::vector<std::string>& argv)
{
    for (int attempt = 0; attempt < kAttempts && !process_.running(); ++attempt) {
        const int port = FreeLoopbackPort();
        if (!WriteFileBytes(folder_ / configName, config(port)))
            break;
        if (process_.start(
                argv, {}, [port] { return LoopbackPortAnswers(port); }, folder() + "/output.log"))
            port_ = port;
    }
    if (!process_.running())
        std::fprintf(stderr, "%s: could not start: %s\n", name.c_str(), errorLog().c_str());
}
