/* Holds on to every file that appears in a folder, the way another program
 * of a user could: each is opened for reading, sharing read and write but
 * not delete, so nobody can remove it while it is held.
 *   grabber.exe FOLDER READY STOP
 * Creates the file READY once FOLDER is watched, prints "grabbed NAME" for
 * each file it holds, and ends (closing them all) when the file STOP exists. */
#include <windows.h>
#include <stdio.h>
#include <wchar.h>

#define MAX_HELD 256

static HANDLE held[MAX_HELD];
static wchar_t heldNames[MAX_HELD][MAX_PATH];
static int heldCount;

static int IsHeld(const wchar_t* name) {
    for (int i = 0; i < heldCount; ++i) {
        if (_wcsicmp(heldNames[i], name) == 0) return 1;
    }
    return 0;
}

static void GrabAll(const wchar_t* folder) {
    wchar_t pattern[MAX_PATH];
    swprintf(pattern, MAX_PATH, L"%ls\\*", folder);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (heldCount == MAX_HELD || IsHeld(found.cFileName)) continue;
        wchar_t path[MAX_PATH];
        swprintf(path, MAX_PATH, L"%ls\\%ls", folder, found.cFileName);
        HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
        if (file == INVALID_HANDLE_VALUE) continue;
        held[heldCount] = file;
        wcscpy(heldNames[heldCount], found.cFileName);
        ++heldCount;
        wprintf(L"grabbed %ls\n", found.cFileName);
        fflush(stdout);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        fwprintf(stderr, L"usage: grabber.exe FOLDER READY STOP\n");
        return 2;
    }
    HANDLE folder = CreateFileW(argv[1], FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                NULL, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, NULL);
    if (folder == INVALID_HANDLE_VALUE) {
        fwprintf(stderr, L"cannot watch %ls: error %lu\n", argv[1], GetLastError());
        return 3;
    }
    OVERLAPPED overlapped = {0};
    overlapped.hEvent = CreateEventW(NULL, TRUE, FALSE, NULL);
    static DWORD changes[4096];
    int watching = 0;
    GrabAll(argv[1]);
    CloseHandle(CreateFileW(argv[2], GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL));
    while (GetFileAttributesW(argv[3]) == INVALID_FILE_ATTRIBUTES) {
        if (!watching) {
            ResetEvent(overlapped.hEvent);
            watching = ReadDirectoryChangesW(folder, changes, sizeof changes, FALSE, FILE_NOTIFY_CHANGE_FILE_NAME,
                                             NULL, &overlapped, NULL);
        }
        /* A change wakes it at once; the short timeout also catches what a
         * notification missed. */
        if (!watching) {
            Sleep(1);
        } else if (WaitForSingleObject(overlapped.hEvent, 20) == WAIT_OBJECT_0) {
            watching = 0;
        }
        GrabAll(argv[1]);
    }
    for (int i = 0; i < heldCount; ++i) CloseHandle(held[i]);
    CancelIo(folder);
    CloseHandle(folder);
    return 0;
}
