#include "install/TerminalQuestion.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

TEST(TerminalQuestion, AsksUntilAnsweredAndTakesTheEndOfInputForNo)
{
    struct Case {
        std::string input;
        bool yes;
        int questions;
    };
    const Case cases[] = {
        {"j\n", true, 1},      {"Ja\n", true, 1}, {"  n \n", false, 1},       {"nein\n", false, 1},
        {"x\n\nj\n", true, 3}, {"", false, 1},    {"vielleicht\n", false, 2},
    };
    for (const Case& c : cases) {
        std::istringstream in(c.input);
        std::ostringstream out;
        EXPECT_EQ(AskYesNo(in, out, "Soll Corvid vollständig entfernt werden?"), c.yes) << c.input;
        const std::string question = "Soll Corvid vollst\xC3\xA4ndig entfernt werden? [j/n]: ";
        int asked = 0;
        for (std::size_t at = out.str().find(question); at != std::string::npos;
             at = out.str().find(question, at + 1))
            ++asked;
        EXPECT_EQ(asked, c.questions) << c.input;
    }
}

} // namespace
