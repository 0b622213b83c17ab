// The Linux client as a program: started with a product and its program file, it brings
// the installation up to the update server's state and starts the product in its place.
#include "ChildProcess.h"
#include "LighttpdServer.h"
#include "SignedRepository.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>

namespace {

namespace fs = std::filesystem;

// UTF-8, as the client writes to the terminal (this file's literals are Windows-1252).
const std::string kReadingListing = "Lese Verzeichnisstruktur, bitte warten!";
const std::string kCheckUtf8 = "Pr\xC3\xBC"
                               "fe Datei ";
const std::string kUberUtf8 = "\xC3\x9C"
                              "ber.txt";

// The product's program: a script that leaves a trace file in its working directory.
const std::string kLauncher = "#!/bin/sh\necho \"gestartet als $0\" > corvid-ran.txt\n";

class BrenholdClient : public ::testing::Test {
protected:
    BrenholdClient() : main_(base_.path() / "Programme" / "Corvid")
    {
        WriteFileBytes(product() / "start.sh", kLauncher);
        WriteFileBytes(product() / "Hilfe" / kUberUtf8, "Hilfe");
        WriteFileBytes(base_.path() / "config" / "Velmora" / "Brenhold.ini",
                       "[MainDirPath]\nCorvid=" + main_.string() + "\n");
        fs::create_directories(base_.path() / "home");
        EXPECT_TRUE(SignProduct((base_.path() / "repo").string(), "Corvid"));
        server_ = std::make_unique<LighttpdServer>((base_.path() / "repo").string());
    }

    fs::path product() const { return base_.path() / "repo" / "Corvid"; }

    ProcessResult runClient(const std::vector<std::string>& arguments)
    {
        std::vector<std::string> argv = {BRENHOLD_CLIENT_BIN};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return RunProcess(argv,
                          {{"XDG_CONFIG_HOME", (base_.path() / "config").string()},
                           {"XDG_DATA_HOME", ""},
                           {"HOME", (base_.path() / "home").string()},
                           {"BRENHOLD_UPDATE_SERVER", server_->hostPort()}},
                          "", std::chrono::seconds(60));
    }

    TempDir base_;
    fs::path main_;
    std::unique_ptr<LighttpdServer> server_;
};

TEST_F(BrenholdClient, InstallsAndStartsTheProductInItsMainDirectory)
{
    ASSERT_TRUE(server_->running());
    const ProcessResult result = runClient({"Corvid", "./start.sh"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ReadFileBytes(main_ / "corvid-ran.txt"), "gestartet als ./start.sh\n") << result.out;
    EXPECT_EQ(ReadFileBytes(main_ / "Hilfe" / kUberUtf8), "Hilfe");

    // Not a terminal: one line per status text, in UTF-8.
    EXPECT_EQ(result.out.rfind(kReadingListing + "\n", 0), 0u) << result.out;
    EXPECT_NE(result.out.find(kCheckUtf8 + "1/2: ./Hilfe/" + kUberUtf8 + "\n"), std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("Download der Datei 1/2: ./Hilfe/" + kUberUtf8 + "\n"), std::string::npos);
    EXPECT_NE(result.out.find(kCheckUtf8 + "2/2: ./start.sh\n"), std::string::npos);
    EXPECT_TRUE(result.out.ends_with("Starte Corvid\n")) << result.out;
}

TEST_F(BrenholdClient, WithoutAProgramPathItUpdatesAndEndsWithoutStarting)
{
    ASSERT_TRUE(server_->running());
    const ProcessResult result = runClient({"Corvid"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out.find("Starte"), std::string::npos) << result.out;
    EXPECT_TRUE(fs::exists(main_ / "start.sh"));
    EXPECT_FALSE(fs::exists(main_ / "corvid-ran.txt"));
}

TEST_F(BrenholdClient, AnUnreachableServerStillStartsTheInstalledProduct)
{
    ASSERT_TRUE(server_->running());
    ASSERT_EQ(runClient({"Corvid"}).exitCode, 0);
    server_->stop();
    const ProcessResult result = runClient({"Corvid", "./start.sh"});
    // The product starts, and the exit code still tells that the update did not happen.
    EXPECT_EQ(result.exitCode, 4) << result.err;
    EXPECT_EQ(result.out, kReadingListing + "\nStarte Corvid\n");
    EXPECT_TRUE(fs::exists(main_ / "corvid-ran.txt"));
}

} // namespace
