// Windows side of update/PathKey.h: file names are compared without regard to case.
#include "update/PathKey.h"

const bool kPathsIgnoreCase = true;
