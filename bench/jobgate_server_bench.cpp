// POSIX only: prints the rate and 99th-percentile latency of jobgate under lighttpd as a CGI
// program and as FastCGI back ends, measured with wrk (bench/jobgate-post.lua): command 15
// of a product of 1,000 files, walked and signed, and command 16 of a 4 KiB file.
#include "ChildProcess.h"
#include "LighttpdServer.h"
#include "SignedRepository.h"
#include "TempDir.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr const char* kWrk = "/usr/bin/wrk";
constexpr int kFiles = 1000;
constexpr const char* kSeconds = "5";
constexpr const char* kConnections = "8";

// The rest of the first line of wrk's output that starts with label (after blanks).
std::string Figure(const std::string& output, const std::string& label)
{
    for (std::size_t line = 0; line < output.size();) {
        const std::size_t end = std::min(output.find('\n', line), output.size());
        std::size_t start = output.find_first_not_of(' ', line);
        if (start < end && output.compare(start, label.size(), label) == 0) {
            start = output.find_first_not_of(' ', start + label.size());
            return start < end ? output.substr(start, end - start) : "";
        }
        line = end + 1;
    }
    return "";
}

// Runs wrk against the server with the command; returns the requests per second (0 when
// wrk failed) and prints the line of figures.
double Measure(const LighttpdServer& server, const std::string& what, const std::string& commandFile)
{
    const ProcessResult result =
        RunProcess({kWrk, "-t1", "-c", kConnections, "-d", kSeconds, "--latency", "-s", BRENHOLD_WRK_SCRIPT,
                    server.url()},
                   {{"JOBGATE_COMMAND_FILE", commandFile}}, "", std::chrono::seconds(60));
    const std::string rate = Figure(result.out, "Requests/sec:");
    if (result.exitCode != 0 || rate.empty()) {
        std::fprintf(stderr, "jobgate_server_bench: wrk failed: %s%s\n", result.out.c_str(), result.err.c_str());
        return 0;
    }
    const std::string failed = Figure(result.out, "Non-2xx or 3xx responses:");
    std::printf("  %-40s %9s requests/s, 99%% within %8s%s%s\n", what.c_str(), rate.c_str(),
                Figure(result.out, "99%").c_str(), failed.empty() ? "" : "   NOT ANSWERED 200: ", failed.c_str());
    return std::stod(rate);
}

} // namespace

int main()
{
    if (::access(kWrk, X_OK) != 0) {
        std::printf("jobgate server benchmark: skipped, wrk is not installed (scripts/setup)\n");
        return 0;
    }
    TempDir base;
    const std::string root = base / "repo";
    for (int i = 0; i < kFiles; ++i) {
        const std::string bytes = i == 0 ? std::string(4096, 'k') : std::to_string(i);
        const std::string name = i == 0 ? "vier-kib.bin" : "Datei" + std::to_string(i);
        if (!WriteFileBytes(base.path() / "repo" / "Corvid" / ("Ordner" + std::to_string(i / 100)) / name, bytes)) {
            std::fprintf(stderr, "jobgate_server_bench: cannot write the repository\n");
            return 1;
        }
    }
    const std::string listFile = base / "list.txt";
    const std::string fileFile = base / "file.txt";
    WriteFileBytes(listFile, std::string("0 15 Corvid\x03"));
    WriteFileBytes(fileFile, std::string("0 16 Corvid\x03./Ordner0/vier-kib.bin\x03"));

    std::printf("jobgate under lighttpd, wrk with %s connections for %s s each (on loopback):\n", kConnections,
                kSeconds);
    double listRate[2][2] = {};
    for (const bool fastcgi : {false, true}) {
        const LighttpdServer server(root, true, fastcgi);
        if (!server.running())
            return 1;
        const std::string kind = fastcgi ? "FastCGI" : "CGI";
        listRate[fastcgi][0] = Measure(server, kind + ", command 15, 1,000 files walked", listFile);
        Measure(server, kind + ", command 16, 4 KiB (X-Sendfile)", fileFile);
    }
    if (!SignProduct(root, "Corvid"))
        return 1;
    for (const bool fastcgi : {false, true}) {
        const LighttpdServer server(root, true, fastcgi);
        if (!server.running())
            return 1;
        listRate[fastcgi][1] =
            Measure(server, std::string(fastcgi ? "FastCGI" : "CGI") + ", command 15, 1,000 files signed", listFile);
    }
    for (const int signedListing : {0, 1}) {
        if (listRate[0][signedListing] > 0)
            std::printf("  command 15 (%s): FastCGI answers %.1f times the CGI rate\n",
                        signedListing ? "signed" : "walked", listRate[1][signedListing] / listRate[0][signedListing]);
    }
    return 0;
}
