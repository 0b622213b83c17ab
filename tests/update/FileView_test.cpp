// The view of an installed file a patch starts from: exactly the file's bytes, nothing for
// what is not a readable file, and no hold on the file once closed. On Windows a file that
// another handle may write is not viewed, so that nobody changes it under the patch.
#include "os/FileView.h"

#include "TempDir.h"
#include "os/OutputFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>

namespace {

void WriteWhole(const std::string& path, const std::string& bytes)
{
    OutputFile file;
    ASSERT_TRUE(file.open(path, OutputFile::Mode::Truncate));
    ASSERT_TRUE(file.write(bytes.data(), bytes.size()));
    ASSERT_TRUE(file.close());
}

TEST(FileView, ViewsExactlyTheFileOrNothing)
{
    TempDir dir;
    std::string large(3 * 1024 * 1024 + 17, '\0');
    for (std::size_t i = 0; i < large.size(); ++i)
        large[i] = static_cast<char>(i * 7 + i / 4096);
    WriteWhole(dir / "large.bin", large);
    WriteWhole(dir / "empty.bin", "");
    std::filesystem::create_directory(dir.path() / "folder");
    const struct {
        const char* name;
        bool viewed;
        std::string bytes;
    } cases[] = {
        {"large.bin", true, large},
        {"empty.bin", true, ""},
        {"missing.bin", false, ""},
        {"folder", false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FileView view;
        ASSERT_EQ(view.open(dir / c.name), c.viewed);
        EXPECT_EQ(std::string_view(view.data(), view.size()), c.bytes);
    }
}

TEST(FileView, HoldsTheFileOnlyWhileItViewsIt)
{
    TempDir dir;
    const std::string path = dir / "installed.bin";
    WriteWhole(path, "old bytes");
    FileView view;
    ASSERT_TRUE(view.open(path));
    // Viewing again replaces the first view; closing lets go of the file, so that the switch
    // can replace it.
    ASSERT_TRUE(view.open(path));
    view.close();
    WriteWhole(path, "new");
    std::filesystem::remove(path);
    EXPECT_FALSE(std::filesystem::exists(path));

    OutputFile writer;
    ASSERT_TRUE(writer.open(path, OutputFile::Mode::Truncate));
#ifdef _WIN32
    EXPECT_FALSE(view.open(path)) << "a file another handle may write is viewed";
#else
    EXPECT_TRUE(view.open(path));
#endif
    view.close();
    EXPECT_TRUE(writer.close());
}

} // namespace
