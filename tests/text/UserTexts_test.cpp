#include "text/UserTexts.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Literals are stored as Windows-1252 bytes: one byte per umlaut, none of UTF-8's.
TEST(UserTexts, AreWindows1252)
{
    EXPECT_EQ(std::string(texts::kChooseDirectory), "Bitte w\xE4hlen Sie ein Installationsverzeichnis");
    EXPECT_EQ(std::string(texts::kCheckFileFormat), "Pr\xFC"
                                                    "fe Datei %d/%d: %s");
    EXPECT_EQ(static_cast<unsigned char>(texts::kMakerNotice[0]), 0xA9u);
}

} // namespace
