// Windows side of the demo product: a window saying that Corvid runs.
//
// It leaves the file corvid-ran.txt in its working folder, so that a test can prove it
// was started, and closes itself after a few seconds unless someone clicks or types in
// it; with CORVID_EXIT_AFTER_MS set it always closes after that many milliseconds.

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr char kWindowClass[] = "CorvidDemoWindow";
constexpr char kTitle[] = "Corvid";
constexpr char kRunning[] = "Corvid läuft.";
constexpr char kTraceFile[] = "corvid-ran.txt";
constexpr UINT_PTR kCloseTimer = 1;
constexpr UINT kDefaultCloseMs = 5000;

bool gCloseOnInteraction = true;

void LeaveTrace()
{
    if (FILE* trace = std::fopen(kTraceFile, "wb")) {
        std::fprintf(trace, "Corvid ran\n");
        std::fclose(trace);
    }
}

void Paint(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT area;
    GetClientRect(window, &area);
    SetBkMode(dc, TRANSPARENT);
    DrawTextA(dc, kRunning, -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    EndPaint(window, &paint);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        Paint(window);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_KEYDOWN:
        // Someone is looking at it: it stays until closed.
        if (gCloseOnInteraction)
            KillTimer(window, kCloseTimer);
        break;
    case WM_TIMER:
        if (wParam == kCloseTimer)
            DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    LeaveTrace();

    UINT closeMs = kDefaultCloseMs;
    if (const char* fixed = std::getenv("CORVID_EXIT_AFTER_MS")) {
        closeMs = static_cast<UINT>(std::strtoul(fixed, nullptr, 10));
        gCloseOnInteraction = false;
    }

    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kWindowClass;
    if (RegisterClassA(&windowClass) == 0)
        return 1;
    HWND window = CreateWindowA(kWindowClass, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 360,
                                140, nullptr, nullptr, instance, nullptr);
    if (window == nullptr)
        return 1;
    ShowWindow(window, show);
    UpdateWindow(window);
    SetTimer(window, kCloseTimer, closeMs, nullptr);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
