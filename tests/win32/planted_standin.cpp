// A library someone else put beside the program under a system library's
// name (built as winmm.dll and as comctl32.dll for planted_dlls.sh). It does
// nothing but leave a marker, its own path with ".loaded" appended, when a
// process loads it; it exports nothing.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        char path[MAX_PATH + 8];
        const DWORD n = GetModuleFileNameA(self, path, MAX_PATH);
        if (n > 0 && n < MAX_PATH) {
            lstrcpyA(path + n, ".loaded");
            HANDLE f = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (f != INVALID_HANDLE_VALUE)
                CloseHandle(f);
        }
    }
    return TRUE;
}
