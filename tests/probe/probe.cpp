// A small Win32 console tool with which the shell tests look at and poke
// the windows of the program under test, from inside the same Wine prefix.
//
// Text goes out as UTF-8 and comes in as UTF-8 (through the wide command
// line), while every window call is the ANSI one: the program under test is
// an ANSI program, so its texts are compared the way it sees them.
// Exit status: 0 success, 1 "not there" or timeout (reason on stderr), 2
// usage, 3 a question this system cannot answer from another process.
//
// probe serve: the same commands read from stdin, one a line (arguments
// separated by tabs), each answered on one line "STATUS<TAB>OUT<TAB>ERR"
// with backslash, newline, carriage return and tab escaped; so a check
// costs a round trip, not a Wine start.

#include <windows.h>
#include <shellapi.h>
#include <psapi.h>
#include <tlhelp32.h>

#include "framework/HookMessage.h"
#include "wintext.h"

#include <fcntl.h>
#include <stdarg.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const int kUsage = 2;
const int kCannotAsk = 3;

// ---- text conversion -----------------------------------------------------

std::string utf8(const std::string& ansi) { return Narrow(Widen(ansi, CP_ACP), CP_UTF8); }
std::string utf8_of(const std::wstring& w) { return Narrow(w, CP_UTF8); }

// While serving, a command's output and errors are collected for its
// answer line; otherwise they go straight out (stdout is binary, so "\n"
// stays "\n").
std::string* g_out = nullptr;
std::string* g_err = nullptr;

void out(const std::string& s)
{
    if (g_out) g_out->append(s);
    else fwrite(s.data(), 1, s.size(), stdout);
}
void outln(const std::string& s) { out(s); out("\n"); if (!g_out) fflush(stdout); }

void verr(const char* head, const char* fmt, va_list ap, const char* tail)
{
    char buf[1024];
    vsnprintf(buf, sizeof buf, fmt, ap);
    const std::string text = std::string(head) + buf + tail;
    if (g_err) g_err->append(text);
    else fputs(text.c_str(), stderr);
}

void err(const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    verr("", fmt, ap, "");
    va_end(ap);
}

int fail(const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    verr("probe: ", fmt, ap, "\n");
    va_end(ap);
    return 1;
}

// ---- argument parsing ----------------------------------------------------

bool parse_ulong(const std::string& s, unsigned long* v, int base = 0)
{
    if (s.empty()) return false;
    char* end = NULL;
    *v = strtoul(s.c_str(), &end, base);
    return *end == '\0';
}

bool parse_long(const std::string& s, long* v)
{
    if (s.empty()) return false;
    char* end = NULL;
    // Base 0 with strtoul takes 0x... up to 0xFFFFFFFF; negative values via strtol.
    if (s[0] == '-') *v = strtol(s.c_str(), &end, 0);
    else *v = (long)strtoul(s.c_str(), &end, 0);
    return *end == '\0';
}

bool parse_hwnd(const std::string& s, HWND* h)
{
    unsigned long v;
    if (!parse_ulong(s, &v, 16)) return false;  // "0x1234" or "1234", both hex
    *h = (HWND)(ULONG_PTR)v;
    return true;
}

std::string hex(HWND h)
{
    char buf[32];
    snprintf(buf, sizeof buf, "0x%lx", (unsigned long)(ULONG_PTR)h);
    return buf;
}

struct MessageName { const char* name; UINT value; };
const MessageName kMessages[] = {
    {"WM_NULL", WM_NULL}, {"WM_DESTROY", WM_DESTROY}, {"WM_CLOSE", WM_CLOSE},
    {"WM_QUIT", WM_QUIT}, {"WM_QUERYENDSESSION", WM_QUERYENDSESSION},
    {"WM_ENDSESSION", WM_ENDSESSION}, {"WM_COMMAND", WM_COMMAND},
    {"WM_SYSCOMMAND", WM_SYSCOMMAND}, {"WM_TIMER", WM_TIMER},
    {"WM_MOUSEWHEEL", WM_MOUSEWHEEL}, {"WM_SETTEXT", WM_SETTEXT},
    {"WM_GETTEXT", WM_GETTEXT}, {"WM_GETTEXTLENGTH", WM_GETTEXTLENGTH},
    {"WM_KEYDOWN", WM_KEYDOWN}, {"WM_KEYUP", WM_KEYUP},
    {"WM_LBUTTONDOWN", WM_LBUTTONDOWN}, {"WM_LBUTTONUP", WM_LBUTTONUP},
    {"WM_RBUTTONDOWN", WM_RBUTTONDOWN}, {"WM_RBUTTONUP", WM_RBUTTONUP},
    {"WM_LBUTTONDBLCLK", WM_LBUTTONDBLCLK}, {"WM_MOUSEMOVE", WM_MOUSEMOVE},
    {"WM_CONTEXTMENU", WM_CONTEXTMENU}, {"BM_CLICK", BM_CLICK},
    {"WM_USER", WM_USER}, {"WM_APP", WM_APP},
    {"WM_HOOKWHEEL", WM_HOOKWHEEL}, // the program's own, as the hook library posts it
};

// A number, a name from the table, or NAME+N (WM_USER+5, WM_APP+0x10).
bool parse_message(const std::string& s, UINT* msg)
{
    long v;
    if (parse_long(s, &v)) { *msg = (UINT)v; return true; }
    std::string name = s, offset;
    size_t plus = s.find('+');
    if (plus != std::string::npos) { name = s.substr(0, plus); offset = s.substr(plus + 1); }
    for (const MessageName& m : kMessages) {
        if (_stricmp(m.name, name.c_str()) != 0) continue;
        long add = 0;
        if (!offset.empty() && !parse_long(offset, &add)) return false;
        *msg = m.value + (UINT)add;
        return true;
    }
    return false;
}

// ---- windows ---------------------------------------------------------------

std::string class_of(HWND h)
{
    char buf[256] = "";
    GetClassNameA(h, buf, sizeof buf);
    return buf;
}

