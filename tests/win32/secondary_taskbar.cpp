// A stand-in for the taskbar that Windows 8 and later show on each further
// monitor: a top-level window of the class given (by default
// "Shell_SecondaryTrayWnd"), titled "pelm-secondary", with a child control
// over its left half as the real one has its button strip.
//   secondary_taskbar.exe [CLASS [X Y]]
// Stays until it is closed or its process is stopped.
#include <windows.h>

#include <cstdlib>
#include <cstring>

static LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

int main(int argc, char** argv)
{
    const char* className = argc > 1 ? argv[1] : "Shell_SecondaryTrayWnd";
    const int x = argc > 3 ? std::atoi(argv[2]) : 200;
    const int y = argc > 3 ? std::atoi(argv[3]) : 300;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.lpszClassName = className;
    if (!RegisterClassA(&wc))
        return 1;
    HWND bar = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, className, "pelm-secondary",
                               WS_POPUP | WS_VISIBLE, x, y, 400, 40, nullptr, nullptr, wc.hInstance, nullptr);
    if (!bar)
        return 2;
    CreateWindowExA(0, "STATIC", "buttons", WS_CHILD | WS_VISIBLE, 0, 0, 200, 40, bar, nullptr, wc.hInstance,
                    nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
