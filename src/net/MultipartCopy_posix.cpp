// POSIX side of MultipartCopy.h: no copy is kept, since a fixed path at the file-system
// root has no counterpart here.
#include "net/MultipartCopy.h"

void KeepMultipartCopy(const std::string&) {}
