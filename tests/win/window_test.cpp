#include "base/files.hpp"
#include "scrape/curl_fetch.hpp"
#include "support/sample_pictures.hpp"
#include "support/sample_site.hpp"
#include "support/temp_folder.hpp"
#include "win/wide_text.hpp"
#include "win/win_program.hpp"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <functional>
#include <vector>

// The Windows window as a user meets it, under Wine with a display: Start pressed by a
// message as a click would press it, Stop, and the window's arrangement at every scale.
namespace pixtrail::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

shell::ProgramPaths pathsIn(const std::string& folder) {
    auto in = [&](const char* name) { return base::joinPath(folder, name); };
    return {folder,          in("pixtrail.ini"), in("language.ini"),
            in("debug.txt"), in("log.txt"),      in("user.ini")};
}

// Every message box the program shows is answered from inside its own modal loop: OK for a
// message, No for a question; its text is kept.
std::vector<std::wstring> g_seen;
void CALLBACK answerDialogs(HWND, UINT, UINT_PTR, DWORD) {
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM) -> BOOL {
            wchar_t name[16] = {};
            GetClassNameW(window, name, 16);
            if (std::wstring(name) != L"#32770" || !IsWindowVisible(window))
                return TRUE;
            g_seen.push_back(win::windowText(GetDlgItem(window, 0xFFFF)));
            PostMessageW(window, WM_COMMAND, GetDlgItem(window, IDNO) ? IDNO : IDOK, 0);
            return TRUE;
        },
        0);
}

struct WindowFixture : ::testing::Test {
    TempFolder dir;
    SampleSite sample{6,
                      {{"north", texturedJpeg(640, 480, 1)}, {"south", texturedJpeg(480, 640, 2)}}};
    std::unique_ptr<win::WinProgram> program;
    std::vector<int> exits;
    int finishedRuns = 0;
    UINT_PTR answerer = 0;

    WindowFixture() {
        g_seen.clear();
        fs::create_directory(dir.path() / "spoilers");
        dir.write("caches.gpx", sample.waypointFile());
    }
    ~WindowFixture() override {
        program.reset();
        KillTimer(nullptr, answerer);
    }

    void open(const std::string& extraSettings = "") {
        dir.write("pixtrail.ini",
                  sample.settings(dir.file("caches.gpx"), dir.file("spoilers"), extraSettings));
        program = std::make_unique<win::WinProgram>(
            pathsIn(dir.path().string()),
            [](const scrape::Endpoints& e) { return std::make_unique<scrape::CurlFetch>(e); },
            win::ProcessControl{[this](int code) { exits.push_back(code); },
                                [this](int code) { exits.push_back(100 + code); }});
        program->clearNextUpdateDate = [](app::Application&) {};
        program->runFinished = [this] { ++finishedRuns; };
        ASSERT_FALSE(program->start({}));
        answerer = SetTimer(nullptr, 0, 20, answerDialogs);
    }

    HWND control(const char* name, int index = -1) {
        return program->window().control(name, index);
    }

    // Lets the window's messages run until `done`, for at most a minute (a bound, not an
    // expectation).
    bool pumpUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (!IsDialogMessageW(program->window().handle(), &message)) {
                    TranslateMessage(&message);
                    DispatchMessageW(&message);
                }
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
        return true;
    }

    std::vector<std::wstring> progressLines() {
        const HWND list = control("lstProgress");
        std::vector<std::wstring> lines;
        for (LRESULT i = 0; i < SendMessageW(list, LB_GETCOUNT, 0, 0); ++i) {
            std::wstring line(static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)), L'\0');
            SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()));
            lines.push_back(line);
        }
        return lines;
    }

    size_t storedPictures() {
        size_t n = 0;
        for (const auto& entry : fs::directory_iterator(dir.path() / "spoilers"))
            n += entry.path().extension() == ".jpg";
        return n;
    }
};