// WM_GETTEXT through SendMessageTimeout: a hung target costs a bounded wait.
bool text_of(HWND h, std::string* text, UINT timeout_ms = 5000)
{
    DWORD_PTR len = 0;
    if (!SendMessageTimeoutA(h, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, timeout_ms, &len))
        return false;
    std::vector<char> buf(len + 64, '\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutA(h, WM_GETTEXT, (WPARAM)buf.size(), (LPARAM)&buf[0],
                             SMTO_ABORTIFHUNG, timeout_ms, &got))
        return false;
    text->assign(&buf[0], got < buf.size() ? got : strlen(&buf[0]));
    return true;
}

DWORD pid_of(HWND h)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    return pid;
}

// 32-bit callbacks are stdcall, which a lambda cannot be.
BOOL CALLBACK collect_window(HWND h, LPARAM p)
{
    reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
    return TRUE;
}

std::vector<HWND> top_level_windows()
{
    std::vector<HWND> all;
    EnumWindows(collect_window, (LPARAM)&all);
    return all;
}

std::vector<HWND> children_of(HWND parent)
{
    std::vector<HWND> all;
    EnumChildWindows(parent, collect_window, (LPARAM)&all);
    return all;
}

// The title as the window manager keeps it: no message is sent, so a hung
// window cannot stall a search.
std::string title_of(HWND h)
{
    int len = GetWindowTextLengthA(h);
    std::vector<char> buf(len + 64, '\0');
    int got = GetWindowTextA(h, &buf[0], (int)buf.size());
    return std::string(&buf[0], got > 0 ? got : 0);
}

// "-" matches anything; class names compare like Windows does (no case).
bool matches(HWND h, const std::string& cls, const std::string& title)
{
    if (cls != "-" && _stricmp(class_of(h).c_str(), cls.c_str()) != 0) return false;
    return title == "-" || title_of(h) == title;
}

std::string describe(HWND h)
{
    char head[96];
    snprintf(head, sizeof head, "%s visible=%d pid=%lu ", hex(h).c_str(),
             IsWindowVisible(h) ? 1 : 0, (unsigned long)pid_of(h));
    return std::string(head) + "class=" + utf8(class_of(h)) + " title=" + utf8(title_of(h));
}

template <class Pred>
HWND wait_for_window(DWORD timeout_ms, Pred pred)
{
    DWORD start = GetTickCount();
    for (;;) {
        for (HWND h : top_level_windows())
            if (pred(h)) return h;
        if (GetTickCount() - start >= timeout_ms) return NULL;
        Sleep(50);
    }
}

bool wait_gone(HWND h, DWORD timeout_ms)
{
    DWORD start = GetTickCount();
    while (IsWindow(h)) {
        if (GetTickCount() - start >= timeout_ms) return false;
        Sleep(50);
    }
    return true;
}

// ---- processes -------------------------------------------------------------

