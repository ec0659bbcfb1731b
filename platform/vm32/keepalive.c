/* Started once per guest session. Wine closes its desktop process (explorer.exe
 * /desktop) when the last program using the desktop ends, and the next GUI program
 * waits for a new one: longer, under TCG, than Wine's own 10 s limit, after which
 * that program cannot create windows at all.
 *
 * This program stays on the desktop for the whole session with a message-only
 * window (which needs no display driver), and brings the desktop up by running
 * itself with --probe, which creates a real window, until a probe succeeds.
 * Then it prints "ready" and waits forever. Exits with 1 if the desktop never
 * comes up. */
#include <windows.h>
#include <stdio.h>
#include <string.h>

static int probe(void)
{
    char self[MAX_PATH], cmd[MAX_PATH + 16];
    STARTUPINFOA si = { sizeof si };
    PROCESS_INFORMATION pi;
    DWORD code = 1;

    GetModuleFileNameA(NULL, self, sizeof self);
    snprintf(cmd, sizeof cmd, "\"%s\" --probe", self);
    if (!CreateProcessA(self, cmd, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return 0;
    WaitForSingleObject(pi.hProcess, INFINITE);
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code == 0;
}

int main(int argc, char **argv)
{
    MSG msg;
    int i;

    if (argc > 1 && !strcmp(argv[1], "--probe"))
        return CreateWindowA("STATIC", "vm32-probe", WS_POPUP, 0, 0, 1, 1,
                             NULL, NULL, NULL, NULL) ? 0 : 1;

    if (!CreateWindowA("STATIC", "vm32-keepalive", 0, 0, 0, 0, 0,
                       HWND_MESSAGE, NULL, NULL, NULL))
        return 1;
    for (i = 0; !probe(); i++) {
        if (i == 30)
            return 1;
        Sleep(2000);
    }
    puts("ready");
    fflush(stdout);
    while (GetMessageA(&msg, NULL, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}
