#pragma once
// One column description of the server's listing.

#include <array>
#include <cstdint>
#include <string>

struct FileTreeColumn {
    // Lent to every value at this column's position as its display type.
    std::int32_t typeCode = 0;
    std::int32_t firstNumber = 0;
    std::int32_t secondNumber = 0;
    // The texts in the order they are kept; the listing carries the first text before
    // the second.
    std::string secondText;
    std::string firstText;
    std::string thirdText;
    std::string fourthText;
    // Three numbers the listing does not carry, set when a column is made; nothing reads
    // them.
    std::array<std::int32_t, 3> localNumbers{80, -1, 0};
};