std::string base_name(const std::string& path)
{
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<DWORD> pids_of_exe(const std::string& exe)
{
    std::vector<DWORD> pids;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return pids;
    PROCESSENTRY32 pe;
    pe.dwSize = sizeof pe;
    std::string want = base_name(exe);
    for (BOOL ok = Process32First(snap, &pe); ok; ok = Process32Next(snap, &pe))
        if (_stricmp(base_name(pe.szExeFile).c_str(), want.c_str()) == 0)
            pids.push_back(pe.th32ProcessID);
    CloseHandle(snap);
    return pids;
}

bool contains(const std::vector<DWORD>& v, DWORD x)
{
    for (DWORD y : v)
        if (x == y) return true;
    return false;
}

// A decimal process id, or an executable name.
std::vector<DWORD> target_pids(const std::string& s)
{
    unsigned long v;
    if (parse_ulong(s, &v, 10)) return std::vector<DWORD>(1, (DWORD)v);
    return pids_of_exe(s);
}

// ---- subcommands -------------------------------------------------------------

typedef std::vector<std::string> Args;

int cmd_find(const Args& a)
{
    if (a.size() != 2) return kUsage;
    HWND h = FindWindowA(a[0] == "-" ? NULL : a[0].c_str(), a[1] == "-" ? NULL : a[1].c_str());
    if (!h) return fail("no window of class %s, title %s", a[0].c_str(), utf8(a[1]).c_str());
    outln(hex(h));
    return 0;
}

int cmd_wait_window(const Args& a)
{
    unsigned long ms;
    if (a.size() < 3 || a.size() > 4 || !parse_ulong(a[2], &ms)) return kUsage;
    bool visible = a.size() == 4;
    if (visible && a[3] != "--visible") return kUsage;
    HWND h = wait_for_window(ms, [&](HWND w) {
        return (!visible || IsWindowVisible(w)) && matches(w, a[0], a[1]);
    });
    if (!h) return fail("timed out after %lu ms waiting for class %s, title %s", ms,
                        a[0].c_str(), utf8(a[1]).c_str());
    outln(hex(h));
    return 0;
}

// "Label" stands for a static control that shows text, not a picture.
bool class_matches(HWND c, const std::string& cls)
{
    if (_stricmp(cls.c_str(), "Label") == 0)
        return _stricmp(class_of(c).c_str(), "Static") == 0 &&
               (GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) != SS_ICON;
    return _stricmp(class_of(c).c_str(), cls.c_str()) == 0;
}

HWND nth_child(HWND h, const std::string& cls, unsigned long index)
{
    unsigned long seen = 0;
    for (HWND c : children_of(h))
        if (class_matches(c, cls) && seen++ == index) return c;
    return NULL;
}

// "LEFT TOP RIGHT BOTTOM", screen coordinates.
void print_rect(const RECT& r)
{
    char buf[64];
    snprintf(buf, sizeof buf, "%ld %ld %ld %ld", (long)r.left, (long)r.top, (long)r.right, (long)r.bottom);
    outln(buf);
}

int cmd_child_text(const Args& a)
{
    HWND h;
    unsigned long index;
    if (a.size() != 3 || !parse_hwnd(a[0], &h) || !parse_ulong(a[2], &index)) return kUsage;
    HWND c = nth_child(h, a[1], index);
    std::string t;
    if (!c) return fail("%s has no child %s %lu", a[0].c_str(), a[1].c_str(), index);
    if (!text_of(c, &t)) return fail("WM_GETTEXT to %s timed out", hex(c).c_str());
    outln(utf8(t));
    return 0;
}

// "LEFT TOP RIGHT BOTTOM" of a child in screen coordinates.
int cmd_child_rect(const Args& a)
{
    HWND h;
    unsigned long index;
    if (a.size() != 3 || !parse_hwnd(a[0], &h) || !parse_ulong(a[2], &index)) return kUsage;
    HWND c = nth_child(h, a[1], index);
    RECT r;
    if (!c || !GetWindowRect(c, &r)) return fail("no child %s %lu of %s", a[1].c_str(), index, a[0].c_str());
    print_rect(r);
    return 0;
}

// The first list box child: "selected N" (-1 for none), then one item a line.
int cmd_listbox(const Args& a)
{
    HWND h;
    if (a.size() != 1 || !parse_hwnd(a[0], &h)) return kUsage;
    HWND list = nth_child(h, "ListBox", 0);
    if (!list) return fail("%s has no list box", a[0].c_str());
    DWORD_PTR count = 0, sel = 0;
    if (!SendMessageTimeoutA(list, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &count) ||
        !SendMessageTimeoutA(list, LB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 5000, &sel))
        return fail("the list box does not answer");
    char buf[32];
    snprintf(buf, sizeof buf, "selected %ld", (long)(LRESULT)sel);
    outln(buf);
    // The wide calls: Wine sizes a cross-process ANSI LB_GETTEXT reply by
    // characters, which cuts double-byte text (seen with Wine 8).
    for (DWORD_PTR i = 0; i < count; ++i) {
        DWORD_PTR len = 0;
        SendMessageTimeoutW(list, LB_GETTEXTLEN, i, 0, SMTO_ABORTIFHUNG, 5000, &len);
        std::wstring item(len + 1, L'\0');
        DWORD_PTR got = 0;
        SendMessageTimeoutW(list, LB_GETTEXT, i, (LPARAM)&item[0], SMTO_ABORTIFHUNG, 5000, &got);
        item.resize((LRESULT)got > 0 ? got : 0);
        int n = WideCharToMultiByte(CP_UTF8, 0, item.data(), (int)item.size(), NULL, 0, NULL, NULL);
        std::string out(n, '\0');
        WideCharToMultiByte(CP_UTF8, 0, item.data(), (int)item.size(), &out[0], n, NULL, NULL);
        outln(out);
    }
    return 0;
}

// Repaints a window and its children from an erased background, as a
// window uncovered would be.
int cmd_redraw(const Args& a)
{
    HWND h;
    if (a.size() != 1 || !parse_hwnd(a[0], &h)) return kUsage;
    return RedrawWindow(h, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME) ? 0 : 1;
}

// Shows a window that has no way to be shown from outside otherwise.
int cmd_show(const Args& a)
{
    HWND h;
    if (a.size() != 1 || !parse_hwnd(a[0], &h)) return kUsage;
    ShowWindow(h, SW_SHOWNORMAL);
    return IsWindowVisible(h) ? 0 : fail("%s is not visible", a[0].c_str());
}

// "topmost" or "not topmost", from the window's extended style.
int cmd_topmost(const Args& a)
{
    HWND h;
    if (a.size() != 1 || !parse_hwnd(a[0], &h)) return kUsage;
    if (!IsWindow(h)) return fail("no window %s", a[0].c_str());
    outln(GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_TOPMOST ? "topmost" : "not topmost");
    return 0;
}

// The foreground window: "HWND CLASS", or "none".
int cmd_foreground(const Args& a)
{
    if (!a.empty()) return kUsage;
    HWND h = GetForegroundWindow();
    outln(h ? hex(h) + " " + class_of(h) : std::string("none"));
    return 0;
}

// Loads a library by its path and keeps it until the probe ends: shows that
// a stand-in library does what it should when it is loaded.
int cmd_load(const Args& a)
{
    if (a.size() != 1) return kUsage;
    if (!LoadLibraryA(a[0].c_str())) return fail("%s did not load (%lu)", a[0].c_str(), GetLastError());
    outln("loaded");
    return 0;
}

// An access violation inside a window procedure called back by the system:
// what the rig must notice in a program's log, since Windows ends the
// process there and Wine goes on.
LRESULT CALLBACK faulting_proc(HWND h, UINT msg, WPARAM w, LPARAM l)
{
    if (msg == WM_USER) {
        volatile int* nowhere = nullptr;
        *nowhere = 1;
    }
    return DefWindowProcA(h, msg, w, l);
}

int cmd_fault_in_wndproc(const Args& a)
{
    if (!a.empty()) return kUsage;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = faulting_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "PelmProbeFault";
    RegisterClassA(&wc);
    HWND h = CreateWindowA("PelmProbeFault", "", 0, 0, 0, 1, 1, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    if (!h) return 1;
    SendMessageA(h, WM_USER, 0, 0);
    outln("survived");
    DestroyWindow(h);
    return 0;
}

// The top-level window at a screen point: "HWND CLASS".
int cmd_at(const Args& a)
{
    long x, y;
    if (a.size() != 2 || !parse_long(a[0], &x) || !parse_long(a[1], &y)) return kUsage;
    POINT p = {x, y};
    HWND w = WindowFromPoint(p);
    if (!w) return fail("no window at %ld,%ld", x, y);
    HWND root = GetAncestor(w, GA_ROOT);
    outln(hex(root) + " " + class_of(root));
    return 0;
}

bool parse_message_args(const Args& a, HWND* h, UINT* msg, WPARAM* wp, LPARAM* lp)
{
    long w, l;
    if (!parse_hwnd(a[0], h) || !parse_message(a[1], msg) || !parse_long(a[2], &w) ||
        !parse_long(a[3], &l))
        return false;
    *wp = (WPARAM)w;
    *lp = (LPARAM)l;
    return true;
}

// post HWND MSG WPARAM LPARAM [N]: the same message N times in a row, as a
// fast wheel queues its notifications.
int cmd_post(const Args& a)
{
    HWND h;
    UINT msg;
    WPARAM wp;
    LPARAM lp;
    unsigned long n = 1;
    if (a.size() == 5 && !parse_ulong(a[4], &n)) return kUsage;
    if ((a.size() != 4 && a.size() != 5) || !parse_message_args(Args(a.begin(), a.begin() + 4), &h, &msg, &wp, &lp))
        return kUsage;
    for (unsigned long i = 0; i < n; ++i)
        if (!PostMessageA(h, msg, wp, lp))
            return fail("PostMessage %lu to %s failed (error %lu)", i + 1, a[0].c_str(), GetLastError());
    return 0;
}

int cmd_send(const Args& a)
{
    HWND h;
    UINT msg;
    WPARAM wp;
    LPARAM lp;
    unsigned long ms = 5000;
    if (a.size() < 4 || a.size() > 5 || !parse_message_args(a, &h, &msg, &wp, &lp) ||
        (a.size() == 5 && !parse_ulong(a[4], &ms)))
        return kUsage;
    DWORD_PTR result = 0;
    SetLastError(0);
    if (!SendMessageTimeoutA(h, msg, wp, lp, SMTO_ABORTIFHUNG, ms, &result))
        return fail("SendMessage to %s: no answer within %lu ms (error %lu)", a[0].c_str(), ms,
                    GetLastError());
    char buf[32];
    snprintf(buf, sizeof buf, "%ld", (long)result);
    outln(buf);
    return 0;
}

int cmd_no_visible_windows(const Args& a)
{
    if (a.size() != 1) return kUsage;
    std::vector<DWORD> pids = target_pids(a[0]);
    // A process that is gone shows no windows either, but that is a crash,
    // not a closed window.
    if (pids.empty()) return fail("no process %s", a[0].c_str());
    int n = 0;
    for (HWND h : top_level_windows()) {
        if (!IsWindowVisible(h) || !contains(pids, pid_of(h))) continue;
        outln(describe(h));
        ++n;
    }
    return n ? fail("%d visible top-level window(s) of %s", n, a[0].c_str()) : 0;
}

HWND wait_menu(const Args& a)
{
    unsigned long ms;
    if (a.size() != 1 || !parse_ulong(a[0], &ms)) return NULL;
    HWND h = wait_for_window(ms, [](HWND w) { return IsWindowVisible(w) && class_of(w) == "#32768"; });
    if (!h) fail("no popup menu within %lu ms", ms);
    return h;
}

int cmd_menu(const Args& a)
{
    HWND h = wait_menu(a);
    if (!h) return 1;
    RECT r;
    GetWindowRect(h, &r);
    char buf[96];
    snprintf(buf, sizeof buf, "%s %ld %ld %ld %ld", hex(h).c_str(), (long)r.left, (long)r.top,
             (long)r.right, (long)r.bottom);
    outln(buf);
    return 0;
}

// hold event NAME MS: a named event exists for MS milliseconds (a name
// another program has taken); hold file PATH MS: the file is open with no
// sharing, so other processes can neither read nor write it (a file some
// other program holds). "ready" once it is held.
int cmd_hold(const Args& a)
{
    unsigned long ms;
    if (a.size() != 3 || (a[0] != "event" && a[0] != "file") || !parse_ulong(a[2], &ms)) return kUsage;
    HANDLE held = a[0] == "event" ? CreateEventA(NULL, TRUE, FALSE, a[1].c_str())
                                  : CreateFileA(a[1].c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING,
                                                FILE_ATTRIBUTE_NORMAL, NULL);
    if (!held || held == INVALID_HANDLE_VALUE)
        return fail("cannot hold %s (error %lu)", utf8(a[1]).c_str(), GetLastError());
    outln("ready");
    Sleep(ms);
    CloseHandle(held);
    return 0;
}

bool drain(HWND h, DWORD ms);

// Message round trips: N sends of MSG alternating wParam between A and B
// (so that a wheel handler steps down and up again), each timed.
// HWND MSG WPARAM_A WPARAM_B N [...]: the start both take.
bool parse_alternating(const Args& a, size_t count, HWND* h, UINT* msg, WPARAM w[2], unsigned long* n)
{
    long w0, w1;
    if (a.size() != count || !parse_hwnd(a[0], h) || !parse_message(a[1], msg) || !parse_long(a[2], &w0) ||
        !parse_long(a[3], &w1) || !parse_ulong(a[4], n) || *n == 0)
        return false;
    w[0] = (WPARAM)w0;
    w[1] = (WPARAM)w1;
    return true;
}


// Posts N messages alternating wParam between A and B, in bursts of BURST;
// after each burst waits until all are handled, so the queue holds at most
// one burst.
int cmd_flood(const Args& a)
{
    HWND h;
    UINT msg;
    WPARAM w[2];
    unsigned long n, burst;
    if (!parse_alternating(a, 6, &h, &msg, w, &n) || !parse_ulong(a[5], &burst) || burst == 0)
        return kUsage;
    for (unsigned long i = 0; i < n;) {
        for (unsigned long j = 0; j < burst && i < n; ++j, ++i)
            if (!PostMessageA(h, msg, w[i % 2], 0))
                return fail("PostMessage %lu failed (error %lu)", i + 1, GetLastError());
        if (!drain(h, 120000))
            return fail("messages not handled within 120 s after %lu", i);
    }
    return 0;
}

// Waits until every message posted to h so far has been handled: posts a
// wheel notification with a marker delta and waits for the program's Label1
// (the window's first text label) to show it. A sent message would not
// do: sent messages are handled before posted ones.
bool drain(HWND h, DWORD ms)
{
    static int marker = 1111;
    marker = marker == 1111 ? 2222 : 1111;
    HWND label = nth_child(h, "Label", 0);
    if (!label || !PostMessageA(h, WM_HOOKWHEEL, (WPARAM)marker << 16, 0)) return false;
    char want[16];
    snprintf(want, sizeof want, "%d", marker);
    DWORD start = GetTickCount();
    for (;;) {
        std::string t;
        if (text_of(label, &t) && t == want) return true;
        if (GetTickCount() - start > ms) return false;
        Sleep(20);
    }
}

// N messages MSG with random wParam and lParam (xorshift from SEED), posted,
// except WM_DRAWITEM: its lParam is a structure the system copies across
// processes, so it is sent with a random structure instead. Every 500
// messages, and after the last, all must have been handled within 60 s.
int cmd_fuzz(const Args& a)
{
    HWND h;
    UINT msg;
    unsigned long n, seed;
    if (a.size() != 4 || !parse_hwnd(a[0], &h) || !parse_message(a[1], &msg) || !parse_ulong(a[2], &n) ||
        !parse_ulong(a[3], &seed))
        return kUsage;
    unsigned long x = seed ? seed : 1;
    auto next = [&x]() {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        return (unsigned long)(x & 0xFFFFFFFFul);
    };
    for (unsigned long i = 0; i < n; ++i) {
        if (msg == WM_DRAWITEM) {
            DRAWITEMSTRUCT dis;
            unsigned long* words = (unsigned long*)&dis;
            for (size_t k = 0; k < sizeof dis / sizeof *words; ++k) words[k] = next();
            DWORD_PTR result = 0;
            SendMessageTimeoutA(h, msg, next(), (LPARAM)&dis, SMTO_ABORTIFHUNG, 10000, &result);
        } else if (!PostMessageA(h, msg, next(), next())) {
            return fail("PostMessage %lu failed (error %lu)", i + 1, GetLastError());
        }
        if (((i + 1) % 500 == 0 || i + 1 == n) && !drain(h, 60000))
            return fail("messages not handled within 60 s after %lu", i + 1);
    }
    return 0;
}

// Takes an icon out of the notification area as a restarting shell loses it.
int cmd_tray_delete(const Args& a)
{
    HWND h;
    unsigned long id;
    if (a.size() != 2 || !parse_hwnd(a[0], &h) || !parse_ulong(a[1], &id)) return kUsage;
    NOTIFYICONDATAA nid;
    memset(&nid, 0, sizeof nid);
    nid.cbSize = sizeof nid;
    nid.hWnd = h;
    nid.uID = id;
    return Shell_NotifyIconA(NIM_DELETE, &nid) ? 0 : fail("NIM_DELETE refused");
}

// Posts a registered message to every top-level window, as the shell does
// with "TaskbarCreated" when it starts.
int cmd_broadcast(const Args& a)
{
    if (a.size() != 1) return kUsage;
    UINT msg = RegisterWindowMessageA(a[0].c_str());
    if (!msg) return fail("cannot register %s", a[0].c_str());
    return PostMessageA(HWND_BROADCAST, msg, 0, 0) ? 0 : fail("broadcast failed (error %lu)", GetLastError());
}

int cmd_rect(const Args& a)
{
    HWND h;
    if (a.size() != 1 || !parse_hwnd(a[0], &h)) return kUsage;
    RECT r;
    if (!GetWindowRect(h, &r)) return fail("no window %s", a[0].c_str());
    print_rect(r);
    return 0;
}

int cmd_pids(const Args& a)
{
    if (a.size() != 1) return kUsage;
    std::vector<DWORD> pids = pids_of_exe(a[0]);
    for (DWORD p : pids) {
        char buf[16];
        snprintf(buf, sizeof buf, "%lu", (unsigned long)p);
        outln(buf);
    }
    return pids.empty() ? fail("no process %s", a[0].c_str()) : 0;
}


// ---- wide texts ------------------------------------------------------------
// The program's fixed texts reach the system as UTF-16 where the ANSI code
// page is not 932, so they are read back wide, and compared wide: the
// arguments of these commands are taken from the wide command line as they
// are, never through the ANSI code page.

std::vector<std::wstring> g_wargs; // the command's arguments, wide

// The text the window manager keeps: for a window of another process no
// message is sent, so an ANSI window procedure cannot narrow it on the way.
std::wstring wide_title_of(HWND h)
{
    int len = GetWindowTextLengthW(h);
    std::wstring buf(len + 64, L'\0');
    int got = GetWindowTextW(h, &buf[0], (int)buf.size());
    buf.resize(got > 0 ? got : 0);
    return buf;
}

// The text the window gives when asked with WM_GETTEXT, as the system does
// to paint its title bar: this one passes through the window's procedure.
bool wide_text_asked(HWND h, std::wstring* text)
{
    wchar_t buf[1024] = L"";
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(h, WM_GETTEXT, sizeof buf / sizeof buf[0], (LPARAM)buf, SMTO_ABORTIFHUNG, 10000, &got))
        return false;
    buf[sizeof buf / sizeof buf[0] - 1] = L'\0';
    *text = buf;
    return true;
}

// text HWND: what the ANSI WM_GETTEXT gives, as the program reads its own
// texts; --wide: the title the window manager keeps; --asked: WM_GETTEXT
// asked wide, as the system asks when it paints a title bar.
int cmd_text(const Args& a)
{
    HWND h;
    if (a.empty() || a.size() > 2 || !parse_hwnd(a[0], &h)) return kUsage;
    const std::string how = a.size() == 2 ? a[1] : "";
    if (!how.empty() && how != "--wide" && how != "--asked") return kUsage;
    if (!IsWindow(h)) return fail("%s is not a window", a[0].c_str());
    std::string ansi;
    std::wstring wide = wide_title_of(h);
    if (how.empty() ? !text_of(h, &ansi) : how == "--asked" && !wide_text_asked(h, &wide))
        return fail("%s did not answer WM_GETTEXT", a[0].c_str());
    outln(how.empty() ? utf8(ansi) : utf8_of(wide));
    return 0;
}

// One line a child: "CLASS<TAB>TEXT", in the order of the children.
int cmd_wchildren(const Args& a)
{
    HWND h;
    if (a.size() != 1 || !parse_hwnd(a[0], &h)) return kUsage;
    if (!IsWindow(h)) return fail("%s is not a window", a[0].c_str());
    for (HWND c : children_of(h)) {
        if (GetParent(c) != h) continue;
        outln(utf8(class_of(c)) + "\t" + utf8_of(wide_title_of(c)));
    }
    return 0;
}

// The items of the open popup menu, one a line, wide ("-" for a separator).
// Needs the menu's handle to be readable from this process.
int cmd_wmenu(const Args& a)
{
    HWND h = wait_menu(a);
    if (!h) return 1;
    DWORD_PTR menu = 0;
    const UINT kMnGetHMenu = 0x01E1;
    if (!SendMessageTimeoutW(h, kMnGetHMenu, 0, 0, SMTO_ABORTIFHUNG, 5000, &menu))
        return fail("the menu window %s does not answer", hex(h).c_str());
    if (!menu) {
        fail("the menu window %s does not give its menu to another process", hex(h).c_str());
        return kCannotAsk;
    }
    int n = GetMenuItemCount((HMENU)menu);
    if (n < 0) {
        fail("the menu %s cannot be read from here", hex((HWND)menu).c_str());
        return kCannotAsk;
    }
    for (int i = 0; i < n; ++i) {
        MENUITEMINFOW mi = {};
        mi.cbSize = sizeof mi;
        mi.fMask = MIIM_FTYPE;
        GetMenuItemInfoW((HMENU)menu, i, TRUE, &mi);
        if (mi.fType & MFT_SEPARATOR) { outln("-"); continue; }
        wchar_t buf[256] = L"";
        GetMenuStringW((HMENU)menu, i, buf, 256, MF_BYPOSITION);
        outln(utf8_of(buf));
    }
    return 0;
}

// msgbox CAPTION MS [--dismiss]: the text of the message box titled CAPTION,
// compared wide so that a caption of any code page is found. The text is
// the longest Static's: the icon is a Static without text, and Windows gives
// the text id 0xFFFF, Wine an id of its own. --dismiss then presses OK, or
// the default button where there is no OK (Yes, Retry, ...).
int cmd_msgbox(const Args& a)
{
    unsigned long ms;
    if (a.size() < 2 || a.size() > 3 || !parse_ulong(a[1], &ms)) return kUsage;
    bool dismiss = a.size() == 3;
    if (dismiss && a[2] != "--dismiss") return kUsage;
    const std::wstring caption = g_wargs[0];
    HWND box = wait_for_window(ms, [&](HWND w) {
        return IsWindowVisible(w) && class_of(w) == "#32770" && wide_title_of(w) == caption;
    });
    if (!box) return fail("no message box titled %s within %lu ms", utf8_of(caption).c_str(), ms);
    std::wstring text;
    for (HWND c : children_of(box)) {
        std::wstring t = wide_title_of(c);
        if (_stricmp(class_of(c).c_str(), "Static") == 0 && t.size() > text.size()) text = t;
    }
    outln(utf8_of(text));
    if (!dismiss) return 0;
    int id = IDOK;
    DWORD_PTR def = 0;
    if (!GetDlgItem(box, IDOK) && SendMessageTimeoutW(box, DM_GETDEFID, 0, 0, SMTO_ABORTIFHUNG, 2000, &def) &&
        HIWORD(def) == DC_HASDEFID)
        id = LOWORD(def);
    HWND button = GetDlgItem(box, id);
    if (button) PostMessageW(button, BM_CLICK, 0, 0);
    else PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    return wait_gone(box, ms < 5000 ? 5000 : ms) ? 0 : fail("message box %s did not close", hex(box).c_str());
}

// tooltip MS [PID|EXE]: the text of the first visible tooltip with text
// that belongs to the shell (its notification area's), or to the process
// named; asked wide, since the tooltip control is a Unicode window whatever
// call made it.
int cmd_tooltip(const Args& a)
{
    unsigned long ms;
    if (a.empty() || a.size() > 2 || !parse_ulong(a[0], &ms)) return kUsage;
    const std::string owner = a.size() == 2 ? a[1] : "explorer.exe";
    const std::vector<DWORD> pids = target_pids(owner);
    if (pids.empty()) return fail("no process %s", owner.c_str());
    std::wstring text;
    HWND h = wait_for_window(ms, [&](HWND w) {
        if (!IsWindowVisible(w) || !contains(pids, pid_of(w)) ||
            _stricmp(class_of(w).c_str(), "tooltips_class32") != 0)
            return false;
        wchar_t buf[512] = L"";
        DWORD_PTR got = 0;
        if (!SendMessageTimeoutW(w, WM_GETTEXT, 512, (LPARAM)buf, SMTO_ABORTIFHUNG, 2000, &got)) return false;
        text = buf;
        return !text.empty();
    });
    if (!h) return fail("no visible tooltip of %s with text within %lu ms", owner.c_str(), ms);
    outln(utf8_of(text));
    return 0;
}


// ---- what the keyboard reaches, and stand-in windows -----------------------

// "CLASS TEXT" of the control with the keyboard focus in HWND's thread, or
// "none" where no window of it has the focus.
int cmd_focus(const Args& a)
{
    HWND h;
    if (a.size() != 1 || !parse_hwnd(a[0], &h)) return kUsage;
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!IsWindow(h) || !GetGUIThreadInfo(GetWindowThreadProcessId(h, NULL), &info))
        return fail("no thread information for %s", a[0].c_str());
    if (!info.hwndFocus) {
        outln("none");
        return 0;
    }
    std::wstring text;
    wide_text_asked(info.hwndFocus, &text);
    outln(class_of(info.hwndFocus) + " " + utf8_of(text));
    return 0;
}

