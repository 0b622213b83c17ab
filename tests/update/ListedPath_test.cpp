#include "update/ListedPath.h"

#include <gtest/gtest.h>

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

} // namespace
