#include "TempDir.h"

#include <fstream>
#include <iterator>
#include <random>

TempDir::TempDir()
{
    std::error_code error;
    const auto base = std::filesystem::temp_directory_path(error);
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto candidate = base / ("brenhold-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate, error)) {
            path_ = candidate;
            return;
        }
    }
}

TempDir::~TempDir()
{
    std::error_code error;
    if (!path_.empty())
        std::filesystem::remove_all(path_, error);
}

bool WriteFileBytes(const std::filesystem::path& file, const std::string& bytes)
{
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

std::string ReadFileBytes(const std::filesystem::path& file)
{
    // Read at once at the file's size: tests compare files of hundreds of MiB.
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : -1;
    if (size < 0)
        return {};
    std::string bytes(static_cast<std::size_t>(size), '\0');
    in.seekg(0);
    in.read(bytes.data(), size);
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}