// The SS_ type bits of HWND's Nth text label (what decides its wrapping).
int cmd_label_style(const Args& a)
{
    HWND h;
    unsigned long index;
    if (a.size() != 2 || !parse_hwnd(a[0], &h) || !parse_ulong(a[1], &index)) return kUsage;
    HWND c = nth_child(h, "Label", index);
    if (!c) return fail("%s has no label %lu", a[0].c_str(), index);
    outln(std::to_string(GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK));
    return 0;
}

// fits HWND FACE HEIGHT [DPI]: whether each text of a form's labels and
// buttons fits its control, measured in the form's font (FACE at HEIGHT
// pixels of a 96-dpi design, scaled to DPI, by default the screen's): a
// line "CLASS TEXT: W x H in W x H" each, and status 1 when one is clipped.
// A text that wraps is measured at its control's width. A list box whose
// rows are lower than the font shows that the form did not scale its font.
int cmd_fits(const Args& a)
{
    HWND h;
    long height;
    long dpi = 0;
    if (a.size() < 3 || a.size() > 4 || !parse_hwnd(a[0], &h) || !parse_long(a[2], &height) ||
        (a.size() == 4 && !parse_long(a[3], &dpi)))
        return kUsage;
    if (!IsWindow(h)) return fail("%s is not a window", a[0].c_str());
    HDC dc = GetDC(NULL);
    if (!dpi) dpi = GetDeviceCaps(dc, LOGPIXELSY);
    const int pixels = MulDiv(abs((int)height), (int)dpi, 96);
    HFONT font = CreateFontW(-pixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, g_wargs[1].c_str());
    HGDIOBJ old = SelectObject(dc, font);
    int clipped = 0;
    for (HWND c : children_of(h)) {
        const std::string cls = class_of(c);
        const std::wstring text = wide_title_of(c);
        RECT box;
        GetClientRect(c, &box);
        if (cls == "ListBox") {
            const long row = (long)SendMessageA(c, LB_GETITEMHEIGHT, 0, 0);
            outln("ListBox row " + std::to_string(row) + " for a font of " + std::to_string(pixels));
            if (row < pixels) ++clipped;
            continue;
        }
        if (text.empty() || (cls != "Static" && cls != "Button")) continue;
        const LONG style = GetWindowLongA(c, GWL_STYLE);
        const bool wraps = cls == "Static" && (style & SS_TYPEMASK) == SS_LEFT;
        // A button's text keeps clear of its raised edge and focus frame.
        const int margin = cls == "Button" ? 4 * GetSystemMetrics(SM_CXEDGE) : 0;
        const int width = box.right - margin, room = box.bottom - margin;
        RECT need = {0, 0, width, 0};
        DrawTextW(dc, text.c_str(), (int)text.size(), &need,
                  DT_CALCRECT | DT_NOPREFIX | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
        const bool fits = need.right <= width && need.bottom <= room;
        outln(cls + " " + utf8_of(text) + ": " + std::to_string(need.right) + " x " + std::to_string(need.bottom) +
              " in " + std::to_string(width) + " x " + std::to_string(room) + (fits ? "" : " CLIPPED"));
        if (!fits) ++clipped;
    }
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(NULL, dc);
    return clipped ? 1 : 0;
}

LRESULT CALLBACK standin_proc(HWND h, UINT msg, WPARAM w, LPARAM l)
{
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(h, msg, w, l);
}

// Four numbers from a[at] on: X Y W H.
bool parse_geometry(const Args& a, size_t at, long g[4])
{
    for (size_t i = 0; i < 4; ++i)
        if (!parse_long(a[at + i], &g[i])) return false;
    return true;
}

// window CLASS TITLE X Y W H [CHILD_CLASS CHILD_TEXT CX CY CW CH]: a
// top-level tool window that stays on top, with one child control, until it
// is closed or this process is ended. It stands in for another program's
// window, or for the taskbar of a further monitor; copied under another
// name, the probe is that program.
int cmd_window(const Args& a)
{
    long top_g[4], child_g[4];
    const bool child = a.size() == 12;
    if ((a.size() != 6 && !child) || !parse_geometry(a, 2, top_g) || (child && !parse_geometry(a, 8, child_g)))
        return kUsage;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = standin_proc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    wc.lpszClassName = a[0].c_str();
    if (!RegisterClassA(&wc)) return fail("cannot register class %s", a[0].c_str());
    HWND top = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, a[0].c_str(), a[1].c_str(), WS_POPUP | WS_VISIBLE,
                               top_g[0], top_g[1], top_g[2], top_g[3], NULL, NULL, wc.hInstance, NULL);
    if (!top) return fail("cannot create the window (error %lu)", GetLastError());
    if (child)
        CreateWindowExA(0, a[6].c_str(), a[7].c_str(), WS_CHILD | WS_VISIBLE, child_g[0], child_g[1], child_g[2],
                        child_g[3], top, NULL, wc.hInstance, NULL);
    MSG m;
    while (GetMessageA(&m, NULL, 0, 0) > 0) DispatchMessageA(&m);
    return 0;
}

