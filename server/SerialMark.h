#pragma once
// The highest serial the signing tool ever signed for a product, kept beside its listing:
//   <root>/<product>.brenhold-serial   one decimal number and a line end
// A listing put back from a backup, or moved away, then cannot make the tool sign a serial
// that clients may have seen already.

#include <cstdint>
#include <string>

// The path of the mark of the product whose folder is root/productFolderName.
std::string SerialMarkPath(const std::string& root, const std::string& productFolderName);

struct StoredSerialMark {
    enum class State {
        Absent,     // no signing has left a mark
        Found,      // serial holds it
        Unreadable, // a file is there but holds no serial that can be read; reason says why
    };
    State state = State::Absent;
    std::uint64_t serial = 0;
    std::string reason;
};

// Reads the mark: a decimal number without sign or leading zeros that fits 64 bits, and a
// line end, nothing else.
StoredSerialMark ReadSerialMark(const std::string& root, const std::string& productFolderName);

// Replaces the mark by serial at once, flushed to disk; false, with a line on standard error,
// when it cannot.
bool WriteSerialMark(const std::string& root, const std::string& productFolderName, std::uint64_t serial);
