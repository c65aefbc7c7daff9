/* Waits (up to the given milliseconds, default 60000) until a visible
 * dialog window (class #32770) exists, then asks every visible dialog to
 * close (WM_CLOSE) and prints how many it found. Exit 1 when none appeared. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

static BOOL CALLBACK CloseDialog(HWND window, LPARAM count) {
    wchar_t className[16];
    if (IsWindowVisible(window) && GetClassNameW(window, className, 16) && lstrcmpW(className, L"#32770") == 0) {
        PostMessageW(window, WM_CLOSE, 0, 0);
        ++*(int*)count;
    }
    return TRUE;
}

int wmain(int argc, wchar_t** argv) {
    DWORD timeout = argc > 1 ? (DWORD)_wtoi(argv[1]) : 60000;
    for (DWORD waited = 0; waited <= timeout; waited += 200) {
        int count = 0;
        EnumWindows(CloseDialog, (LPARAM)&count);
        if (count > 0) {
            wprintf(L"%d\n", count);
            return 0;
        }
        Sleep(200);
    }
    wprintf(L"0\n");
    return 1;
}
