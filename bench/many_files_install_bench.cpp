// POSIX only: fresh installs of 100,000 small files from jobgate under
// scripts/serve --fastcgi (lighttpd with two FastCGI back ends, which send the bodies
// themselves as scripts/serve sets them to: lighttpd 1.4.69 dies within a few ten
// thousand X-Sendfile answers of FastCGI back ends) by the real brenhold program with the
// default number of transfers. Each try must end with
// exit 0 and no failed file; prints every try's time, its retries, and how many tries
// passed. Usage: many_files_install_bench [TRIES]   (default 3, at most 20)
#include "FreshInstall.h"
#include "LighttpdServer.h"
#include "SignedRepository.h"
#include "TempDir.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 100000;
constexpr std::size_t kFileSize = 512;
constexpr int kDefaultTries = 3;
constexpr int kMostTries = 20;

} // namespace

int main(int argc, char** argv)
{
    const int tries = argc > 1 ? std::atoi(argv[1]) : kDefaultTries;
    if (tries < 1 || tries > kMostTries) {
        std::fprintf(stderr, "usage: many_files_install_bench [TRIES]   (1 to %d)\n", kMostTries);
        return 2;
    }
    TempDir base;
    const fs::path repository = base.path() / "repo";
    if (!MakeSmallFiles(repository / "Viele", kFiles, kFileSize) || !SignProduct(repository.string(), "Viele")) {
        std::fprintf(stderr, "many files install: cannot make the repository below %s\n", base.str().c_str());
        return 1;
    }
    FreshInstalls installs(base.path(), "Viele", kFiles, kFileSize);
    ::sync();

    int passed = 0;
    std::vector<double> times;
    for (int run = 1; run <= tries; ++run) {
        // A server of its own for each try: one that died in a try cannot fail the next.
        LighttpdServer server(repository.string(), false, true);
        if (!server.running()) {
            std::fprintf(stderr, "many files install: the server did not start\n");
            return 1;
        }
        const FreshInstalls::Result result = installs.installOnce("", server.hostPort());
        const bool serverLived = server.running();
        std::printf("many files install, try %d of %d: exit %d, %zu of %d files, %d failed, %d retries, %.1f s%s\n",
                    run, tries, result.exitCode, result.installed, kFiles, result.failedFiles, result.retries,
                    result.seconds, serverLived ? "" : ", lighttpd died");
        std::fflush(stdout);
        if (result.ok() && serverLived) {
            ++passed;
            times.push_back(result.seconds);
        }
    }
    std::printf("many files install, %d files of %zu bytes, scripts/serve --fastcgi: %d of %d tries passed "
                "(goal all), median of the passed %.1f s\n",
                kFiles, kFileSize, passed, tries, Median(times));
    return passed == tries ? 0 : 1;
}
