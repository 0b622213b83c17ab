// The update run against jobgate under Apache without ap_trust_cgilike_cl, so that Apache
// answers every command chunked: the listing, whole files and a continued one.
#include "FaultServerRun.h"
#include "JobgateSites.h"
#include "net/CommandClient.h"
#include "support/ScopedEnvironment_posix.h"
#include "support/SignedRepository.h"
#include "text/Field.h"

#include <gtest/gtest.h>

#include <string>

namespace {

namespace fs = std::filesystem;

TEST(ApacheChunkedRun, InstallsFromChunkedAnswersAndContinuesWithAChunkedRange)
{
    if (!JobgateSite::available(SiteKind::ApacheFastCgi))
        GTEST_SKIP() << "Apache is not installed";
    TempDir base;
    // The run enters its main directory, which goes with base.
    CurrentDirectoryGuard directory;
    const std::string big = NumberedBytes(3 * 1024 * 1024 + 17);
    PutFile(base.path() / "repo" / "Corvid" / "Daten" / "gross.bin", big, 1100000000);
    PutFile(base.path() / "repo" / "Corvid" / "klein.txt", "klein", 1100000000);
    ASSERT_TRUE(SignProduct((base.path() / "repo").string(), "Corvid"));
    const JobgateSite site({SiteKind::ApacheFastCgi, false, false}, (base.path() / "repo").string());
    ASSERT_TRUE(site.running()) << site.errorLog();
    ScopedEnvironment environment;
    environment.set("BRENHOLD_UPDATE_SERVER", site.hostPort());

    CommandClient continued(16);
    WriteField(continued.commandStream, "Corvid");
    WriteField(continued.commandStream, "./Daten/gross.bin");
    continued.range = "bytes=1000000-";
    const std::string rest = continued.postCommand();
    EXPECT_EQ(continued.statusCode(), 206);
    EXPECT_NE(continued.header().find("Transfer-Encoding: chunked"), std::string::npos) << continued.header();
    EXPECT_TRUE(rest == big.substr(1000000));

    RecordingUpdater run;
    run.productName.SetText("Corvid");
    run.mainDirectory.SetText((base.path() / "Corvid").string());
    run.bringUpToDate();
    EXPECT_EQ(run.outcome(), Updater::Outcome::Done) << site.errorLog();
    EXPECT_TRUE(ReadFileBytes(base.path() / "Corvid" / "Daten" / "gross.bin") == big);
    EXPECT_EQ(ReadFileBytes(base.path() / "Corvid" / "klein.txt"), "klein");
}

} // namespace
