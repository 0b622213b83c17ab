// POSIX side of SettingsStore.h: one settings file per profile, replaced atomically.
#include "app/SettingsStore.h"

#include "app/IniText.h"
#include "os/UserFolders.h"
#include "text/Codepage.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace {

// Owns one open file descriptor.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }

    int get() const { return fd_; }
    bool isOpen() const { return fd_ >= 0; }

    // Closes the descriptor and reports whether the close succeeded (a failed close can
    // mean the data never reached the disk).
    bool close() { return ::close(std::exchange(fd_, -1)) == 0; }

private:
    int fd_;
};

// Removes a temporary file when it was not renamed into place.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile()
    {
        if (!path_.empty())
            ::unlink(path_.c_str());
    }

    void keep() { path_.clear(); }

private:
    std::string path_;
};

void Complain(const char* what, const std::string& path)
{
    std::fprintf(stderr, "settings: cannot %s %s: %s\n", what, path.c_str(), std::strerror(errno));
    std::fflush(stderr);
}

std::string SettingsPath(const std::string& maker, const std::string& profile)
{
    const std::string home = XdgBaseFolder("XDG_CONFIG_HOME", "/.config");
    if (home.empty()) {
        std::fprintf(stderr, "settings: no home directory and no XDG_CONFIG_HOME for the settings file\n");
        std::fflush(stderr);
        return {};
    }
    return home + "/" + Utf8FromCp1252(maker) + "/" + Utf8FromCp1252(profile) + ".ini";
}

// The file's text; empty when it does not exist. False when it exists but cannot be read.
bool ReadWholeFile(const std::string& path, std::string& text)
{
    text.clear();
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.isOpen()) {
        if (errno == ENOENT)
            return true;
        Complain("open", path);
        return false;
    }
    char block[4096];
    for (;;) {
        const ssize_t n = ::read(file.get(), block, sizeof block);
        if (n == 0)
            return true;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            Complain("read", path);
            return false;
        }
        text.append(block, static_cast<std::size_t>(n));
    }
}

bool WriteAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Replaces the file by a complete new one: the text goes into a temporary file in the
// same directory, which is then renamed over the old file, so a crash or a full disk
// leaves either the old or the new settings, never a mixture.
bool ReplaceFile(const std::string& path, const std::string& text)
{
    const std::size_t slash = path.rfind('/');
    const std::string directory = path.substr(0, slash);
    if (!MakePrivateFolders(directory)) {
        Complain("create the directory", directory);
        return false;
    }
    std::string temporaryPath = directory + "/." + path.substr(slash + 1) + ".XXXXXX";
    FileDescriptor file(::mkstemp(temporaryPath.data()));
    if (!file.isOpen()) {
        Complain("create a temporary file in", directory);
        return false;
    }
    TemporaryFile temporary(temporaryPath);
    if (!WriteAll(file.get(), text) || ::fsync(file.get()) != 0 || !file.close()) {
        Complain("write", temporaryPath);
        return false;
    }
    if (::rename(temporaryPath.c_str(), path.c_str()) != 0) {
        Complain("rename the new settings to", path);
        return false;
    }
    temporary.keep();
    // Make the rename itself durable; the settings are in place whether or not this works.
    FileDescriptor folder(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.isOpen())
        ::fsync(folder.get());
    return true;
}

// A name for a one-line diagnostic: UTF-8, control characters written as \xNN.
std::string Printable(const std::string& name)
{
    std::string out;
    for (char c : Utf8FromCp1252(name)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02X", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    return out;
}

bool NamesUsable(const std::string& section, const std::string& entry)
{
    for (const std::string* name : {&section, &entry}) {
        const std::string problem = IniNameProblem(*name);
        if (!problem.empty()) {
            std::fprintf(stderr, "settings: the name \"%s\" cannot be used in the settings file: %s\n",
                         Printable(*name).c_str(), problem.c_str());
            std::fflush(stderr);
            return false;
        }
    }
    return true;
}

} // namespace

std::string SettingsStore::readString(const std::string& section, const std::string& entry,
                                      const std::string& defaultText) const
{
    if (!NamesUsable(section, entry))
        return defaultText;
    const std::string path = SettingsPath(makerKey_, profileName_);
    std::string fileText;
    if (path.empty() || !ReadWholeFile(path, fileText))
        return defaultText;
    return FindIniEntry(fileText, section, entry).value_or(defaultText);
}

bool SettingsStore::writeString(const std::string& section, const std::string& entry, const std::string& text)
{
    if (!NamesUsable(section, entry))
        return false;
    const std::string problem = IniTextProblem(text);
    if (!problem.empty()) {
        std::fprintf(stderr, "settings: the text for \"%s\" cannot be stored in the settings file: %s\n",
                     Printable(entry).c_str(), problem.c_str());
        std::fflush(stderr);
        return false;
    }
    const std::string path = SettingsPath(makerKey_, profileName_);
    std::string fileText;
    if (path.empty() || !ReadWholeFile(path, fileText))
        return false;
    return ReplaceFile(path, SetIniEntry(fileText, section, entry, text));
}

bool SettingsStore::removeEntry(const std::string& section, const std::string& entry)
{
    if (!NamesUsable(section, entry))
        return false;
    const std::string path = SettingsPath(makerKey_, profileName_);
    std::string fileText;
    if (path.empty() || !ReadWholeFile(path, fileText))
        return false;
    const std::string changed = RemoveIniEntry(fileText, section, entry);
    return changed == fileText || ReplaceFile(path, changed);
}
