// The update run on a volume too small for what it needs: a tmpfs of 1 MiB mounted over
// the main directory (skipped where mounting is not permitted).
#include "FaultServerRun.h"

#include <gtest/gtest.h>

#include <sys/mount.h>

#include <cerrno>
#include <cstring>

namespace {

namespace fs = std::filesystem;

class SmallVolume : public FaultServerRun {
protected:
    void SetUp() override
    {
        fs::create_directories(mainDirectory());
        if (::mount("tmpfs", mainDirectory().c_str(), "tmpfs", 0, "size=1m") != 0)
            GTEST_SKIP() << "cannot mount a tmpfs: " << std::strerror(errno);
        mounted_ = true;
    }

    void TearDown() override
    {
        if (mounted_)
            ::umount2(mainDirectory().c_str(), MNT_DETACH);
    }

    bool mounted_ = false;
};

TEST_F(SmallVolume, NothingIsFetchedAndTheRunSaysHowMuchIsMissing)
{
    PutFile(localFile("./klein.txt"), "alt", 1000000000);
    serveListing({{"./gross.bin", 1100000000, 3u * 1024 * 1024}, {"./klein.txt", 1100000000, 3}});
    serveFile("./gross.bin", OkReply(std::string(3u * 1024 * 1024, 'g')));
    serveFile("./klein.txt", OkReply("neu"));

    const auto run = newRun();
    run->bringUpToDate();
    EXPECT_EQ(run->outcome(), Updater::Outcome::FilesFailed);
    EXPECT_EQ(requestedFiles(), std::vector<std::string>{});
    const auto texts = run->textsStartingWith("Nicht gen\xFCgend Speicherplatz: ");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NE(texts[0].find(" ben\xF6tigt, "), std::string::npos) << texts[0];
    EXPECT_EQ(texts[0].substr(texts[0].size() - 6), " frei.") << texts[0];
    EXPECT_EQ(ReadFileBytes(localFile("./klein.txt")), "alt");
    EXPECT_FALSE(fs::exists(mainDirectory() / ".brenhold" / "staging"));
}

} // namespace
