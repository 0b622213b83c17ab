#pragma once
// The lock that keeps two signings of one product from interleaving:
//   <root>/<product>.brenhold-lock   an empty file, locked with flock while a signing runs
// The lock goes with the process that holds it, so a signer that was killed leaves the file
// behind but never a lock that blocks the next signing.

#include "UniqueFd.h"

#include <string>

// Locks the product's lock file, making it when it is missing; the lock holds as long as the
// descriptor is open. An invalid descriptor, with a line on standard error naming the lock
// file, when another signing holds it or it cannot be made or locked.
UniqueFd LockSigning(const std::string& root, const std::string& productFolderName);
