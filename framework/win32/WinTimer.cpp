// The timer component: it ticks through a hidden window of its own.
#include "framework/win32/WinComponents.h"

namespace {

class TWinTimer : public TTimer {
public:
    ~TWinTimer() override
    {
        if (m_hwnd)
            DestroyWindow(m_hwnd);
    }
    void SetEnabled(bool enabled) override
    {
        TTimer::SetEnabled(enabled);
        if (enabled && !m_hwnd)
            CreateTimerWindow();
        if (!m_hwnd)
            return;
        ::KillTimer(m_hwnd, 1);
        if (enabled && Interval > 0)
            ::SetTimer(m_hwnd, 1, Interval, nullptr);
    }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        if (msg == WM_TIMER) {
            auto* self = reinterpret_cast<TWinTimer*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
            if (self && self->Enabled() && self->OnTimer)
                Application->Guard([self] { self->OnTimer(self); });
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    void CreateTimerWindow()
    {
        // A hidden window of the timer's own: its ticks never reach the form.
        m_hwnd = CreateHiddenWindow("TPelmTimerWindow", Proc, 0);
        if (m_hwnd)
            SetWindowLongPtrA(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    HWND m_hwnd = nullptr;
};

} // namespace

std::unique_ptr<TComponent> CreateWinTimer()
{
    return std::make_unique<TWinTimer>();
}
