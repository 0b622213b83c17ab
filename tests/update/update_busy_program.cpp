// Windows only: a program that keeps running for a minute, so that a test can update a
// product whose program is in use. It ends by itself in case the test does not end it.
#include <windows.h>

int main()
{
    Sleep(60000);
    return 0;
}
