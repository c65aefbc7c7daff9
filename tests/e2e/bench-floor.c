/* The floor of a normal run, for the benchmarks: what every normal run must
 * do whatever it decides, done plainly: the signature check of the companion
 * library, then driver queries one after the other (by default the seven of
 * a machine without a management-engine driver, each "cmd /c Driverquery |
 * findstr NAME"), or with "listing" one driverquery.exe whose output is read
 * through a pipe to its end, then, with "window", one empty task dialog
 * titled "Tarnwick floor" that stays up until the process is ended (it
 * carries the program's manifest: common controls 6, DPI).
 *   bench-floor.exe PATH-OF-BATTERY.DLL [QUERIES|listing [window]]
 * Exits with the trust result's low byte (0 when the library is trusted). */
#include <windows.h>
#include <commctrl.h>
#include <softpub.h>
#include <wintrust.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

static void Query(const wchar_t* system, const wchar_t* name) {
    wchar_t application[MAX_PATH], commandLine[260];
    swprintf(application, MAX_PATH, L"%ls\\cmd.exe", system);
    swprintf(commandLine, 260, L"C:\\Windows\\System32\\cmd.exe /c Driverquery | findstr %ls", name);
    STARTUPINFOW startup = {sizeof(startup)};
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process;
    if (!CreateProcessW(application, commandLine, NULL, NULL, FALSE, 0, NULL, system, &startup, &process)) return;
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

static void Listing(const wchar_t* system) {
    wchar_t application[MAX_PATH];
    swprintf(application, MAX_PATH, L"%ls\\driverquery.exe", system);
    SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), NULL, TRUE};
    HANDLE readEnd, writeEnd;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 1 << 20)) return;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {sizeof(startup)};
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = SW_HIDE;
    startup.hStdOutput = writeEnd;
    PROCESS_INFORMATION process;
    const BOOL started = CreateProcessW(application, NULL, NULL, NULL, TRUE, 0, NULL, system, &startup, &process);
    CloseHandle(writeEnd);
    if (started) {
        char buffer[4096];
        DWORD got;
        while (ReadFile(readEnd, buffer, sizeof buffer, &got, NULL) && got > 0) {
        }
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(readEnd);
}

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    WINTRUST_FILE_INFO file = {sizeof(file), argv[1], NULL, NULL};
    WINTRUST_DATA data = {sizeof(data)};
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    LONG trust = WinVerifyTrust(INVALID_HANDLE_VALUE, &action, &data);
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    const wchar_t* names[] = {L"VXN02E3", L"QBIOSDRV", L"PeloAcpi", L"MEI", L"MEIx64", L"MEI", L"MEIx64"};
    if (argc > 2 && wcscmp(argv[2], L"listing") == 0) {
        Listing(system);
    } else {
        int queries = argc > 2 ? _wtoi(argv[2]) : 7;
        if (queries < 0 || queries > 7) queries = 7;
        for (int i = 0; i < queries; ++i) Query(system, names[i]);
    }
    if (argc > 3 && wcscmp(argv[3], L"window") == 0) {
        TASKDIALOGCONFIG config = {sizeof(config)};
        config.pszWindowTitle = L"Tarnwick floor";
        config.dwCommonButtons = TDCBF_CLOSE_BUTTON;
        TaskDialogIndirect(&config, NULL, NULL, NULL);
    }
    return (int)(trust & 0xFF);
}
