/* Adds a DER-encoded certificate to the local machine's root store of the
 * Wine prefix it runs in:  addroot.exe CERT.der */
#include <windows.h>
#include <wincrypt.h>
#include <stdio.h>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        fwprintf(stderr, L"usage: addroot.exe CERT.der\n");
        return 2;
    }
    HANDLE file = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        fwprintf(stderr, L"cannot open %ls: %lu\n", argv[1], GetLastError());
        return 3;
    }
    BYTE data[16384];
    DWORD size = 0;
    BOOL read = ReadFile(file, data, sizeof(data), &size, NULL);
    CloseHandle(file);
    if (!read || size == 0 || size == sizeof(data)) {
        fwprintf(stderr, L"cannot read the certificate\n");
        return 3;
    }
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"ROOT");
    if (store == NULL) {
        fwprintf(stderr, L"CertOpenStore failed: %lu\n", GetLastError());
        return 4;
    }
    BOOL added = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, data, size,
                                                  CERT_STORE_ADD_REPLACE_EXISTING, NULL);
    DWORD error = GetLastError();
    CertCloseStore(store, 0);
    if (!added) {
        fwprintf(stderr, L"CertAddEncodedCertificateToStore failed: 0x%08lx\n", error);
        return 5;
    }
    wprintf(L"added\n");
    return 0;
}
