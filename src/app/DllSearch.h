#pragma once
// Windows only: where the process may load libraries from.

// Restricts library loading to the system directory, so that a library planted beside
// the program (setup programs are often started from a downloads folder) or in the
// current directory is never loaded. Kernels that predate the restriction call get at
// least the current directory removed. Returns whether the full restriction took effect.
bool RestrictDllSearchToSystem();
