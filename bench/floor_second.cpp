// The floor of a second start: what a start must do to find that the
// program already runs and end with exit code 0, and nothing else. It looks
// for the program's own mutex and window, so it is timed while the program
// runs. Kept apart from the resident floor so that it loads no more than
// that job needs.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    HANDLE running = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, "PELM_MUTEX");
    // Nothing running: not the job being timed, and the benchmark says so.
    if (!running)
        return 1;
    FindWindowA("TPelmFormMain", "Pelmora");
    CloseHandle(running);
    return 0;
}