// tick PID|EXE N: the program's timers tick N times now, each tick handled
// before the next is sent (a timer ticks through a hidden window of its own,
// class TPelmTimerWindow). Proves that polls have run without waiting for
// them; prints how many timers ticked.
int cmd_tick(const Args& a)
{
    unsigned long n;
    if (a.size() != 2 || !parse_ulong(a[1], &n)) return kUsage;
    std::vector<DWORD> pids = target_pids(a[0]);
    int timers = 0;
    for (HWND h : top_level_windows()) {
        if (!contains(pids, pid_of(h)) || class_of(h) != "TPelmTimerWindow") continue;
        ++timers;
        for (unsigned long i = 0; i < n; ++i) {
            DWORD_PTR result = 0;
            if (!SendMessageTimeoutA(h, WM_TIMER, 1, 0, SMTO_ABORTIFHUNG, 30000, &result))
                return fail("timer window %s did not take tick %lu", hex(h).c_str(), i + 1);
        }
    }
    if (!timers) return fail("%s has no timer", a[0].c_str());
    outln(std::to_string(timers));
    return 0;
}

struct Command {
    const char* name;
    int (*run)(const Args&);
    const char* usage;
};

int cmd_serve(const Args& a);

const Command kCommands[] = {
    {"serve", cmd_serve, ""},
    {"find", cmd_find, "CLASS TITLE"},
    {"wait-window", cmd_wait_window, "CLASS TITLE TIMEOUT_MS [--visible]"},
    {"text", cmd_text, "HWND [--wide|--asked]"},
    {"child-text", cmd_child_text, "HWND CLASS INDEX"},
    {"post", cmd_post, "HWND MSG WPARAM LPARAM [N]"},
    {"send", cmd_send, "HWND MSG WPARAM LPARAM [TIMEOUT_MS]"},
    {"msgbox", cmd_msgbox, "CAPTION TIMEOUT_MS [--dismiss]"},
    {"no-visible-windows", cmd_no_visible_windows, "PID|EXE_NAME"},
    {"tooltip", cmd_tooltip, "TIMEOUT_MS [PID|EXE_NAME]"},
    {"menu", cmd_menu, "TIMEOUT_MS"},
    {"hold", cmd_hold, "event NAME MS | file PATH MS"},
    {"rect", cmd_rect, "HWND"},
    {"fuzz", cmd_fuzz, "HWND MSG N SEED"},
    {"tray-delete", cmd_tray_delete, "HWND ID"},
    {"broadcast", cmd_broadcast, "REGISTERED_MESSAGE_NAME"},
    {"child-rect", cmd_child_rect, "HWND CLASS INDEX"},
    {"listbox", cmd_listbox, "HWND"},
    {"at", cmd_at, "X Y"},
    {"topmost", cmd_topmost, "HWND"},
    {"foreground", cmd_foreground, ""},
    {"fault-in-wndproc", cmd_fault_in_wndproc, ""},
    {"show", cmd_show, "HWND"},
    {"redraw", cmd_redraw, "HWND"},
    {"flood", cmd_flood, "HWND MSG WPARAM_A WPARAM_B N BURST"},
    {"pids", cmd_pids, "EXE_NAME"},
    {"wchildren", cmd_wchildren, "HWND"},
    {"wmenu", cmd_wmenu, "TIMEOUT_MS"},
    {"focus", cmd_focus, "HWND"},
    {"label-style", cmd_label_style, "HWND INDEX"},
    {"fits", cmd_fits, "HWND FACE HEIGHT [DPI]"},
    {"window", cmd_window, "CLASS TITLE X Y W H [CHILD_CLASS CHILD_TEXT CX CY CW CH]"},
    {"tick", cmd_tick, "PID|EXE_NAME N"},
    {"load", cmd_load, "DLL_PATH"},
};

