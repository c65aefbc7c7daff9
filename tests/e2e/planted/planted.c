/* A library planted beside the program under a system library's name
 * (wintrust.dll, wininet.dll, Msftedit.dll). Loading it at all is the fault:
 * its entry point appends its own file name to planted-loads.txt in its
 * folder. Its WinVerifyTrust accepts everything, as an attacker's would. */
#include <windows.h>

static void RecordLoad(HINSTANCE instance) {
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(instance, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    wchar_t* name = path + length;
    while (name > path && name[-1] != L'\\') --name;
    char line[MAX_PATH + 2];
    int bytes = WideCharToMultiByte(CP_UTF8, 0, name, -1, line, MAX_PATH, NULL, NULL);
    if (bytes <= 1) return;
    line[bytes - 1] = '\n';
    lstrcpyW(name, L"planted-loads.txt");
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written;
    WriteFile(file, line, (DWORD)bytes, &written, NULL);
    CloseHandle(file);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) RecordLoad(instance);
    return TRUE;
}

LONG WINAPI WinVerifyTrust(HWND window, GUID* action, LPVOID data) {
    (void)window;
    (void)action;
    (void)data;
    return 0;
}
