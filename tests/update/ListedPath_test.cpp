#include "update/ListedPath.h"
#include "update/PathKey.h"

#include "RecordingUpdater.h"
#include "ShortName.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <string>

namespace {

using namespace std::string_literals;

// Paths a listing may hold that must never be written: each would leave the main
// directory, or name something other than a plain file inside it, on one platform or the
// other.
const std::string kRefused[] = {
    // absolute
    "/etc/passwd",
    "//server/share/file",
    "/",
    // parent and current segments
    "..",
    "../outside.txt",
    "./../outside.txt",
    "a/../../outside.txt",
    "a/..",
    "./a/./b",
    ".",
    "./.",
    "././a",
    // empty segments
    "",
    "./",
    "a//b",
    "a/",
    ".//a",
    // backslashes
    "..\\outside.txt",
    "a\\b",
    "\\Windows\\win.ini",
    // drive letters and colons
    "C:/Windows/win.ini",
    "C:outside.txt",
    "./c:evil",
    "a/b:stream",
    "file.txt::$DATA",
    // zero byte and control characters
    "./a\0b"s,
    "./a\nb",
    "./a\tb",
    "./a\x1F"
    "b",
    "./a\x7F"
    "b",
    // device names, with or without extension, in any case and any segment
    "CON",
    "./NUL",
    "./COM1",
    "./LPT9",
    "./con.txt",
    "./Aux.tar.gz",
    "./prn",
    "Hilfe/nul.dat",
    "./com\xB9", // COM with a superscript one
    "./CONIN$",
    "./NUL .txt",
    // trailing dot or blank
    "./datei.",
    "./datei ",
    "./Ordner./a",
    "./Ordner /a",
    "./...",
    // the client's own state folder, in any case
    "./.brenhold/installed",
    ".brenhold/staging/Corvid.exe",
    "./.BrenHold",
    "./.BRENHOLD/journal",
    // and by the short name Windows gives it
    "./BRENHO~1/installed",
    "brenho~2",
};

const std::string kAccepted[] = {
    "./a",
    "a",
    "a/b",
    "./Hilfe/\xDC"
    "ber.txt", // "Über.txt" in Windows-1252
    "./Corvid.exe",
    "./.versteckt",
    "./a..b",
    "./COM10",
    "./CONSOLE",
    "./LPT",
    "./auxiliary.txt",
    "./Neue Datei.txt",
    "./a/b/c/d/e.bin",
    "./.brenhold-alt/a",
    "./Daten/.brenhold/a",
    "./BRENHO~",
    "./Daten/BRENHO~1",
};

std::string Printable(const std::string& path)
{
    std::string out;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return "\"" + out + "\"";
}

TEST(ListedPath, RefusesEveryPathThatCouldLeaveOrMisnameTheMainDirectory)
{
    for (const std::string& path : kRefused)
        EXPECT_NE(UnsafeListedPathReason(path), "") << Printable(path) << " was accepted";
}

TEST(ListedPath, AcceptsPlainRelativePaths)
{
    for (const std::string& path : kAccepted)
        EXPECT_EQ(UnsafeListedPathReason(path), "") << Printable(path);
}

TEST(ListedPath, ReasonsNameTheRule)
{
    EXPECT_EQ(UnsafeListedPathReason("a\\b"), "backslash");
    EXPECT_EQ(UnsafeListedPathReason("C:x"), "colon");
    EXPECT_EQ(UnsafeListedPathReason("./con.txt"), "device name");
    EXPECT_EQ(UnsafeListedPathReason("./a\nb"), "control character");
    EXPECT_EQ(UnsafeListedPathReason("./datei."), "segment ends in a dot or blank");
    EXPECT_EQ(UnsafeListedPathReason("a//b"), "empty path segment");
}

TEST(PathKey, OneKeyPerFileWithoutDotSlashAndWhereCaseIsIgnoredWithoutCase)
{
    const struct {
        const char* path;
        const char* key;       // where names are told apart by case
        const char* foldedKey; // where they are not
    } cases[] = {
        {"./a.txt", "a.txt", "A.TXT"},
        {"a.txt", "a.txt", "A.TXT"},
        {"./Daten/\xE4rger.TXT", "Daten/\xE4rger.TXT", "DATEN/\xC4RGER.TXT"}, // a with umlaut to A
        {"./\xFF\x9A\xF7\xDF", "\xFF\x9A\xF7\xDF", "\x9F\x8A\xF7\xDF"}, // y and s with marks; division sign and sharp s stay
        {"././a", "./a", "./A"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PathKeyFolding(c.path, false), c.key) << c.path;
        EXPECT_EQ(PathKeyFolding(c.path, true), c.foldedKey) << c.path;
        EXPECT_EQ(PathKey(c.path), kPathsIgnoreCase ? c.foldedKey : c.key);
    }
}

// A segment that the file system takes as the short name of an existing entry with another
// long name would reach that entry under a name no check has seen (on Windows only).
TEST(ListedPath, RefusesShortNamesOfExistingEntries)
{
    TempDir base;
    CurrentDirectoryGuard directory;
    std::filesystem::current_path(base.path());
    std::filesystem::create_directories(".brenhold");
    std::filesystem::create_directories("Langer Ordnername/Unterordner");
    EXPECT_EQ(ShortNameReason("./Langer Ordnername/a.txt"), "");
    EXPECT_EQ(ShortNameReason("./Kein~1/a.txt"), "");
    const std::string shortState = ShortNameOf(".brenhold");
    const std::string shortFolder = ShortNameOf("Langer Ordnername");
    if (shortState.empty()) {
        EXPECT_EQ(shortFolder, "");
        GTEST_SKIP() << "this platform gives no short names";
    }
    SCOPED_TRACE(shortState + " " + shortFolder);
    EXPECT_NE(ShortNameReason("./" + shortState + "/installed"), "");
    EXPECT_NE(ShortNameReason("./" + shortFolder + "/Unterordner"), "");
    EXPECT_NE(ShortNameReason(shortFolder + "/neu.txt"), "");
}

} // namespace
