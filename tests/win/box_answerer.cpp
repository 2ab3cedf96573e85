#include "win/main_window.hpp"
#include "win/wide_text.hpp"

#include <windows.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

// A stand-in for the user at a window program's message boxes, for the end-to-end tests
// under Wine:
//
//   box-answerer LOG SECONDS TITLE BOXES close|wait PROGRAM [ARGUMENTS...]
//
// starts the program, and answers every message box titled TITLE that it or a program it
// starts shows: Yes where the box asks, else OK. Each box goes into LOG (UTF-8) as one line,
// its text's lines joined with " / ". Once it has answered BOXES boxes, it waits for the
// windows titled TITLE to be gone (wait), or closes the main window titled TITLE that shows
// then, as a user would, and waits for it to go (close). Exit status 0 when every window
// has gone within SECONDS, 1 when not, 2 on a wrong command line.
namespace {

using pixtrail::win::windowText;

std::wstring className(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

// A message box's text, its lines joined.
std::wstring boxText(HWND box) {
    std::wstring joined;
    for (wchar_t c : windowText(GetDlgItem(box, 0xFFFF))) { // the text's static control
        if (c == L'\r')
            continue;
        if (c == L'\n')
            joined += L" / ";
        else
            joined += c;
    }
    return joined;
}

struct Windows {
    std::wstring title;
    std::vector<HWND> boxes;
    std::vector<HWND> mains;
};

Windows windowsTitled(const std::wstring& title) {
    Windows found{title, {}, {}};
    EnumWindows(
        [](HWND window, LPARAM into) -> BOOL {
            auto* sorted = reinterpret_cast<Windows*>(into);
            if (IsWindowVisible(window) && windowText(window) == sorted->title)
                (className(window) == L"#32770" ? sorted->boxes : sorted->mains).push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

std::wstring quoted(const std::wstring& argument) {
    return L"\"" + argument + L"\"";
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 7 || (std::wstring(argv[5]) != L"close" && std::wstring(argv[5]) != L"wait")) {
        std::fputs(
            "usage: box-answerer LOG SECONDS TITLE BOXES close|wait PROGRAM [ARGUMENTS...]\n",
            stderr);
        return 2;
    }
    FILE* log = _wfopen(argv[1], L"ab");
    if (!log)
        return 2;
    const DWORD deadline = GetTickCount() + 1000 * static_cast<DWORD>(_wtoi(argv[2]));
    const std::wstring title = argv[3];
    const size_t boxes = static_cast<size_t>(_wtoi(argv[4]));
    const bool close = std::wstring(argv[5]) == L"close";
    std::wstring command = quoted(argv[6]);
    for (int i = 7; i < argc; ++i)
        command += L" " + quoted(argv[i]);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        std::fprintf(stderr, "box-answerer: cannot start the program (%lu)\n", GetLastError());
        return 2;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

    std::set<HWND> answered;
    bool closed = false;
    while (static_cast<LONG>(deadline - GetTickCount()) > 0) {
        const Windows now = windowsTitled(title);
        for (HWND box : now.boxes) {
            if (!answered.insert(box).second)
                continue;
            // Let the box settle before reading it: its text is set once it has been laid out.
            Sleep(200);
            const HWND yes = GetDlgItem(box, IDYES);
            const int answer = yes ? IDYES : IDOK;
            std::fprintf(log, "%s\n", pixtrail::win::utf8FromWide(boxText(box)).c_str());
            std::fflush(log);
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
        }
        if (answered.size() >= boxes && now.boxes.empty()) {
            if (now.mains.empty() && (closed || !close))
                return 0;
            if (close && !closed && !now.mains.empty()) {
                for (HWND window : now.mains)
                    PostMessageW(window, WM_CLOSE, 0, 0);
                closed = true;
            }
        }
        Sleep(100);
    }
    std::fputs("box-answerer: the windows did not go in time\n", stderr);
    return 1;
}
