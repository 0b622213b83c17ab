#include "app/RunLogFile.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr std::time_t kMarch2026 = 1772355900; // 2026-03-01T09:05:00Z

RunLogFile FixedClockLog(const std::string& path, std::uint64_t limit = RunLogFile::kSizeLimit)
{
    RunLogFile log(path, limit);
    log.clock = [] { return kMarch2026; };
    return log;
}

TEST(RunLogFile, AppendsOneStampedUtf8LinePerEvent)
{
    TempDir dir;
    const std::string path = dir / "Corvid.log";
    ASSERT_TRUE(WriteFileBytes(path, "earlier run\n"));
    {
        RunLogFile log = FixedClockLog(path);
        log.write("downloaded \"./Hilfe/Über Corvid.txt\"");
        // A hostile listed path cannot forge a line of its own.
        log.write("skipped \"a\nb\r\x1b[2J\"");
    }
    EXPECT_EQ(ReadFileBytes(path), "earlier run\n"
                                   "2026-03-01T09:05:00Z downloaded \"./Hilfe/\xC3\x9C"
                                   "ber Corvid.txt\"\n"
                                   "2026-03-01T09:05:00Z skipped \"a\\x0Ab\\x0D\\x1B[2J\"\n");
}

TEST(RunLogFile, MovesAFullLogAsideBeforeALineWouldTakeItBeyondTheLimit)
{
    TempDir dir;
    const std::string path = dir / "Corvid.log";
    const std::string line = "2026-03-01T09:05:00Z event\n"; // 27 bytes
    // A log grown to just below the limit by earlier runs.
    const std::string earlier(RunLogFile::kSizeLimit - 10, 'x');
    ASSERT_TRUE(WriteFileBytes(path, earlier));
    ASSERT_TRUE(WriteFileBytes(path + ".1", "an older log\n"));
    {
        RunLogFile log = FixedClockLog(path);
        log.write("event");
    }
    EXPECT_EQ(ReadFileBytes(path + ".1"), earlier);
    EXPECT_EQ(ReadFileBytes(path), line);

    // Within one run: the line that fits stays, the next one starts a new file.
    TempDir small;
    const std::string smallPath = small / "Eule.log";
    {
        RunLogFile log = FixedClockLog(smallPath, 2 * line.size());
        log.write("event");
        log.write("event");
        log.write("event");
    }
    EXPECT_EQ(ReadFileBytes(smallPath + ".1"), line + line);
    EXPECT_EQ(ReadFileBytes(smallPath), line);
}

TEST(RunLogFile, ALogThatCannotBeOpenedWritesNothing)
{
    TempDir dir;
    RunLogFile log(dir / "missing-folder/Corvid.log");
    log.write("event");
    RunLogFile none("");
    none.write("event");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing-folder"));
}

TEST(RunLogFile, NamesTimesAndFilesAsTheLogNeedsThem)
{
    EXPECT_EQ(LogTimeStamp(0), "1970-01-01T00:00:00Z");
    EXPECT_EQ(LogTimeStamp(kMarch2026), "2026-03-01T09:05:00Z");
    EXPECT_EQ(LogFileName("Corvid"), "Corvid.log");
    EXPECT_EQ(LogFileName("a/b\\c:d*e?f\"g<h>i|j\x01"), "a_b_c_d_e_f_g_h_i_j_.log");
    EXPECT_EQ(LogFileName("Müller"), "Müller.log");
}

} // namespace
