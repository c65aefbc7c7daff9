/* Control for the planted-library test: a program that imports wintrust.dll
 * by name, the way Tarnwick.exe must not. Under the test's DLL overrides it
 * loads a planted copy beside it, which shows the test can see the fault. */
#include <windows.h>
#include <softpub.h>
#include <wintrust.h>

int wmain(void) {
    WINTRUST_DATA data = {sizeof(data)};
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    return (int)WinVerifyTrust(NULL, &action, &data) == 0 ? 0 : 1;
}
