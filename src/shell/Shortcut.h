#pragma once
// Shortcut files in the user's special folders (see SpecialFolder.h): whether one exists,
// what an existing one points to, the creation of a new one and the removal of one.

#include <cstdint>
#include <string>

// Result of ReadShortcut when the special folder was not found. Success is 0; failures
// are negative (the shell's error code on Windows, a negated errno value elsewhere).
inline constexpr std::int32_t kShortcutFolderMissing = 1;

// The target that stands for the running program's own executable (compared exactly).
inline constexpr char kOwnProgramTarget[] = "_this";

// True when the folder holds a shortcut file of that name.
bool ShortcutExists(const std::string& name, int folder);

// Reads the shortcut of that name: its target (with long names where the file system
// has them), its arguments and its description. ownerWindow is the window that would own
// any shell dialog (none is shown), or nullptr. Outputs not reached keep their values.
std::int32_t ReadShortcut(const std::string& name, int folder, void* ownerWindow, std::string& target,
                          std::string& arguments, std::string& description);

// Removes the shortcut file of that name from the folder; true when it is gone (or was
// never there), false when it stays or the folder is unknown.
bool RemoveShortcut(const std::string& name, int folder);

// One shortcut to be written: arguments set beforehand, then Create.
class ShellShortcut {
public:
    ShellShortcut() = default;
    virtual ~ShellShortcut() = default;

    // The command-line arguments the next Create writes into the shortcut.
    void SetArguments(const std::string& arguments) { arguments_ = arguments; }

    // Writes the shortcut of that name into the folder, replacing one that exists. The
    // working directory, the arguments and the icon are written only when not empty.
    // True when the file was saved.
    bool Create(const std::string& target, const std::string& name, const std::string& workingDirectory,
                int folder, const std::string& description, const std::string& iconPath,
                std::int32_t iconIndex);

private:
    std::string arguments_;
};
