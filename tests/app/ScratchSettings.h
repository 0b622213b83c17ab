#pragma once
// A settings store of its own for one test: a maker key no one else uses, removed with
// everything below it before and after the test. On POSIX the settings live in a fresh
// temporary XDG_CONFIG_HOME.

#include "app/SettingsStore.h"

#include <string>

class ScratchSettings {
public:
    static constexpr char kProfile[] = "Brenhold";

    ScratchSettings();
    ScratchSettings(const ScratchSettings&) = delete;
    ScratchSettings& operator=(const ScratchSettings&) = delete;
    ~ScratchSettings();

    SettingsStore& store() { return store_; }
    const std::string& maker() const { return maker_; }

private:
    std::string maker_;
    std::string configHome_;      // POSIX: the temporary XDG_CONFIG_HOME
    std::string savedConfigHome_; // POSIX: the variable's value before, if it had one
    bool hadConfigHome_ = false;
    SettingsStore store_;
};
