// Windows only: a program that keeps running for a minute, so that a test can update a
// product whose program is in use. It ends by itself in case the test does not end it.
// With a path, it also keeps that file open for writing (sharing reading, writing and
// deleting, as editors and logging products do) and says "held" on standard error once it
// does (standard output reaches a test only when the program ends).
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc > 1) {
        const HANDLE file = CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return 1;
        std::fputs("held\n", stderr);
        std::fflush(stderr);
    }
    Sleep(60000);
    return 0;
}
