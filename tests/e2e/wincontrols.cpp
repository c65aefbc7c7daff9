// Finds a visible top-level window by its title and reads or presses its
// controls, for GUI tests of the real program under Wine. A title matches a
// window whose title starts with it (Wine 8 runs a task dialog's title,
// given as a string id, into the string table's next entries):
//   wincontrols wait TITLE [SECONDS]   until a visible window has TITLE (exit 1 on timeout)
//   wincontrols gone TITLE [SECONDS]   until no visible window has TITLE
//   wincontrols list TITLE             one line per child control:
//                                      id<TAB>class<TAB>visible<TAB>enabled<TAB>x,y,w,h<TAB>text
//                                      (position in the window's client area, text by WM_GETTEXT,
//                                      line breaks shown as \n)
//   wincontrols rect TITLE             the window's screen rectangle: x y w h
//   wincontrols click TITLE ID         posts BM_CLICK to the child control ID (a button first)
//   wincontrols close TITLE            posts WM_CLOSE to the window (its close box)
//   wincontrols kill TITLE             ends the process that owns the window (a test that
//                                      cannot close it otherwise)
// Messages are posted, not sent: a click that opens a modal question must
// not block the helper. Output is UTF-8.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct Search {
    const wchar_t* title;
    HWND found;
};

BOOL CALLBACK MatchTitle(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    wchar_t text[512];
    if (!::IsWindowVisible(window) || ::GetWindowTextW(window, text, 512) == 0) return TRUE;
    if (std::wcsncmp(text, search->title, std::wcslen(search->title)) != 0) return TRUE;
    search->found = window;
    return FALSE;
}

HWND Find(const wchar_t* title) {
    Search search{title, nullptr};
    ::EnumWindows(MatchTitle, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void Print(const std::wstring& text) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                          nullptr);
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

BOOL CALLBACK ListChild(HWND child, LPARAM data) {
    const HWND parent = reinterpret_cast<HWND>(data);
    wchar_t className[128] = L"";
    ::GetClassNameW(child, className, 128);
    RECT rect{};
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    const LRESULT length = ::SendMessageW(child, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT got = ::SendMessageW(child, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(got));
    std::wstring shown;
    for (wchar_t c : text) {
        if (c == L'\r') continue;
        if (c == L'\n') shown += L"\\n"; else shown += c;
    }
    wchar_t line[256];
    std::swprintf(line, 256, L"%d\t%ls\t%d\t%d\t%ld,%ld,%ld,%ld\t", ::GetDlgCtrlID(child), className,
                  ::IsWindowVisible(child) ? 1 : 0, ::IsWindowEnabled(child) ? 1 : 0, rect.left, rect.top,
                  rect.right - rect.left, rect.bottom - rect.top);
    Print(line + shown + L"\n");
    return TRUE;
}

struct ButtonSearch {
    int id;
    HWND button;
    HWND any;
};

// Task dialogs give their labels id 0 as well: a button with the id wins.
BOOL CALLBACK MatchControl(HWND child, LPARAM data) {
    auto* search = reinterpret_cast<ButtonSearch*>(data);
    if (::GetDlgCtrlID(child) != search->id) return TRUE;
    wchar_t className[32] = L"";
    ::GetClassNameW(child, className, 32);
    if (_wcsicmp(className, L"Button") == 0) {
        search->button = child;
        return FALSE;
    }
    if (search->any == nullptr) search->any = child;
    return TRUE;
}

bool WaitFor(const wchar_t* title, double seconds, bool present) {
    for (int i = 0; i <= static_cast<int>(seconds * 10); ++i) {
        if ((Find(title) != nullptr) == present) return true;
        ::Sleep(100);
    }
    return false;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fwprintf(stderr, L"usage: wincontrols wait|gone|list|rect|click|close TITLE [ARG]\n");
        return 2;
    }
    const std::wstring command = argv[1];
    const wchar_t* title = argv[2];
    const double seconds = argc > 3 ? std::wcstod(argv[3], nullptr) : 30.0;
    if (command == L"wait") return WaitFor(title, seconds, true) ? 0 : 1;
    if (command == L"gone") return WaitFor(title, seconds, false) ? 0 : 1;

    HWND window = Find(title);
    if (window == nullptr) {
        std::fwprintf(stderr, L"no visible window titled \"%ls\"\n", title);
        return 1;
    }
    if (command == L"list") {
        ::EnumChildWindows(window, ListChild, reinterpret_cast<LPARAM>(window));
        return 0;
    }
    if (command == L"rect") {
        RECT rect{};
        ::GetWindowRect(window, &rect);
        wchar_t line[64];
        std::swprintf(line, 64, L"%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left,
                      rect.bottom - rect.top);
        Print(line);
        return 0;
    }
    if (command == L"click" && argc > 3) {
        ButtonSearch search{static_cast<int>(std::wcstol(argv[3], nullptr, 0)), nullptr, nullptr};
        ::EnumChildWindows(window, MatchControl, reinterpret_cast<LPARAM>(&search));
        HWND control = search.button != nullptr ? search.button : search.any;
        if (control == nullptr) {
            std::fwprintf(stderr, L"no control %ls\n", argv[3]);
            return 1;
        }
        return ::PostMessageW(control, BM_CLICK, 0, 0) ? 0 : 1;
    }
    if (command == L"kill") {
        DWORD process = 0;
        ::GetWindowThreadProcessId(window, &process);
        HANDLE handle = ::OpenProcess(PROCESS_TERMINATE, FALSE, process);
        const bool ended = handle != nullptr && ::TerminateProcess(handle, 9);
        if (handle != nullptr) ::CloseHandle(handle);
        return ended ? 0 : 1;
    }
    if (command == L"close") return ::PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
    std::fwprintf(stderr, L"unknown command\n");
    return 2;
}
