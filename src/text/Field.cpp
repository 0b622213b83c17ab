#include "text/Field.h"

#include <array>

std::ostream& WriteField(std::ostream& out, const std::string& s)
{
    return out << s.c_str() << kFieldTerminator;
}

std::istream& ReadField(std::istream& in, std::string& s)
{
    std::array<char, kFieldReadLimit + 2> buffer{};
    in.getline(buffer.data(), kFieldReadLimit + 1, kFieldTerminator);
    s.assign(buffer.data());
    return in;
}
