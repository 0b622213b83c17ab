// POSIX side of FreshInstall.h.
#include "FreshInstall.h"

#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::size_t CountFiles(const fs::path& folder, std::size_t size)
{
    std::size_t count = 0;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (it->path().filename() == ".brenhold") {
            it.disable_recursion_pending();
            continue;
        }
        count += it->is_regular_file() && it->file_size() == size ? 1 : 0;
    }
    return count;
}

// The lines of the log file that hold text.
int CountLines(const fs::path& log, const std::string& text)
{
    std::ifstream in(log);
    int count = 0;
    for (std::string line; std::getline(in, line);)
        count += line.find(text) != std::string::npos ? 1 : 0;
    return count;
}

} // namespace

std::string SmallFileName(int i)
{
    return "Teil" + std::to_string(i / 100) + "/datei" + std::to_string(i) + ".bin";
}

bool MakeSmallFiles(const fs::path& product, int files, std::size_t size)
{
    std::string bytes(size, '\0');
    for (int i = 0; i < files; ++i) {
        const fs::path file = product / SmallFileName(i);
        if (i % 100 == 0)
            fs::create_directories(file.parent_path());
        for (std::size_t j = 0; j < bytes.size(); ++j)
            bytes[j] = static_cast<char>((j * 31 + static_cast<std::size_t>(i)) >> 2);
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        if (!out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())))
            return false;
    }
    return true;
}

bool FreshInstalls::Result::ok() const
{
    return exitCode == 0 && failedFiles == 0;
}

FreshInstalls::FreshInstalls(const fs::path& base, std::string product, int files, std::size_t size)
    : base_(base), product_(std::move(product)), files_(files), size_(size)
{
    fs::create_directories(base_ / "config" / "Velmora");
    fs::create_directories(base_ / "home");
    fs::create_directories(base_ / "state");
    environment_ = {{"XDG_CONFIG_HOME", (base_ / "config").string()},
                    {"XDG_STATE_HOME", (base_ / "state").string()},
                    {"HOME", (base_ / "home").string()}};
}

FreshInstalls::Result FreshInstalls::installOnce(const std::string& transfers, const std::string& server)
{
    const fs::path main = base_ / ("Haupt" + std::to_string(++installs_));
    std::ofstream(base_ / "config" / "Velmora" / "Brenhold.ini", std::ios::trunc)
        << "[MainDirPath]\n" << product_ << "=" << main.string() << "\n";
    const fs::path log = base_ / "state" / "Velmora" / (product_ + ".log");
    std::error_code error;
    fs::remove(log, error);
    EnvironmentOverrides environment = environment_;
    environment.push_back({"BRENHOLD_TRANSFERS", transfers});
    environment.push_back({"BRENHOLD_UPDATE_SERVER", server});
    const MeasuredRun measured = RunMeasured({BRENHOLD_CLIENT_BIN, product_}, environment);
    Result result;
    result.exitCode = measured.exitCode;
    result.seconds = measured.seconds;
    result.installed = CountFiles(main, size_);
    result.failedFiles = CountLines(log, " failed \"");
    result.retries = CountLines(log, " retry ");
    if (result.installed != static_cast<std::size_t>(files_) && result.exitCode == 0)
        result.exitCode = -1;
    return result;
}
