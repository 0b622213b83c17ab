#pragma once
// Owns one open directory stream and closes it (with its descriptor) when it goes.

#include <dirent.h>

#include <utility>

class DirectoryStream {
public:
    explicit DirectoryStream(DIR* dir) : dir_(dir) {}
    DirectoryStream(DirectoryStream&& other) noexcept : dir_(std::exchange(other.dir_, nullptr)) {}
    DirectoryStream& operator=(DirectoryStream&&) = delete;
    DirectoryStream(const DirectoryStream&) = delete;
    DirectoryStream& operator=(const DirectoryStream&) = delete;
    ~DirectoryStream()
    {
        if (dir_ != nullptr)
            ::closedir(dir_);
    }

    DIR* get() const { return dir_; }

private:
    DIR* dir_;
};
