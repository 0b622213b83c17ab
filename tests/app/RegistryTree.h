#pragma once
// Windows only: registry set-up and checks for tests, below HKEY_CURRENT_USER.

#include <string>

// Deletes the key at path with everything below it; true when it is gone.
bool DeleteUserKeyTree(const std::string& path);

bool UserKeyExists(const std::string& path);

// Stores a value of any type with the given bytes.
bool SetUserValue(const std::string& path, const std::string& name, unsigned long type,
                  const std::string& bytes);

// The names of the key's values, as the registry spells them.
std::string UserValueNames(const std::string& path);
