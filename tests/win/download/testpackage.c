/* A stand-in for an update package and the tool it unpacks.
 *
 * Package mode (no arguments, as the update job starts it): records its
 * command line in the file named by TARNWICK_TEST_PACKAGE_MARKER (if set),
 * copies itself (or the file named by TARNWICK_TEST_TOOL_SOURCE, for a
 * package padded to a large size) to "tool.exe" in its current folder (the
 * work folder) and ends with 0.
 * Tool mode ("--tool [--exit N]"): records its command line and current
 * folder in the file named by TARNWICK_TEST_TOOL_MARKER (if set) and ends
 * with N (default 0).
 * With TARNWICK_TEST_TOOL_INSTALLS_VERSION set, the tool installs as the
 * charge-limit tool's installer does: it writes that text as the REG_SZ
 * "version" under HKLM "Software\Korvane\QxBatteryLimitter" (the 32-bit
 * view, where the program reads it) before it ends.
 * In either mode, TARNWICK_TEST_PACKAGE_WAIT_MS or TARNWICK_TEST_TOOL_WAIT_MS
 * makes it pause that long after recording (a package or tool that is still
 * at work). */
#include <windows.h>
#include <stdlib.h>
#include <wchar.h>

static void Pause(const wchar_t* variable) {
    wchar_t value[16];
    DWORD length = GetEnvironmentVariableW(variable, value, 16);
    if (length > 0 && length < 16) Sleep((DWORD)_wtoi(value));
}

static void Record(const wchar_t* variable, const wchar_t* text) {
    wchar_t path[MAX_PATH];
    DWORD length = GetEnvironmentVariableW(variable, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return;
    char utf8[4096];
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof(utf8) - 2, NULL, NULL);
    if (bytes > 0) {
        utf8[bytes - 1] = '\n';
        DWORD written = 0;
        WriteFile(file, utf8, (DWORD)bytes, &written, NULL);
    }
    CloseHandle(file);
}

static void InstallVersion(void) {
    wchar_t version[100];
    DWORD length = GetEnvironmentVariableW(L"TARNWICK_TEST_TOOL_INSTALLS_VERSION", version, 100);
    if (length == 0 || length >= 100) return;
    HKEY key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Korvane\\QxBatteryLimitter", 0, NULL, 0,
                        KEY_SET_VALUE | KEY_WOW64_32KEY, NULL, &key, NULL) != ERROR_SUCCESS) {
        return;
    }
    RegSetValueExW(key, L"version", 0, REG_SZ, (const BYTE*)version, (length + 1) * sizeof(wchar_t));
    RegCloseKey(key);
}

int wmain(int argc, wchar_t** argv) {
    if (argc >= 2 && wcscmp(argv[1], L"--tool") == 0) {
        wchar_t line[2048];
        wchar_t folder[MAX_PATH] = L"";
        GetCurrentDirectoryW(MAX_PATH, folder);
        _snwprintf(line, 2047, L"%ls|%ls", GetCommandLineW(), folder);
        line[2047] = L'\0';
        Record(L"TARNWICK_TEST_TOOL_MARKER", line);
        Pause(L"TARNWICK_TEST_TOOL_WAIT_MS");
        InstallVersion();
        return argc >= 4 && wcscmp(argv[2], L"--exit") == 0 ? _wtoi(argv[3]) : 0;
    }
    Record(L"TARNWICK_TEST_PACKAGE_MARKER", GetCommandLineW());
    Pause(L"TARNWICK_TEST_PACKAGE_WAIT_MS");
    wchar_t source[MAX_PATH];
    DWORD length = GetEnvironmentVariableW(L"TARNWICK_TEST_TOOL_SOURCE", source, MAX_PATH);
    if ((length == 0 || length >= MAX_PATH) && GetModuleFileNameW(NULL, source, MAX_PATH) == 0) return 1;
    return CopyFileW(source, L"tool.exe", FALSE) ? 0 : 1;
}
