// Windows only: a library that exists just to be looked for by the library search test.
extern "C" __declspec(dllexport) int DllSearchProbe()
{
    return 1;
}
