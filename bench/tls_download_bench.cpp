// POSIX only: HTTPS against jobgate under lighttpd with mod_openssl and a test CA. One
// 512 MiB file fetched by the client's update run (the real brenhold program, trusting the
// CA through SSL_CERT_FILE) and by curl --cacert, alternating, with their median times and
// ratio; then a fresh install of 2,000 small files with 6 transfers over HTTPS and over
// plain HTTP.
#include "LighttpdServer.h"
#include "MeasuredRun.h"
#include "SignedRepository.h"
#include "TempDir.h"
#include "TestCertificates.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::uintmax_t kFileSize = 512ull * 1024 * 1024;
constexpr int kRuns = 5;
constexpr int kSmallFiles = 2000;

// A home whose settings name main as the product's directory.
EnvironmentOverrides ClientEnvironment(const fs::path& base, const std::string& product, const fs::path& main,
                                       const std::string& server, const std::string& caFile)
{
    const fs::path config = base / ("config-" + product);
    fs::create_directories(config / "Velmora");
    std::ofstream(config / "Velmora" / "Brenhold.ini") << "[MainDirPath]\n"
                                                       << product << "=" << main.string() << "\n";
    fs::create_directories(base / "home");
    return {{"XDG_CONFIG_HOME", config.string()},
            {"HOME", (base / "home").string()},
            {"BRENHOLD_UPDATE_SERVER", server},
            {"SSL_CERT_FILE", caFile}};
}

bool MeasureDownload(const fs::path& base, const LighttpdServer& server, const std::string& caFile)
{
    const fs::path main = base / "Gross";
    const fs::path byCurl = base / "curl.bin";
    std::ofstream(base / "command") << std::string("0 16 Gross\x03./gross.bin\x03");
    const EnvironmentOverrides environment = ClientEnvironment(base, "Gross", main, server.address(), caFile);
    const std::vector<std::string> client = {BRENHOLD_CLIENT_BIN, "Gross"};
    const std::vector<std::string> curl = {"/usr/bin/curl",
                                           "-s",
                                           "--cacert",
                                           caFile,
                                           "-o",
                                           byCurl.string(),
                                           "-H",
                                           "Content-Type: text/plain",
                                           "--data-binary",
                                           "@" + (base / "command").string(),
                                           server.url()};
    AlternatedRuns figures;
    const double loadBefore = LoadAverage();
    if (!RunAlternately(client, curl, environment, main / "gross.bin", byCurl, kFileSize, kRuns,
                        "tls download", figures))
        return false;
    const double loadAfter = LoadAverage();
    fs::remove_all(main);
    fs::remove(byCurl);
    const double clientMedian = Median(figures.clientTimes);
    const double curlMedian = Median(figures.curlTimes);
    std::printf(
        "tls download, 512 MiB over HTTPS, median of %d: brenhold %.2f s (%.0f MiB/s), curl --cacert %.2f s "
        "(%.0f MiB/s), ratio brenhold/curl %.2f (goal at most 1.1)\n",
        kRuns, clientMedian, 512 / clientMedian, curlMedian, 512 / curlMedian, clientMedian / curlMedian);
    PrintDiskFloor("tls download", figures);
    std::printf(
        "tls download: CPU time (user + system), median: brenhold %.2f s, curl %.2f s; load average %.2f "
        "before, %.2f after; brenhold peak RSS %.1f MiB\n",
        Median(figures.clientCpu), Median(figures.curlCpu), loadBefore, loadAfter,
        figures.clientPeakRssKiB / 1024.0);
    return true;
}

// A fresh install of the small files' product from server, three times; the median time.
bool MeasureSmallFiles(const fs::path& base, const LighttpdServer& server, const std::string& caFile,
                       double& median)
{
    const fs::path main = base / "Klein";
    EnvironmentOverrides environment = ClientEnvironment(base, "Klein", main, server.address(), caFile);
    environment.push_back({"BRENHOLD_TRANSFERS", "6"});
    std::vector<double> times;
    for (int run = 0; run < 3; ++run) {
        fs::remove_all(main);
        const MeasuredRun measured = RunMeasured({BRENHOLD_CLIENT_BIN, "Klein"}, environment);
        if (measured.exitCode != 0 || !fs::exists(main / "d19" / "f1999.txt")) {
            std::fprintf(stderr, "tls small files: brenhold failed (exit %d)\n", measured.exitCode);
            return false;
        }
        times.push_back(measured.seconds);
    }
    fs::remove_all(main);
    median = Median(times);
    return true;
}

} // namespace

int main()
{
    TempDir base;
    const fs::path repository = base.path() / "repo";
    if (!WriteBigFile(repository / "Gross" / "gross.bin", kFileSize))
        return 1;
    for (int i = 0; i < kSmallFiles; ++i) {
        const fs::path file =
            repository / "Klein" / ("d" + std::to_string(i / 100)) / ("f" + std::to_string(i) + ".txt");
        fs::create_directories(file.parent_path());
        std::ofstream(file) << std::string(static_cast<std::size_t>(200 + i % 3000),
                                           static_cast<char>('a' + i % 26));
    }
    if (!SignProduct(repository.string(), "Gross") || !SignProduct(repository.string(), "Klein"))
        return 1;
    ::sync();
    TestCertificates certificates;
    const ServerCertificate certificate = certificates.server(TestCertificates::Kind::good);
    if (!certificates.ok() || certificate.certFile.empty())
        return 1;
    LighttpdServer https(repository.string(), true, false, {certificate.certFile, certificate.keyFile, ""});
    LighttpdServer http(repository.string(), true);
    if (!https.running() || !http.running()) {
        std::fprintf(stderr, "tls download: the update servers did not start\n");
        return 1;
    }
    if (!MeasureDownload(base.path(), https, certificates.caFile()))
        return 1;
    double overTls = 0, plain = 0;
    if (!MeasureSmallFiles(base.path(), https, certificates.caFile(), overTls) ||
        !MeasureSmallFiles(base.path(), http, certificates.caFile(), plain))
        return 1;
    std::printf("tls small files, fresh install of %d files with 6 transfers, median of 3: HTTPS %.2f s, "
                "HTTP %.2f s, "
                "ratio %.2f\n",
                kSmallFiles, overTls, plain, overTls / plain);
    return 0;
}
