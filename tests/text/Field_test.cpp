#include "text/Field.h"

#include <gtest/gtest.h>

#include <iomanip>
#include <sstream>

namespace {

std::string Written(const std::string& s)
{
    std::ostringstream out;
    WriteField(out, s);
    return out.str();
}

TEST(Field, WriteAppendsTerminatorAndStopsAtZeroByte)
{
    EXPECT_EQ(Written("P"), "P\x03");
    EXPECT_EQ(Written(""), "\x03");
    EXPECT_EQ(Written(std::string("ab\0cd", 5)), "ab\x03");
}

TEST(Field, WriteHonoursStreamWidth)
{
    std::ostringstream out;
    out << std::setw(4) << std::setfill('_');
    WriteField(out, "ab");
    EXPECT_EQ(out.str(), "__ab\x03");
}

TEST(Field, RoundTripsUpToTheReadLimit)
{
    for (std::size_t length : {std::size_t{0}, std::size_t{1}, std::size_t{1021}, kFieldReadLimit}) {
        SCOPED_TRACE(length);
        std::string text(length, 'x');
        if (length > 0)
            text.front() = '\xE4';
        std::stringstream stream;
        WriteField(WriteField(stream, text), "second");

        std::string first, second;
        ReadField(ReadField(stream, first), second);
        EXPECT_EQ(first, text);
        EXPECT_EQ(second, "second");
        EXPECT_TRUE(stream.good());
    }
}

TEST(Field, OverlongFieldYieldsItsBeginningAndFails)
{
    std::istringstream in(std::string(kFieldReadLimit + 1, 'y') + "\x03next\x03");
    std::string field;
    ReadField(in, field);
    EXPECT_EQ(field, std::string(kFieldReadLimit, 'y'));
    EXPECT_TRUE(in.fail());

    // Once failed, every further read is empty and the stream stays failed.
    ReadField(in, field);
    EXPECT_EQ(field, "");
    EXPECT_TRUE(in.fail());
}

TEST(Field, StreamStatesAtEndOfInput)
{
    std::istringstream in("rest");
    std::string field = "old";
    ReadField(in, field);
    EXPECT_EQ(field, "rest");
    EXPECT_TRUE(in.eof());
    EXPECT_FALSE(in.fail());

    ReadField(in, field);
    EXPECT_EQ(field, "");
    EXPECT_TRUE(in.fail());
}

TEST(Field, EmptyFieldIsValid)
{
    std::istringstream in("\x03\x03x\x03");
    std::string a = "?", b = "?", c;
    ReadField(ReadField(ReadField(in, a), b), c);
    EXPECT_EQ(a, "");
    EXPECT_EQ(b, "");
    EXPECT_EQ(c, "x");
    EXPECT_TRUE(in.good());
}

TEST(Field, EmptyInputFails)
{
    std::istringstream in("");
    std::string field = "old";
    ReadField(in, field);
    EXPECT_EQ(field, "");
    EXPECT_TRUE(in.fail());
}

} // namespace
