#pragma once
// The run log on disk: one line per event, each opened by its UTC time stamp, appended to
// a file that is kept below a size limit by moving it to "<file>.1" (replacing an older
// one) before a line would take it beyond.

#include "os/OutputFile.h"
#include "update/RunLog.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

class RunLogFile : public RunLog {
public:
    static constexpr std::uint64_t kSizeLimit = 1024 * 1024;

    // path names the file in the local file system's notation; an empty path, or a file
    // that cannot be opened, makes a log that writes nothing.
    explicit RunLogFile(std::string path, std::uint64_t sizeLimit = kSizeLimit);

    // line is Windows-1252 like every text of the program; the file holds UTF-8. Control
    // characters are written as \xNN, so that every event stays one line.
    void write(const std::string& line) override;

    // The clock of the time stamps; tests put a fixed one in its place.
    std::function<std::time_t()> clock = [] { return std::time(nullptr); };

    const std::string& path() const { return path_; }

private:
    bool openFile(OutputFile::Mode mode);

    std::string path_;
    std::uint64_t sizeLimit_;
    OutputFile file_;
    std::uint64_t size_ = 0;
};

// The time as the log writes it: 2026-03-01T09:05:00Z.
std::string LogTimeStamp(std::time_t time);

// Where the product's run log lies: %LOCALAPPDATA%\Velmora\Brenhold\PRODUCT.log on Windows,
// ${XDG_STATE_HOME:-~/.local/state}/Velmora/PRODUCT.log elsewhere. The folders are made.
// Characters a file name cannot hold become "_". Empty when there is no such folder.
std::string RunLogPath(const std::string& product);

// The size of the file at path (local notation); 0 when it does not exist.
std::uint64_t LogFileSize(const std::string& path);

// A product name as a file name: "\ / : * ? " < > |" and control characters become "_".
std::string LogFileName(const std::string& product);