int usage()
{
    err("usage: probe COMMAND ARGS (CLASS/TITLE may be '-' for any; HWND in hex)\n");
    for (const Command& c : kCommands) err("  probe %s %s\n", c.name, c.usage);
    return kUsage;
}

// Runs one command given by its name and its wide arguments.
int run(const std::wstring& wname, const std::vector<std::wstring>& wargs)
{
    Args args;
    g_wargs = wargs;
    for (const std::wstring& w : wargs) args.push_back(Narrow(w, CP_ACP));
    const std::string name = Narrow(wname, CP_ACP);
    for (const Command& c : kCommands) {
        if (name != c.name) continue;
        int rc = c.run(args);
        if (rc == kUsage) err("usage: probe %s %s\n", c.name, c.usage);
        return rc;
    }
    err("probe: unknown command %s\n", name.c_str());
    return usage();
}

std::string escaped(const std::string& s)
{
    std::string e;
    for (char ch : s) {
        switch (ch) {
        case '\\': e += "\\\\"; break;
        case '\n': e += "\\n"; break;
        case '\r': e += "\\r"; break;
        case '\t': e += "\\t"; break;
        default: e += ch;
        }
    }
    return e;
}

// Commands that hold something until they end, or fault on purpose, are
// processes of their own; serving them would stall or end every later check.
bool own_process(const std::wstring& name)
{
    return name == L"hold" || name == L"window" || name == L"fault-in-wndproc" || name == L"serve";
}