TEST_F(WindowFixture, StartPressedAsAClickWouldSyncsEveryCacheAndGivesStartBack) {
    open();
    ASSERT_TRUE(IsWindowVisible(program->window().handle()));
    SendMessageW(control("cmdSync"), BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindowEnabled(control("txtDelay"))) << "the run owns the settings";
    ASSERT_TRUE(pumpUntil([&] { return finishedRuns == 1; }));

    EXPECT_EQ(storedPictures(), 2u * sample.cachesWithPictures());
    EXPECT_TRUE(dir.exists("log.txt"));
    EXPECT_TRUE(IsWindowVisible(control("cmdSync")));
    EXPECT_FALSE(IsWindowVisible(control("cmdStop")));
    EXPECT_TRUE(IsWindowEnabled(control("txtDelay")));
    const auto lines = progressLines();
    ASSERT_GE(lines.size(), sample.codes().size());
    EXPECT_EQ(lines[0].substr(0, 7), win::toWide(sample.codes()[0]));
    // The closing summary was shown, titled with the window, and answered.
    ASSERT_FALSE(g_seen.empty());
    EXPECT_NE(g_seen.back().find(L"waypoints processed"), std::wstring::npos) << g_seen.back();
    EXPECT_TRUE(exits.empty()) << "a run started from the window leaves it open";
}

TEST_F(WindowFixture, StopEndsTheRunAfterTheCacheInProgress) {
    open("delay=2\r\n");
    SendMessageW(control("cmdSync"), BM_CLICK, 0, 0);
    // Stop during the wait before the second cache's page.
    ASSERT_TRUE(pumpUntil([&] { return progressLines().size() >= 2; }));
    SendMessageW(control("cmdStop"), BM_CLICK, 0, 0);
    ASSERT_TRUE(pumpUntil([&] { return finishedRuns == 1; }));

    const auto lines = progressLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), L"Stopping in progress"), lines.end());
    EXPECT_LT(storedPictures(), 2u * sample.cachesWithPictures());
    EXPECT_NE(dir.read("log.txt").find("Stopping in progress"), std::string::npos);
    EXPECT_TRUE(IsWindowVisible(control("cmdSync")));
}

// What is wrong with the arrangement: a text cut short, a control outside the client area
// or over another; empty when nothing is.
std::wstring layoutProblem(HWND window, UINT dpi) {
    RECT client{};
    GetClientRect(window, &client);
    std::vector<std::pair<HWND, RECT>> shown;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child))
            continue;
        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
        const std::wstring text = win::windowText(child);
        if (r.left < 0 || r.top < 0 || r.right > client.right || r.bottom > client.bottom)
            return L"outside the window: " + text;
        for (const auto& [other, o] : shown) {
            RECT overlap{};
            if (IntersectRect(&overlap, &r, &o))
                return L"\"" + text + L"\" over \"" + win::windowText(other) + L"\"";
        }
        shown.emplace_back(child, r);
        wchar_t kind[32] = {};
        GetClassNameW(child, kind, 32);
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        if (text.empty() || lstrcmpiW(kind, L"Edit") == 0)
            continue;
        const HDC dc = GetDC(child);
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)));
        RECT need{0, 0, 0, 0};
        DrawTextW(dc, text.c_str(), -1, &need, DT_CALCRECT | DT_SINGLELINE);
        ReleaseDC(child, dc);
        int room = r.right - r.left;
        const bool checkBox = lstrcmpiW(kind, L"Button") == 0 && (style & BS_TYPEMASK) == BS_3STATE;
        if (checkBox)
            room -= MulDiv(16, static_cast<int>(dpi), 96); // the box and its gap
        else if (lstrcmpiW(kind, L"Button") == 0)
            room -= MulDiv(6, static_cast<int>(dpi), 96); // the button's edges
        if (need.right > room)
            return L"cut: \"" + text + L"\"";
    }
    return {};
}

TEST_F(WindowFixture, ALongTranslationFitsAtEveryScale) {
    fs::copy_file(PIXTRAIL_SOURCE_DIR "/demo/language-de.ini", dir.path() / "language.ini");
    open();
    const HWND window = program->window().handle();
    EXPECT_EQ(win::windowText(control("cmdSync")), L"&Synchronisieren");
    for (const UINT dpi : {96u, 144u, 192u}) {
        RECT frame{};
        GetWindowRect(window, &frame);
        // What the system sends when the window moves to a monitor of that scale.
        SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&frame));
        ASSERT_EQ(program->window().dpi(), dpi);
        EXPECT_EQ(layoutProblem(window, dpi), L"") << dpi << " dpi";
        // Smaller than it may be, the window keeps the least size the texts need.
        SetWindowPos(window, nullptr, 0, 0, 200, 200, SWP_NOZORDER | SWP_NOMOVE);
        EXPECT_EQ(layoutProblem(window, dpi), L"") << dpi << " dpi, shrunk";
    }
}

} // namespace
} // namespace pixtrail::testing
