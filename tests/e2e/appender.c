/* Appends numbered lines to a file the way Tarnwick appends its log line:
 * a handle with FILE_APPEND_DATA (no FILE_WRITE_DATA), shared for reading
 * and writing, one WriteFile per line. Several of these at once, from
 * separate Wine prefixes, show whether the system keeps appends from
 * separate machines whole.
 *   appender.exe FILE TAG COUNT [READY GO]
 * With READY and GO it creates the file READY once FILE is open and starts
 * writing when the file GO exists, so that several start together.
 * Line n (1..COUNT): "TAG n " padded with '.' to 40 + n % 50 bytes, CR LF. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

int wmain(int argc, wchar_t** argv) {
    if (argc != 4 && argc != 6) {
        fwprintf(stderr, L"usage: appender.exe FILE TAG COUNT [READY GO]\n");
        return 2;
    }
    HANDLE file = CreateFileW(argv[1], FILE_APPEND_DATA | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        fwprintf(stderr, L"CreateFileW failed: %lu\n", GetLastError());
        return 3;
    }
    if (argc == 6) {
        CloseHandle(CreateFileW(argv[4], GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL));
        while (GetFileAttributesW(argv[5]) == INVALID_FILE_ATTRIBUTES) Sleep(1);
    }
    const int count = _wtoi(argv[3]);
    int failed = 0;
    for (int n = 1; n <= count; ++n) {
        char line[128];
        int length = snprintf(line, sizeof(line), "%ls %d ", argv[2], n);
        const int wanted = 40 + n % 50;
        while (length < wanted) line[length++] = '.';
        line[length++] = '\r';
        line[length++] = '\n';
        DWORD written = 0;
        SetLastError(0xdeadbeef);
        if (!WriteFile(file, line, (DWORD)length, &written, NULL) || written != (DWORD)length) {
            fwprintf(stderr, L"line %d: WriteFile wrote %lu of %d, error %lu\n", n, written, length, GetLastError());
            failed = 1;
        }
    }
    CloseHandle(file);
    return failed;
}
