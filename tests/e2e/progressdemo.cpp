// A stand-in download job around the real progress window: loads battery.dll
// from its own folder as data, shows the window on a thread of its own while
// "busy", and reports how the window ended.
//   progressdemo finish SECONDS   the job clears busy after SECONDS; exit 0
//                                 when the window closed by itself, the time
//                                 from clearing to the thread's end printed
//   progressdemo cancel SECONDS   the job stays busy up to SECONDS; exit 8
//                                 when the thread ended first (the user's
//                                 cancel), 1 when it did not
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cwchar>
#include <string>

#include "messages/ProgressWindow.h"
#include "platform/win32/Win32Platform.h"

using namespace Korvane::PC::Tarnwick;

namespace {

struct Job {
    Win32::TaskDialogs* dialogs;
    ProgressWindowView view;
};

DWORD WINAPI ProgressThread(void* data) {
    auto* job = static_cast<Job*>(data);
    ShowProgressWindow(*job->dialogs, job->view);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    const std::wstring mode = argv[1];
    const DWORD milliseconds = static_cast<DWORD>(std::wcstod(argv[2], nullptr) * 1000);

    wchar_t path[MAX_PATH];
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring library(path);
    library.replace(library.find_last_of(L'\\') + 1, std::wstring::npos, L"battery.dll");
    HMODULE companion = ::LoadLibraryExW(library.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (companion == nullptr) {
        std::printf("battery.dll not loaded: %lu\n", ::GetLastError());
        return 3;
    }

    std::atomic<bool> busy{true};
    Win32::TaskDialogs dialogs(::GetModuleHandleW(nullptr));
    Job job{&dialogs, {companion, 158, &busy}};
    HANDLE thread = ::CreateThread(nullptr, 0, ProgressThread, &job, 0, nullptr);
    if (thread == nullptr) return 4;

    int result = 1;
    if (mode == L"finish") {
        ::Sleep(milliseconds);
        busy = false;
        const DWORD cleared = ::GetTickCount();
        ::WaitForSingleObject(thread, INFINITE);
        std::printf("window closed %lu ms after busy cleared\n", ::GetTickCount() - cleared);
        result = 0;
    } else {
        // The job's view of a cancel: the thread ended while still busy.
        for (DWORD waited = 0; waited < milliseconds; waited += 100) {
            if (::WaitForSingleObject(thread, 0) == WAIT_OBJECT_0) {
                std::printf("cancelled\n");
                result = 8;
                break;
            }
            ::Sleep(100);
        }
        busy = false;
        ::WaitForSingleObject(thread, INFINITE);
    }
    std::fflush(stdout);
    ::CloseHandle(thread);
    ::FreeLibrary(companion);
    return result;
}
