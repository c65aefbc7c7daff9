/* Presses a button of a dialog of another process, as a click would:
 *   press.exe ID [OTHER-ID]
 * waits (up to a minute) for a visible top-level window that has a child
 * with control id ID (and OTHER-ID, to tell dialogs apart), then posts it
 * the WM_COMMAND that the button's click sends. Exits 0 when pressed, 1 when
 * no such window appeared. */
#include <windows.h>
#include <stdlib.h>

static int wanted, other;
static HWND found;

static BOOL CALLBACK Visit(HWND window, LPARAM unused) {
    (void)unused;
    if (!IsWindowVisible(window) || GetDlgItem(window, wanted) == NULL) return TRUE;
    if (other != 0 && GetDlgItem(window, other) == NULL) return TRUE;
    found = window;
    return FALSE;
}

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    wanted = _wtoi(argv[1]);
    other = argc > 2 ? _wtoi(argv[2]) : 0;
    for (int i = 0; i < 600 && found == NULL; ++i) {
        EnumWindows(Visit, 0);
        if (found == NULL) Sleep(100);
    }
    if (found == NULL) return 1;
    Sleep(300);  /* let the dialog finish its start-up */
    HWND button = GetDlgItem(found, wanted);
    PostMessageW(found, WM_COMMAND, MAKEWPARAM(wanted, BN_CLICKED), (LPARAM)button);
    return 0;
}
