// POSIX side of Shortcut.h: freedesktop desktop entry files named <name>.desktop.
#include "shell/Shortcut.h"

#include "shell/DesktopEntry.h"
#include "shell/SpecialFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <utility>
#include <vector>

namespace {

// Desktop entries larger than this are not shortcuts this program wrote.
constexpr std::size_t kMaxEntrySize = 1 << 20;

// Owns an open file descriptor.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    bool valid() const { return fd_ >= 0; }
    int get() const { return fd_; }

    // Closes now; false when the close reports an error (data may not have been written).
    bool close() { return fd_ < 0 || ::close(std::exchange(fd_, -1)) == 0; }

private:
    int fd_;
};

// Removes a temporary file unless it was renamed into place.
class TemporaryName {
public:
    explicit TemporaryName(std::string path) : path_(std::move(path)) {}
    ~TemporaryName()
    {
        if (!path_.empty()) {
            unlink(path_.c_str());
        }
    }
    TemporaryName(const TemporaryName&) = delete;
    TemporaryName& operator=(const TemporaryName&) = delete;

    bool renameTo(const std::string& path)
    {
        if (rename(path_.c_str(), path.c_str()) != 0) {
            return false;
        }
        path_.clear();
        return true;
    }

private:
    std::string path_;
};

bool ShortcutFileName(const std::string& name, int folder, std::string& fileName)
{
    std::string folderPath;
    if (!GetSpecialFolderPath(folder, folderPath)) {
        return false;
    }
    fileName = folderPath + name + ".desktop";
    return true;
}

bool WriteAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = write(fd, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

// Writes the file under a temporary name beside it and renames it into place, so an
// existing shortcut is replaced whole or not at all.
bool ReplaceFile(const std::string& path, const std::string& text)
{
    std::string pattern = path + ".XXXXXX";
    FileDescriptor file(mkstemp(pattern.data()));
    if (!file.valid()) {
        return false;
    }
    TemporaryName temporary(pattern);
    // Desktops launch only entries marked executable.
    if (!WriteAll(file.get(), text) || fchmod(file.get(), 0755) != 0 || !file.close()) {
        return false;
    }
    return temporary.renameTo(path);
}

// Reads a whole file; 0 or a negated errno value.
std::int32_t ReadFile(const std::string& path, std::string& text)
{
    FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.valid()) {
        return -errno;
    }
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(file.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return -errno;
        }
        if (got == 0) {
            return 0;
        }
        if (text.size() + static_cast<std::size_t>(got) > kMaxEntrySize) {
            return -EFBIG;
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
}

std::string OwnProgramPath()
{
    std::vector<char> buffer(4096);
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    return length > 0 ? std::string(buffer.data(), static_cast<std::size_t>(length)) : std::string();
}

} // namespace

bool ShortcutExists(const std::string& name, int folder)
{
    std::string fileName;
    struct stat info {};
    return ShortcutFileName(name, folder, fileName) && lstat(fileName.c_str(), &info) == 0;
}

bool RemoveShortcut(const std::string& name, int folder)
{
    std::string fileName;
    if (!ShortcutFileName(name, folder, fileName)) {
        return false;
    }
    return unlink(fileName.c_str()) == 0 || errno == ENOENT;
}

std::int32_t ReadShortcut(const std::string& name, int folder, void*, std::string& target,
                          std::string& arguments, std::string& description)
{
    std::string fileName;
    if (!ShortcutFileName(name, folder, fileName)) {
        return kShortcutFolderMissing;
    }
    std::string text;
    const std::int32_t result = ReadFile(fileName, text);
    if (result != 0) {
        return result;
    }
    DesktopEntry entry;
    if (!ParseDesktopEntry(text, entry)) {
        return -EINVAL;
    }
    target = entry.target;
    arguments = entry.arguments;
    description = entry.description;
    return 0;
}

bool ShellShortcut::Create(const std::string& target, const std::string& name,
                           const std::string& workingDirectory, int folder, const std::string& description,
                           const std::string& iconPath, std::int32_t)
{
    std::string fileName;
    if (!ShortcutFileName(name, folder, fileName)) {
        return false;
    }
    DesktopEntry entry;
    entry.name = name;
    entry.target = target == kOwnProgramTarget ? OwnProgramPath() : target;
    entry.arguments = arguments_;
    entry.workingDirectory = workingDirectory;
    entry.description = description;
    entry.icon = iconPath;
    return ReplaceFile(fileName, FormatDesktopEntry(entry));
}
