/* Stands in for the maker's start-up program:
 *   startup-standin.exe RECORD EXIT-CODE [PAUSE-MS] -batterycheckonly
 * appends its whole command line to the file RECORD, waits PAUSE-MS and exits
 * with EXIT-CODE. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 99;
    FILE* record = _wfopen(argv[1], L"a");
    if (record != NULL) {
        fwprintf(record, L"%ls\n", GetCommandLineW());
        fclose(record);
    }
    if (argc > 4) Sleep((DWORD)_wtoi(argv[3]));
    return _wtoi(argv[2]);
}
