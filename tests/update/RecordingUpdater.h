#pragma once
// An update run for tests: it records every status text and progress call, and the
// process's current directory, which the run changes, is restored afterwards.

#include "update/RunLog.h"
#include "update/Updater.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

class RecordingUpdater : public Updater {
public:
    void setStatusText(std::string text) override { statusTexts.push_back(std::move(text)); }
    void setProgressRange(int low, int high) override
    {
        progress.push_back("range " + std::to_string(low) + " " + std::to_string(high));
    }
    void setProgressPos(int pos) override { progress.push_back("pos " + std::to_string(pos)); }

    // The status texts that began with prefix, in order.
    std::vector<std::string> textsStartingWith(const std::string& prefix) const
    {
        std::vector<std::string> found;
        for (const std::string& text : statusTexts) {
            if (text.compare(0, prefix.size(), prefix) == 0)
                found.push_back(text);
        }
        return found;
    }

    std::vector<std::string> statusTexts;
    std::vector<std::string> progress; // "range low high" and "pos n", in order
};

// The run's log lines, kept in memory.
class LinesLog final : public RunLog {
public:
    void write(const std::string& line) override { lines.push_back(line); }
    // How many lines hold text.
    int count(const std::string& text) const
    {
        return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.find(text) != std::string::npos;
        }));
    }
    std::vector<std::string> lines;
};

// Keeps the current directory and makes it current again when the object goes.
class CurrentDirectoryGuard {
public:
    CurrentDirectoryGuard() : saved_(std::filesystem::current_path()) {}
    ~CurrentDirectoryGuard()
    {
        std::error_code error;
        std::filesystem::current_path(saved_, error);
    }
    CurrentDirectoryGuard(const CurrentDirectoryGuard&) = delete;
    CurrentDirectoryGuard& operator=(const CurrentDirectoryGuard&) = delete;

private:
    std::filesystem::path saved_;
};
