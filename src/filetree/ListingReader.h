#pragma once
// Reads the fields of a listing text one after the other, each up to its own length
// limit, the way a text stream's get-line reads them: a field that is too long, or a read
// at the end of the text, puts the reader into its failed state, and from then on every
// field reads as empty text (number 0).

#include "text/Field.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class ListingReader {
public:
    explicit ListingReader(std::string_view text) : text_(text) {}

    // The bytes up to the terminator, which is consumed; the whole rest when the text ends
    // first. With limit bytes stored and no terminator next, the reader fails and the
    // field keeps those bytes. The text is cut at a zero byte, as a C string would be.
    std::string field(std::size_t limit, char terminator = kFieldTerminator);

    // A field read as the C library's strtol (with a 32-bit long) reads base 10: blanks
    // skipped, an optional sign, digits up to the first other byte, no digits giving 0,
    // values beyond the range giving its nearest end.
    std::int32_t signedNumber(std::size_t limit);

    // A field read as strtoul with a 32-bit long: a minus sign negates modulo 2^32, values
    // beyond 4294967295 give 4294967295.
    std::uint32_t unsignedNumber(std::size_t limit);

    bool failed() const { return failed_; }

private:
    // field without the copy: a view into the text, for the numbers.
    std::string_view next(std::size_t limit, char terminator);

    std::string_view text_;
    std::size_t position_ = 0;
    bool failed_ = false;
};
