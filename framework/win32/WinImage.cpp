// The picture component and its drag loop.
#include <map>

#include "framework/IconFile.h"
#include "framework/win32/WinComponents.h"

namespace {

// The pictures are icon files kept as data, so that the program's own icon
// is the only icon group Explorer can pick for the executable; the image of
// the wanted size becomes an icon here.
HICON LoadIconData(const char* name, int size)
{
    HRSRC res = FindResourceA(g_hInstance, name, MAKEINTRESOURCEA(10)); // RT_RCDATA
    HGLOBAL mem = res ? LoadResource(g_hInstance, res) : nullptr;
    const auto* data = static_cast<const uint8_t*>(mem ? LockResource(mem) : nullptr);
    TIconImage image;
    if (!data || !FindIconImage(data, SizeofResource(g_hInstance, res), size, image))
        return nullptr;
    return CreateIconFromResourceEx(const_cast<PBYTE>(data + image.Offset), static_cast<DWORD>(image.Size), TRUE,
                                    0x00030000, size, size, LR_DEFAULTCOLOR);
}

// A picture; a drag source when its description says so. The drag captures
// the mouse on a hidden window of its own (the picture itself is hidden while
// dragged) and follows the pointer over every window on the screen.
class TWinImage : public TWinCtl<TImage> {
public:
    explicit TWinImage(const TObjectDesc& d)
        // Clipped by its siblings: pictures may lie over one another.
        : TWinCtl("STATIC", SS_ICON | SS_REALSIZEIMAGE | SS_NOTIFY | WS_CLIPSIBLINGS, d),
          m_dragSource(d.Get("DragMode") == "dmAutomatic")
    {
    }
    ~TWinImage() override
    {
        if (m_icon)
            DestroyIcon(m_icon);
        for (auto& sized : m_sized)
            DestroyIcon(sized.second);
    }
    THandle IconHandle() override
    {
        if (!m_icon && !IconName.empty())
            m_icon = LoadIconData(IconName.c_str(), 32);
        return reinterpret_cast<THandle>(m_icon);
    }
    THandle IconOfSize(int size) override
    {
        if (size == 32)
            return IconHandle();
        // Every size asked for is kept: the icon the shell was given last
        // stays valid, and a DPI that changes back and forth loads each once.
        auto it = m_sized.find(size);
        if (it != m_sized.end())
            return reinterpret_cast<THandle>(it->second);
        HICON icon = IconName.empty() ? nullptr : LoadIconData(IconName.c_str(), size);
        if (icon)
            m_sized[size] = icon;
        return reinterpret_cast<THandle>(icon);
    }

protected:
    void Created() override
    {
        // A picture described later lies over the ones before it (the cross
        // hair over its empty frame), as pictures painted in order would. A
        // new child window goes below its siblings, so it is raised here.
        if (m_hwnd)
            SetWindowPos(m_hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        if (m_hwnd && IconHandle()) {
            SendMessageA(m_hwnd, STM_SETICON, reinterpret_cast<WPARAM>(m_icon), 0);
            // The static shrinks itself to the icon; the picture keeps the
            // box it was described with, the icon drawn at its top-left.
            SetWindowPos(m_hwnd, nullptr, 0, 0, Scaled(Width), Scaled(Height),
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        if (m_hwnd && m_dragSource) {
            SetWindowLongPtrA(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
            m_oldProc = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrA(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TWinImage::SubclassProc)));
        }
    }

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<TWinImage*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK) {
            // The drag starts on the press, without waiting for a move.
            POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            ClientToScreen(hwnd, &pt);
            self->RunDrag(pt);
            return 0;
        }
        if (msg == WM_SETCURSOR && self->m_dragging && g_hNoDropCursor) {
            SetCursor(g_hNoDropCursor);
            return TRUE;
        }
        return CallWindowProcA(self->m_oldProc, hwnd, msg, wParam, lParam);
    }

    static LRESULT CALLBACK TrackerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        if (msg == WM_SETCURSOR && g_hNoDropCursor) {
            SetCursor(g_hNoDropCursor);
            return TRUE;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }

    static HWND Tracker()
    {
        static HWND tracker = nullptr;
        if (!tracker)
            tracker = CreateHiddenWindow("TPelmDragWindow", TrackerProc, WS_EX_TOOLWINDOW);
        return tracker;
    }

    void RunDrag(POINT last)
    {
        HWND tracker = Tracker();
        if (!tracker || m_dragging)
            return;
        m_dragging = true;
        if (OnStartDrag)
            Application->Guard([this] { OnStartDrag(this); });
        SetCapture(tracker);
        if (g_hNoDropCursor)
            SetCursor(g_hNoDropCursor);
        // Left or right release, Escape and loss of capture all end it alike.
        for (;;) {
            if (GetCapture() != tracker)
                break;
            MSG msg;
            BOOL got = GetMessageA(&msg, nullptr, 0, 0);
            if (got == 0 || got == -1) {
                PostQuitMessage(0);
                break;
            }
            if (msg.message == WM_MOUSEMOVE) {
                last = msg.pt;
                if (g_hNoDropCursor)
                    SetCursor(g_hNoDropCursor);
                continue;
            }
            if (msg.message == WM_LBUTTONUP || msg.message == WM_RBUTTONUP) {
                last = msg.pt;
                break;
            }
            if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE)
                break;
            if (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST)
                continue; // other buttons do nothing during the drag
            DropTimerCallback(msg);
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (GetCapture() == tracker)
            ReleaseCapture();
        m_dragging = false;

        // A drop on one of the program's own windows names that window's form
        // as the target and carries no point, as the drag machinery has it.
        TComponent* target = nullptr;
        int x = last.x, y = last.y;
        HWND under = WindowFromPoint(last);
        DWORD pid = 0;
        if (under)
            GetWindowThreadProcessId(under, &pid);
        if (under && pid == GetCurrentProcessId()) {
            target = Owner;
            x = y = 0;
        }
        if (OnEndDrag)
            Application->Guard([this, target, x, y] { OnEndDrag(this, target, x, y); });
    }

    HICON m_icon = nullptr;
    std::map<int, HICON> m_sized;
    bool m_dragSource;
    bool m_dragging = false;
    WNDPROC m_oldProc = nullptr;
};

} // namespace

std::unique_ptr<TComponent> CreateWinImage(const TObjectDesc& desc)
{
    return std::make_unique<TWinImage>(desc);
}
