/* Stands in for the maker's start-up program:
 *   startup-standin.exe RECORD EXIT-CODE [PAUSE-MS] -batterycheckonly
 * appends its whole command line to the file RECORD, waits PAUSE-MS and exits
 * with EXIT-CODE. When TARNWICK_TEST_STARTUP_RECORD names a file, whatever
 * the arguments are (an unquoted path with a blank splits them), the command
 * line goes to that file and the exit code is 1. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

int wmain(int argc, wchar_t** argv) {
    const wchar_t* fixed = _wgetenv(L"TARNWICK_TEST_STARTUP_RECORD");
    if (fixed != NULL && fixed[0] != L'\0') {
        FILE* record = _wfopen(fixed, L"a");
        if (record != NULL) {
            fwprintf(record, L"%ls\n", GetCommandLineW());
            fclose(record);
        }
        return 1;
    }
    if (argc < 3) return 99;
    FILE* record = _wfopen(argv[1], L"a");
    if (record != NULL) {
        fwprintf(record, L"%ls\n", GetCommandLineW());
        fclose(record);
    }
    if (argc > 4) Sleep((DWORD)_wtoi(argv[3]));
    return _wtoi(argv[2]);
}
