// POSIX side of update/PathKey.h: file names are told apart by case.
#include "update/PathKey.h"

const bool kPathsIgnoreCase = false;
