# Which Windows build this host can run under Wine. Source it; it defines:
#   runs_32bit_programs   true when the kernel executes 32-bit programs. Some hosts run 64-bit
#                         user code only: there Wine's 32-bit loader, and so Brenhold.exe as
#                         shipped, cannot start at all.
#   windows_preset        win32 where it can run, else win64: the same sources built as a
#                         64-bit program, which 64-bit Wine runs on such a host.
runs_32bit_programs() {
  /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

windows_preset() {
  if runs_32bit_programs; then echo win32; else echo win64; fi
}
