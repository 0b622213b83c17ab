#include "TempDir.h"
#include "support/ProgramRun.h"
#include "update/FileStatus.h"
#include "update/LocalPlacement.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

// Runs the probe as a process of its own; its exit code, or -1.
long Probe(const std::string& file, std::uint32_t expected)
{
    return RunProgram(SiblingProgram("file_status_probe.exe"), {file, std::to_string(expected)});
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
