/* Starts a program with the rest of this command line and prints its full
 * 32-bit exit code (a Linux exit status keeps only 8 bits).
 *   exitcode.exe [--hold-mutex NAME] [--kill-on FILE] PROGRAM [ARGS...]
 * With --hold-mutex it first creates the named mutex and keeps it while the
 * program runs, to stand in for a second instance. With --kill-on it ends
 * the program with TerminateProcess (exit code 0xDEAD) as soon as FILE
 * exists, as Task Manager or a deployment's time limit would: the program
 * gets no chance to clean up. */
#include <windows.h>
#include <stdio.h>
#include <wchar.h>

static const wchar_t* SkipArgument(const wchar_t* p) {
    int quoted = 0;
    while (*p == L' ' || *p == L'\t') ++p;
    while (*p && (quoted || (*p != L' ' && *p != L'\t'))) {
        if (*p == L'"') quoted = !quoted;
        ++p;
    }
    while (*p == L' ' || *p == L'\t') ++p;
    return p;
}

int wmain(int argc, wchar_t** argv) {
    const wchar_t* rest = SkipArgument(GetCommandLineW());
    HANDLE mutex = NULL;
    const wchar_t* killOn = NULL;
    int next = 1;
    for (;;) {
        if (argc > next + 1 && wcscmp(argv[next], L"--hold-mutex") == 0) {
            mutex = CreateMutexW(NULL, FALSE, argv[next + 1]);
        } else if (argc > next + 1 && wcscmp(argv[next], L"--kill-on") == 0) {
            killOn = argv[next + 1];
        } else {
            break;
        }
        next += 2;
        rest = SkipArgument(SkipArgument(rest));
    }
    if (*rest == 0) {
        fwprintf(stderr, L"usage: exitcode.exe [--hold-mutex NAME] [--kill-on FILE] PROGRAM [ARGS...]\n");
        return 2;
    }
    size_t length = wcslen(rest) + 1;
    wchar_t* commandLine = (wchar_t*)HeapAlloc(GetProcessHeap(), 0, length * sizeof(wchar_t));
    wcscpy(commandLine, rest);
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION process;
    if (!CreateProcessW(NULL, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
        fwprintf(stderr, L"CreateProcessW failed: %lu\n", GetLastError());
        return 3;
    }
    if (killOn) {
        while (WaitForSingleObject(process.hProcess, 50) == WAIT_TIMEOUT) {
            if (GetFileAttributesW(killOn) != INVALID_FILE_ATTRIBUTES) {
                TerminateProcess(process.hProcess, 0xDEAD);
                WaitForSingleObject(process.hProcess, INFINITE);
                break;
            }
        }
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (mutex) CloseHandle(mutex);
    wprintf(L"%lu\n", code);
    return 0;
}
