#pragma once
// Character classes of the "C" locale, independent of the process locale and of the
// signedness of char (Windows-1252 bytes above 0x7F are never digits or blanks).

inline bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Blank, tab, line feed, vertical tab, form feed, carriage return.
inline bool IsCSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}
