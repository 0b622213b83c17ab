#include "TempDir.h"
#include "update/FileStatus.h"
#include "update/LocalPlacement.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

// Owns the handles of a started process.
class Process {
public:
    explicit Process(const PROCESS_INFORMATION& info) : info_(info) {}
    ~Process()
    {
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // The exit code, or -1 when the process did not end within a minute.
    long wait() const
    {
        DWORD code = 0;
        if (WaitForSingleObject(info_.hProcess, 60000) != WAIT_OBJECT_0 ||
            !GetExitCodeProcess(info_.hProcess, &code)) {
            TerminateProcess(info_.hProcess, 99);
            return -1;
        }
        return static_cast<long>(code);
    }

private:
    PROCESS_INFORMATION info_;
};

std::string ProbePath()
{
    char own[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, own, MAX_PATH);
    std::string path = own;
    return path.substr(0, path.rfind('\\') + 1) + "file_status_probe.exe";
}

// Runs the probe as a process of its own; its exit code, or -1.
long Probe(const std::string& file, std::uint32_t expected)
{
    const std::string probe = ProbePath();
    std::string commandLine = "\"" + probe + "\" \"" + file + "\" " + std::to_string(expected);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(probe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        return -1;
    }
    return Process(info).wait();
}

TEST(FileStatusAcrossProcesses, StampIsSeenByAnotherProcess)
{
    TempDir scratch;
    const std::string file = scratch / "Corvid.exe";
    std::ofstream(file) << "program";
    ASSERT_EQ(Probe(file, 1234567890u), 1) << "the file must not carry the stamp before";

    for (const std::uint32_t stamp : {1234567890u, 3000000000u}) {
        SCOPED_TRACE(stamp);
        ASSERT_TRUE(stampFile(file.c_str(), stamp));
        EXPECT_EQ(QueryFileStatus(file.c_str()).creationTime, stamp);
        EXPECT_EQ(Probe(file, stamp), 0);
    }
    EXPECT_EQ(Probe(scratch / "missing.exe", 0), 2);
}

} // namespace
