// Windows only: an update while the product's program runs. Windows neither replaces nor
// removes the file of a running program but lets it be renamed, so the switch sets it
// aside in the state folder and a later run removes it once the program has ended.
#include "FaultServerRun.h"
#include "support/ProgramRun.h"
#include "update/LocalPlacement.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kOldTime = 1000000000;
constexpr std::uint32_t kNewTime = 1100000000;

// A program started from a file, ended and waited for when the object goes.
class RunningProgram {
public:
    explicit RunningProgram(const fs::path& program)
    {
        std::string commandLine = std::string("\"").append(program.string()).append("\"");
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        if (CreateProcessA(program.string().c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           nullptr, &startup, &info_))
            CloseHandle(info_.hThread);
        else
            info_.hProcess = nullptr;
    }
    ~RunningProgram() { end(); }
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    bool running() const { return info_.hProcess != nullptr; }

    void end()
    {
        if (!running())
            return;
        TerminateProcess(info_.hProcess, 0);
        WaitForSingleObject(info_.hProcess, 10000);
        CloseHandle(info_.hProcess);
        info_.hProcess = nullptr;
    }

private:
    PROCESS_INFORMATION info_{};
};

std::vector<fs::path> SetAside(const fs::path& main)
{
    std::vector<fs::path> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(main / ".brenhold" / "aside", error))
        files.push_back(entry.path());
    return files;
}

TEST_F(FaultServerRun, AProgramInUseIsSetAsideAndRemovedByALaterRun)
{
    const fs::path program = localFile("./Corvid.exe");
    fs::create_directories(program.parent_path());
    ASSERT_TRUE(fs::copy_file(SiblingProgram("update_busy_program.exe"), program));
    ASSERT_TRUE(stampFile(program.string().c_str(), kOldTime));
    const std::string oldBytes = ReadFileBytes(program);
    RunningProgram running(program);
    ASSERT_TRUE(running.running());

    const std::string newBytes = "MZ die neue Fassung";
    serveListing({{"./Corvid.exe", kNewTime, newBytes.size()}, {"./Daten/neu.txt", kNewTime, 3}});
    serveFile("./Corvid.exe", OkReply(newBytes));
    serveFile("./Daten/neu.txt", OkReply("neu"));
    const auto update = newRun();
    update->bringUpToDate();
    EXPECT_EQ(update->outcome(), Updater::Outcome::Done);
    EXPECT_EQ(ReadFileBytes(program), newBytes);
    EXPECT_EQ(StampOf(program), kNewTime);
    EXPECT_EQ(ReadFileBytes(localFile("./Daten/neu.txt")), "neu");
    EXPECT_FALSE(fs::exists(mainDirectory() / ".brenhold" / "journal"));
    const std::vector<fs::path> aside = SetAside(mainDirectory());
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_TRUE(ReadFileBytes(aside[0]) == oldBytes);

    // While the old program still runs, its file cannot go yet.
    newRun()->bringUpToDate();
    EXPECT_EQ(SetAside(mainDirectory()).size(), 1u);

    running.end();
    newRun()->bringUpToDate();
    EXPECT_EQ(SetAside(mainDirectory()), std::vector<fs::path>{});
    EXPECT_EQ(ReadFileBytes(program), newBytes);
}

} // namespace
