// A listing whose paths try to leave the main directory: the run checks and counts every
// row, but writes only the plain ones, and nothing outside the main directory.
#include "FaultServerRun.h"

#include "update/LocalPath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kTime = 1100000000;
const std::string kBytes = "PWNED";

class HostileListing : public FaultServerRun {
protected:
    // base/Eltern/Haupt is the main directory; its sibling and its parent hold files the
    // run must not touch.
    HostileListing() : parent_(base_.path() / "Eltern"), sibling_(parent_ / "Nachbar")
    {
        main_ = parent_ / "Haupt";
    }

    std::vector<std::string> hostilePaths() const
    {
        return {
            // absolute, into the sibling
            (sibling_ / "absolut1").generic_string(),
            (sibling_ / "absolut2").string(),
            std::string("/").append((sibling_ / "absolut3").relative_path().generic_string()),
            // parent segments
            "../Nachbar/eltern1",
            "./../Nachbar/eltern2",
            "./../eltern3",
            "a/../../Nachbar/eltern4",
            "./a/b/../../../eltern5",
            "..",
            "./..",
            // backslashes, which Windows takes as separators
            "..\\Nachbar\\rueck1",
            ".\\..\\rueck2",
            "a\\..\\..\\rueck3",
            "\\rueck4",
            // drive letters and colons
            "C:rueck5",
            "C:/rueck6",
            "./datei.txt:strom",
            // empty and current segments
            "",
            "./",
            "./a//b.txt",
            "./a/./b.txt",
            "././c.txt",
            "./ordner/",
            // control characters
            "./zeile\nbruch.txt",
            "./steuer\x01zeichen.txt",
            "./tab\tzeichen.txt",
            // device names
            "CON",
            "./NUL",
            "./COM1",
            "./LPT9",
            "./con.txt",
            "./Aux.tar.gz",
            "./unter/PRN.log",
            // trailing dot or blank
            "./punkt.",
            "./leer ",
            "./ordner./x.txt",
            "./ordner /x.txt",
        };
    }

    const std::vector<std::string> safePaths_ = {"./gut.txt", "./Hilfe/\xDC"
                                                              "ber.txt"};
    fs::path parent_;
    fs::path sibling_;
};

TEST_F(HostileListing, WritesNothingOutsideTheMainDirectory)
{
    ASSERT_TRUE(WriteFileBytes(sibling_ / "geheim.txt", "geheim"));
    ASSERT_TRUE(WriteFileBytes(sibling_ / "unter" / "tief.txt", "tief"));
    ASSERT_TRUE(WriteFileBytes(parent_ / "eltern.txt", "eltern"));
    fs::create_directories(mainDirectory());

    const std::vector<std::string> hostile = hostilePaths();
    ASSERT_GE(hostile.size(), 30u);
    std::vector<ListedFile> rows;
    for (std::size_t i = 0; i < hostile.size(); ++i) {
        rows.push_back({hostile[i], kTime, kBytes.size()});
        if (i % 10 == 0)
            rows.push_back({safePaths_[(i / 10) % 2], kTime, kBytes.size()});
    }
    const std::string listing = ListingOf("Corvid", rows);
    ASSERT_NE(listing, "");
    serveListingText(listing);
    // Any file request at all is answered, so a path that slipped through would be written.
    server_.setReply(OkReply(kBytes));

    const std::string siblingBefore = FolderState(sibling_);
    const std::string parentBefore = FolderState(parent_, mainDirectory());
    ::testing::internal::CaptureStderr();
    const auto run = newRun();
    run->bringUpToDate();
    const std::string diagnostics = ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(FolderState(sibling_), siblingBefore);
    EXPECT_EQ(FolderState(parent_, mainDirectory()), parentBefore);

    // Only the plain paths were asked for and written.
    std::vector<std::string> requested = requestedFiles();
    std::sort(requested.begin(), requested.end());
    std::vector<std::string> expected = safePaths_;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(requested, expected);
    for (const std::string& path : safePaths_)
        EXPECT_EQ(ReadFileBytes(localFile(path)), kBytes) << path;
    std::string state = FolderState(mainDirectory());
    // gut.txt, Hilfe, Hilfe/Über.txt, and the client's own folder with its record
    EXPECT_EQ(std::count(state.begin(), state.end(), '\n'), 5) << state;
    EXPECT_NE(state.find(".brenhold/installed file"), std::string::npos) << state;

    // Every row was checked and counted; every refused one named on standard error.
    const std::string total = std::string("/").append(std::to_string(rows.size())).append(": ");
    std::size_t checked = 0;
    for (const std::string& text : run->textsStartingWith("Pr\xFC"
                                                          "fe Datei "))
        checked += text.find(total) != std::string::npos ? 1 : 0;
    EXPECT_EQ(checked, rows.size());
    std::size_t refusals = 0;
    for (std::size_t at = 0; (at = diagnostics.find("Skipping listed file", at)) != std::string::npos; ++at)
        ++refusals;
    // Each safe path is listed twice: its second row is one file listed again.
    const std::size_t repeated = rows.size() - hostile.size() - safePaths_.size();
    EXPECT_EQ(refusals, hostile.size() + repeated) << diagnostics;
    // One line each, even for the paths with line breaks, and the note that the unsigned
    // listing was taken unchecked.
    EXPECT_EQ(static_cast<std::size_t>(std::count(diagnostics.begin(), diagnostics.end(), '\n')),
              hostile.size() + repeated + 1);
    EXPECT_NE(diagnostics.find("\"./zeile\\x0Abruch.txt\": control character"), std::string::npos);
}

} // namespace
