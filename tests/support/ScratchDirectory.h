#pragma once
// A fresh, empty directory below the system's temporary folder for one test, removed
// with everything in it when the test ends.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

class ScratchDirectory {
public:
    ScratchDirectory()
    {
        std::random_device entropy;
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        std::mt19937_64 random(entropy() ^ static_cast<std::uint64_t>(now));
        const auto base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            auto candidate = base / ("brenhold-test-" + std::to_string(random() % 1000000000));
            std::error_code error;
            if (std::filesystem::create_directory(candidate, error)) {
                path_ = candidate;
            }
        }
    }
    ~ScratchDirectory()
    {
        std::error_code error;
        if (!path_.empty()) {
            std::filesystem::remove_all(path_, error);
        }
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The path of an entry inside, in the platform's notation.
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};