int cmd_serve(const Args& a)
{
    if (!a.empty()) return kUsage;
    std::string line;
    for (int ch; (ch = getchar()) != EOF;) {
        if (ch != '\n') {
            line += (char)ch;
            continue;
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::wstring> words;
        size_t from = 0;
        for (;;) {
            size_t tab = line.find('\t', from);
            words.push_back(Widen(line.substr(from, tab - from), CP_UTF8));
            if (tab == std::string::npos) break;
            from = tab + 1;
        }
        line.clear();
        std::string o, e;
        g_out = &o;
        g_err = &e;
        const std::wstring name = words[0];
        words.erase(words.begin());
        int rc = own_process(name) ? (err("probe: %s runs as a process of its own\n", Narrow(name, CP_UTF8).c_str()), kUsage)
                                   : run(name, words);
        g_out = g_err = nullptr;
        printf("%d\t%s\t%s\n", rc, escaped(o).c_str(), escaped(e).c_str());
        fflush(stdout);
    }
    return 0;
}

}  // namespace

int main()
{
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
    // Rectangles and points in the screen's real pixels, as xdotool and
    // the screenshots have them, whatever the display's DPI.
    if (auto aware = reinterpret_cast<BOOL(WINAPI*)()>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "SetProcessDPIAware"))))
        aware();

    // The ANSI argv would already be in the code page, but built by Wine from
    // the UTF-8 command line; converting the wide one ourselves is the same
    // conversion the program under test gets, done once and visibly.
    int argc = 0;
    wchar_t** wargv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!wargv || argc < 2) return usage();
    std::vector<std::wstring> wargs(wargv + 2, wargv + argc);
    std::wstring name = wargv[1];
    LocalFree(wargv);
    int rc = run(name, wargs);
    fflush(stdout);
    return rc;
}
