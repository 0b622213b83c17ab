#pragma once
// A fresh folder below the system's temporary folder, removed with everything in it
// when the object goes.

#include <filesystem>
#include <string>

class TempDir {
public:
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    // The path of an entry inside, in the platform's notation.
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Writes bytes to a file, making its folders first; false on failure.
bool WriteFileBytes(const std::filesystem::path& file, const std::string& bytes);

// The whole content of a file, or empty when it cannot be read.
std::string ReadFileBytes(const std::filesystem::path& file);
