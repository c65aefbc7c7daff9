/* A test-only stand-in for the maker's embedded-controller access library.
 * Its answers come from the environment of the process that loads it:
 *   TARNWICK_TEST_EC_INFO     device info (default 0x10: the PMU is there)
 *   TARNWICK_TEST_EC_RESULT   return value of GetECDevInfo (default 0)
 *   TARNWICK_TEST_EC_VERSION  version word of command 0xD5 (default 0)
 *   TARNWICK_TEST_EC_HELPER   a library that GetECDevInfo loads by bare name
 *                             at run time (as the maker's does with its
 *                             helpers); it fails with 2 when it is not found
 * Built twice: testaccesslib.dll with all four exports, and
 * testaccesslib-noread.dll without ReadWritePWRMC (NO_READ_EXPORT). */
#include <windows.h>
#include <wchar.h>

static unsigned EnvNumber(const wchar_t* name, unsigned fallback) {
    wchar_t text[32];
    DWORD length = GetEnvironmentVariableW(name, text, 32);
    if (length == 0 || length >= 32) return fallback;
    return (unsigned)wcstoul(text, NULL, 0);
}

__declspec(dllexport) int __cdecl GetECDevInfo(unsigned* info) {
    wchar_t helper[64];
    DWORD length = GetEnvironmentVariableW(L"TARNWICK_TEST_EC_HELPER", helper, 64);
    if (length > 0 && length < 64) {
        HMODULE module = LoadLibraryW(helper);
        if (module == NULL) return 2;
        FreeLibrary(module);
    }
    *info = EnvNumber(L"TARNWICK_TEST_EC_INFO", 0x10);
    return (int)EnvNumber(L"TARNWICK_TEST_EC_RESULT", 0);
}

__declspec(dllexport) int __cdecl ReadECDevAS(void) { return -1; }
__declspec(dllexport) int __cdecl WriteECDevAS(void) { return -1; }

#ifndef NO_READ_EXPORT
__declspec(dllexport) int __cdecl ReadWritePWRMC(unsigned command, unsigned* value) {
    if (command != 0xD5) return 1; /* only the version read is answered */
    *value = EnvNumber(L"TARNWICK_TEST_EC_VERSION", 0);
    return 0;
}
#endif
