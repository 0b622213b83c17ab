#pragma once
// Sets or removes environment variables for one test and restores them afterwards.

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ~ScopedEnvironment()
    {
        for (const auto& [name, value] : saved_) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    void set(const std::string& name, const std::string& value)
    {
        save(name);
        setenv(name.c_str(), value.c_str(), 1);
    }
    void remove(const std::string& name)
    {
        save(name);
        unsetenv(name.c_str());
    }

private:
    void save(const std::string& name)
    {
        if (saved_.count(name) == 0) {
            const char* value = std::getenv(name.c_str());
            saved_[name] = value ? std::optional<std::string>(value) : std::nullopt;
        }
    }

    std::map<std::string, std::optional<std::string>> saved_;
};
