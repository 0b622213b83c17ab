// What a start finds of a replacement of the client's copy that a cut left, on both
// platforms: a checked ready file is put in place (the old copy kept as the previous one,
// also when the copy's name was free already), a part file goes.
#include "RecordingUpdater.h"
#include "TempDir.h"
#include "update/ClientCopy.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

struct LeftOver {
    const char* name;
    const char* copy; // nullptr: none, here and below
    const char* previous;
    const char* ready;
    const char* part;
    const char* copyAfter;
    const char* previousAfter;
};

const LeftOver kLeftOvers[] = {
    {"ReadyBesideTheCopy", "Client A", "Client 0", "Client B", nullptr, "Client B", "Client A"},
    {"ReadyWhereTheCopyWasRenamedAside", nullptr, "Client A", "Client B", nullptr, "Client B", "Client A"},
    {"APartFileOnly", "Client A", nullptr, nullptr, "Client B, halb", "Client A", nullptr},
};

class ClientCopyRecovery : public ::testing::TestWithParam<LeftOver> {};

TEST_P(ClientCopyRecovery, LeavesAWholeCopyAndNothingElse)
{
    TempDir main;
    CurrentDirectoryGuard directory;
    fs::create_directories(main.path() / ".brenhold");
    fs::current_path(main.path());
    const LeftOver& left = GetParam();
    for (const auto& [bytes, path] :
         {std::pair{left.copy, std::string(ClientCopyPath())},
          std::pair{left.previous, std::string(PreviousClientCopyPath())},
          std::pair{left.ready, ClientCopyReadyPath()}, std::pair{left.part, ClientCopyPartPath()}}) {
        if (bytes != nullptr) {
            ASSERT_TRUE(WriteFileBytes(path, bytes));
        }
    }
    RecoverClientCopy();
    EXPECT_EQ(ReadFileBytes(ClientCopyPath()), left.copyAfter);
    EXPECT_EQ(fs::exists(PreviousClientCopyPath()), left.previousAfter != nullptr);
    if (left.previousAfter != nullptr) {
        EXPECT_EQ(ReadFileBytes(PreviousClientCopyPath()), left.previousAfter);
    }
    EXPECT_FALSE(fs::exists(ClientCopyReadyPath()));
    EXPECT_FALSE(fs::exists(ClientCopyPartPath()));
}

INSTANTIATE_TEST_SUITE_P(Cut, ClientCopyRecovery, ::testing::ValuesIn(kLeftOvers),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
