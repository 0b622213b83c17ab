#pragma once
// Where the update run tells what it did, for support: one English line per event.

#include <string>

class RunLog {
public:
    virtual ~RunLog() = default;

    // Records one event; line holds no line break.
    virtual void write(const std::string& line) = 0;
};
