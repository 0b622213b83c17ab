// The checksums noted for installed files are read back only as written: a cut line, a
// line out of its layout or a file of another layout says nothing, and an entry stands
// only while the file keeps the time and size noted with it.
#include "support/TempDir.h"
#include "update/InstalledHashes.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kSha(64, 'a');
const FileStatus kNoted{true, false, 1300000000, 45};

TEST(InstalledHashes, AreReadBackOnlyAsWritten)
{
    TempDir folder;
    InstalledHashes written;
    written.note("./Hilfe/Über Corvid.txt", kNoted, kSha);
    ASSERT_TRUE(written.save(folder / "hashes"));
    EXPECT_EQ(InstalledHashes::Load(folder / "hashes").find("./Hilfe/Über Corvid.txt", kNoted), kSha);

    const std::string line = "1300000000 45 " + kSha + " ./a.txt";
    const struct {
        const char* what;
        std::string text;
        FileStatus status;
        std::string found;
    } cases[] = {
        {"as written", "brenhold-hashes 1\n" + line + "\n", kNoted, kSha},
        {"another time", "brenhold-hashes 1\n" + line + "\n", {true, false, 1300000001, 45}, ""},
        {"another size", "brenhold-hashes 1\n" + line + "\n", {true, false, 1300000000, 46}, ""},
        {"a cut last line", "brenhold-hashes 1\n" + line, kNoted, ""},
        {"another layout", "brenhold-hashes 2\n" + line + "\n", kNoted, ""},
        {"a short checksum", "brenhold-hashes 1\n1300000000 45 " + kSha.substr(1) + " ./a.txt\n", kNoted, ""},
        {"a sign in the time", "brenhold-hashes 1\n-1300000000 45 " + kSha + " ./a.txt\n", kNoted, ""},
        {"no path", "brenhold-hashes 1\n1300000000 45 " + kSha + " \n", kNoted, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteFileBytes(folder.path() / "hashes", c.text));
        EXPECT_EQ(InstalledHashes::Load(folder / "hashes").find("./a.txt", c.status), c.found);
    }
}

} // namespace
