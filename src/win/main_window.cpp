#include "win/main_window.hpp"

#include "win/dialogs.hpp"
#include "win/wide_text.hpp"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <utility>

namespace pixtrail::win {
namespace {

using shell::ControlKind;

constexpr wchar_t kClassName[] = L"PixtrailMainWindow";
constexpr int kFirstId = 1000;

// The designed sizes in pixels at 96 dpi (the twips of the designed window, 15 to a pixel).
constexpr int kDesignedWidth = 433;
constexpr int kDesignedHeight = 513;
constexpr int kMargin = 8;
constexpr int kRowGap = 4;
constexpr int kCellGap = 6;
constexpr int kFieldMinWidth = 257;
constexpr int kWordsMinWidth = 120;
constexpr int kDigitBoxWidth = 33;
constexpr int kBrowseButtonWidth = 25;
constexpr int kRunButtonWidth = 97;
constexpr int kProgressListMinHeight = 62;

// The per-monitor functions of Windows 10 and later, where the system has them.
template <class Function> Function systemFunction(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

UINT dpiOf(HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpi = systemFunction<GetDpiForWindowFn>("GetDpiForWindow");
    if (getDpi && window)
        if (const UINT dpi = getDpi(window))
            return dpi;
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

// The system's message font at `dpi`.
LOGFONTW messageFont(UINT dpi) {
    using ForDpiFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
    static const auto forDpi = systemFunction<ForDpiFn>("SystemParametersInfoForDpi");
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (forDpi && forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi))
        return metrics.lfMessageFont;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        LOGFONTW fallback{};
        fallback.lfHeight = -MulDiv(9, static_cast<int>(dpi), 72);
        lstrcpyW(fallback.lfFaceName, L"Segoe UI");
        return fallback;
    }
    // The metrics are for the system's DPI; this window may be on another monitor.
    const UINT systemDpi = dpiOf(nullptr);
    metrics.lfMessageFont.lfHeight =
        MulDiv(metrics.lfMessageFont.lfHeight, static_cast<int>(dpi), static_cast<int>(systemDpi));
    return metrics.lfMessageFont;
}

RECT windowRectFor(SIZE client, DWORD style, DWORD exStyle, UINT dpi) {
    using AdjustFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = systemFunction<AdjustFn>("AdjustWindowRectExForDpi");
    RECT r{0, 0, client.cx, client.cy};
    if (!adjustForDpi || !adjustForDpi(&r, style, FALSE, exStyle, dpi))
        AdjustWindowRectEx(&r, style, FALSE, exStyle);
    return r;
}

bool takesUserEdits(ControlKind kind, const std::string& name) {
    switch (kind) {
    case ControlKind::TextBox:
    case ControlKind::CheckBox:
    case ControlKind::ComboBox:
        return true;
    case ControlKind::Button:
        return name != "cmdStop"; // the one control a run needs from the user
    default:
        return false;
    }
}

int checkState(int value) {
    if (value == 0)
        return BST_UNCHECKED;
    return value == 1 ? BST_CHECKED : BST_INDETERMINATE;
}

bool isRunButton(std::string_view name) {
    return name == "cmdSync" || name == "cmdStop";
}

} // namespace

std::wstring windowText(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

bool registerWindowClass() {
    static const bool registered = [] {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES |
                                                           ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
        InitCommonControlsEx(&controls);
        const HINSTANCE instance = GetModuleHandleW(nullptr);
        WNDCLASSEXW c{};
        c.cbSize = sizeof c;
        c.lpfnWndProc = &MainWindow::windowProc;
        c.hInstance = instance;
        c.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        c.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        c.lpszClassName = kClassName;
        c.hIcon = static_cast<HICON>(
            LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
        c.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                  GetSystemMetrics(SM_CXSMICON),
                                                  GetSystemMetrics(SM_CYSMICON), 0));
        return RegisterClassExW(&c) != 0;
    }();
    return registered;
}

MainWindow::MainWindow(shell::MainWindowModel& model, Events events)
    : m_model(model), m_events(std::move(events)) {
    if (!registerWindowClass())
        throw std::runtime_error("the window class cannot be registered");
    m_caption = toWide(model.caption());
    m_window = CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, m_caption.c_str(),
                               WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                               GetModuleHandleW(nullptr), this);
    if (!m_window)
        throw std::runtime_error("the window cannot be created");
    m_toolTips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                 WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_window, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    createControls();
    setDpi(dpiOf(m_window));
}

MainWindow::~MainWindow() {
    setBusy(false);
    if (m_window) {
        SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
        DestroyWindow(m_window);
    }
    DeleteObject(m_font);
    DeleteObject(m_linkFont);
}

// One child window per control that shows on screen, created in reading order, so that
// Tab moves through them as they read, row by row.
void MainWindow::createControls() {
    std::vector<const shell::Control*> order;
    for (const shell::Control& c : m_model.controls())
        order.push_back(&c);
    std::stable_sort(order.begin(), order.end(), [](const auto* a, const auto* b) {
        return std::pair(a->rect.top, a->rect.left) < std::pair(b->rect.top, b->rect.left);
    });
    m_entries.reserve(order.size());
    for (const shell::Control* c : order) {
        const wchar_t* windowClass = nullptr;
        DWORD style = WS_CHILD;
        DWORD exStyle = 0;
        switch (c->kind) {
        case ControlKind::TextBox:
            windowClass = L"EDIT";
            style |= WS_TABSTOP | ES_AUTOHSCROLL;
            exStyle = WS_EX_CLIENTEDGE;
            break;
        case ControlKind::CheckBox:
            windowClass = L"BUTTON";
            style |= WS_TABSTOP | BS_3STATE;
            break;
        case ControlKind::Button:
            windowClass = L"BUTTON";
            style |= WS_TABSTOP | (c->name == "cmdSync" ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
            break;
        case ControlKind::Label:
            // Captions come from the language file: an '&' in one is no mnemonic.
            windowClass = L"STATIC";
            style |= SS_LEFT | SS_NOTIFY | SS_NOPREFIX;
            break;
        case ControlKind::ListBox:
            windowClass = L"LISTBOX";
            style |= WS_TABSTOP | WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY;
            exStyle = WS_EX_CLIENTEDGE;
            break;
        case ControlKind::ProgressBar:
            windowClass = PROGRESS_CLASSW;
            break;
        default:
            continue; // timers, the transfer control, the dialog and hidden picture boxes
        }
        const int id = kFirstId + static_cast<int>(m_entries.size());
        HWND child = CreateWindowExW(exStyle, windowClass, L"", style, 0, 0, 0, 0, m_window,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                     GetModuleHandleW(nullptr), nullptr);
        if (!child)
            throw std::runtime_error("the control " + c->name + " cannot be created");
        m_entries.push_back({c->name, c->index, c->kind, child, c->enabled, c->visible});
        Entry& e = m_entries.back();
        if (c->kind == ControlKind::ProgressBar)
            SendMessageW(child, PBM_SETRANGE32, 0, 100);
        if (c->kind == ControlKind::TextBox || c->name == "cmdSync")
            SetWindowSubclass(child, &MainWindow::controlProc, 0,
                              reinterpret_cast<DWORD_PTR>(this));
        if (shell::hasToolTip(c->kind)) {
            TOOLINFOW tool{};
            tool.cbSize = sizeof tool;
            tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            tool.hwnd = m_window;
            tool.uId = reinterpret_cast<UINT_PTR>(child);
            tool.lpszText = LPSTR_TEXTCALLBACKW;
            SendMessageW(m_toolTips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        }
        apply(e, *c);
    }
    SendMessageW(m_toolTips, TTM_SETMAXTIPWIDTH, 0, 400);
}

MainWindow::Entry* MainWindow::find(std::string_view name, int index) {
    for (Entry& e : m_entries)
        if (e.name == name && e.index == index)
            return &e;
    return nullptr;
}

MainWindow::Entry* MainWindow::entryOf(HWND window) {
    for (Entry& e : m_entries)
        if (e.window == window)
            return &e;
    return nullptr;
}

HWND MainWindow::control(std::string_view name, int index) const {
    const Entry* e = const_cast<MainWindow*>(this)->find(name, index);
    return e ? e->window : nullptr;
}

void MainWindow::showControl(const shell::Control& snapshot) {
    Entry* e = find(snapshot.name, snapshot.index);
    if (!e)
        return;
    const std::wstring before = windowText(e->window);
    apply(*e, snapshot);
    if (isRunButton(snapshot.name))
        focusRunButton();
    if (windowText(e->window) != before && e->kind != ControlKind::TextBox)
        arrange(); // a caption of another length
}

void MainWindow::apply(Entry& e, const shell::Control& c) {
    const bool wasShowing = std::exchange(m_showingModel, true);
    switch (c.kind) {
    case ControlKind::TextBox: {
        const std::wstring text = toWide(c.text);
        if (windowText(e.window) != text) // keeps the caret where the user is typing
            SetWindowTextW(e.window, text.c_str());
        break;
    }
    case ControlKind::CheckBox:
        SetWindowTextW(e.window, toWide(c.caption).c_str());
        SendMessageW(e.window, BM_SETCHECK, static_cast<WPARAM>(checkState(c.value)), 0);
        break;
    case ControlKind::Button: {
        std::wstring caption = toWide(c.caption);
        // Start and Stop answer Alt and their first letter, in any language.
        if (isRunButton(c.name)) {
            std::wstring marked = L"&";
            for (wchar_t ch : caption)
                marked += ch == L'&' ? std::wstring(L"&&") : std::wstring(1, ch);
            caption = marked;
        }
        SetWindowTextW(e.window, caption.c_str());
        break;
    }
    case ControlKind::Label:
        SetWindowTextW(e.window, toWide(c.caption).c_str());
        break;
    default:
        break;
    }
    e.modelEnabled = c.enabled;
    e.visible = c.visible;
    showEnabled(e);
    ShowWindow(e.window, c.visible ? SW_SHOWNA : SW_HIDE);
    m_showingModel = wasShowing;
}

void MainWindow::showEnabled(Entry& e) {
    EnableWindow(e.window, e.modelEnabled && !(m_locked && takesUserEdits(e.kind, e.name)));
}

void MainWindow::setRunOwnsModel(bool owned) {
    m_locked = owned;
    for (Entry& e : m_entries)
        showEnabled(e);
    focusRunButton();
}

// Start and Stop take turns in one place: when the keyboard was on the one that went, or
// on a control the run has locked, it moves to the one that shows.
void MainWindow::focusRunButton() {
    const HWND focus = GetFocus();
    if (focus && IsChild(m_window, focus) && IsWindowVisible(focus) && IsWindowEnabled(focus))
        return;
    if (focus && !IsChild(m_window, focus) && focus != m_window)
        return; // the keyboard is in another window (a message box)
    for (const char* name : {"cmdSync", "cmdStop"}) {
        const HWND button = control(name);
        if (IsWindowVisible(button) && IsWindowEnabled(button)) {
            SetFocus(button);
            return;
        }
    }
}

// --- Fonts and layout -------------------------------------------------------------------

void MainWindow::setDpi(UINT dpi) {
    m_dpi = dpi ? dpi : 96;
    LOGFONTW font = messageFont(m_dpi);
    const HFONT oldFont = std::exchange(m_font, CreateFontIndirectW(&font));
    font.lfUnderline = TRUE;
    const HFONT oldLink = std::exchange(m_linkFont, CreateFontIndirectW(&font));
    for (const Entry& e : m_entries)
        SendMessageW(e.window, WM_SETFONT,
                     reinterpret_cast<WPARAM>(e.name == "Label2" ? m_linkFont : m_font), FALSE);
    SendMessageW(m_toolTips, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
    DeleteObject(oldFont);
    DeleteObject(oldLink);
    arrange();
    InvalidateRect(m_window, nullptr, TRUE);
}

// The smallest size at which the control shows its whole text in the window's font.
SIZE MainWindow::measure(const Entry& e, HDC dc) const {
    SelectObject(dc, e.name == "Label2" ? m_linkFont : m_font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    const int lineHeight = metrics.tmHeight;
    auto extent = [&](const std::wstring& text) {
        RECT r{0, 0, 0, 0};
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
                  DT_CALCRECT | DT_SINGLELINE | (e.kind == ControlKind::Button ? 0 : DT_NOPREFIX));
        return static_cast<int>(r.right - r.left);
    };
    const std::wstring text = windowText(e.window);
    switch (e.kind) {
    case ControlKind::Label:
        return {extent(text) + scaled(2), lineHeight + scaled(2)};
    case ControlKind::CheckBox:
        return {extent(text) + GetSystemMetrics(SM_CXMENUCHECK) * static_cast<int>(m_dpi) / 96 +
                    scaled(10),
                std::max(lineHeight, scaled(13)) + scaled(4)};
    case ControlKind::Button: {
        int width = extent(text) + scaled(16);
        if (isRunButton(e.name))
            width = std::max(width, scaled(kRunButtonWidth));
        else
            width = std::max(width, scaled(kBrowseButtonWidth));
        return {width, lineHeight + scaled(10)};
    }
    case ControlKind::TextBox: {
        const bool digits = e.name == "txtDelay" || e.name == "txtWidth" || e.name == "txtHeight";
        int width = scaled(kWordsMinWidth);
        if (digits)
            width = std::max(scaled(kDigitBoxWidth), extent(L"00000") + scaled(10));
        else if (e.name == "txtWpFile" || e.name == "txtSpoilerFolder" || e.name == "txtcmd")
            width = scaled(kFieldMinWidth);
        return {width, lineHeight + scaled(8)};
    }
    case ControlKind::ListBox:
        return {scaled(100), scaled(kProgressListMinHeight)};
    case ControlKind::ProgressBar:
        return {scaled(100), scaled(16)};
    default:
        return {0, 0};
    }
}

// Lays the rows out top to bottom at the client area's width: every control gets at least
// its measured size, a row's spare width goes to its fields and springs, and the growing
// row (the progress list) takes the spare height. With `place` false only the size the
// rows need is worked out.
SIZE MainWindow::minimumClientSize() const {
    return const_cast<MainWindow*>(this)->arrangeAt(0, 0, false);
}

SIZE MainWindow::arrangeAt(int clientWidth, int clientHeight, bool place) {
    const HDC dc = GetDC(m_window);
    const int gap = scaled(kCellGap);
    struct Cell {
        const shell::LayoutCell* layout;
        Entry* entry;
        SIZE size;
    };
    std::vector<std::vector<Cell>> rows;
    int labelColumn = 0;
    int buttonColumn = 0;
    for (const shell::LayoutRow& row : shell::mainWindowArrangement()) {
        std::vector<Cell> cells;
        for (const shell::LayoutCell& cell : row.cells) {
            Entry* e = cell.name.empty() ? nullptr : find(cell.name, cell.index);
            cells.push_back({&cell, e, e ? measure(*e, dc) : SIZE{0, 0}});
        }
        if (row.fieldRow) {
            labelColumn = std::max<int>(labelColumn, cells.front().size.cx);
            buttonColumn = std::max<int>(buttonColumn, cells.back().size.cx);
        }
        rows.push_back(std::move(cells));
    }
    ReleaseDC(m_window, dc);

    // The width each row needs, and its height.
    const auto& arrangement = shell::mainWindowArrangement();
    int neededWidth = 0;
    int neededHeight = 0;
    std::vector<int> heights;
    for (size_t r = 0; r < rows.size(); ++r) {
        int width = 0;
        int height = 0;
        int previous = 0;
        bool first = true;
        for (Cell& c : rows[r]) {
            if (arrangement[r].fieldRow && c.layout == &arrangement[r].cells.front())
                c.size.cx = labelColumn;
            else if (arrangement[r].fieldRow && c.layout == &arrangement[r].cells.back())
                c.size.cx = buttonColumn;
            height = std::max<int>(height, c.size.cy);
            if (!c.entry)
                continue;
            if (c.layout->overlaid) {
                width += std::max<int>(0, c.size.cx - previous);
                previous = std::max<int>(previous, c.size.cx);
                continue;
            }
            width += c.size.cx + (first ? 0 : gap);
            previous = c.size.cx;
            first = false;
        }
        neededWidth = std::max(neededWidth, width);
        heights.push_back(height);
        neededHeight += height + (r ? scaled(kRowGap) : 0);
    }
    const SIZE needed{std::max(scaled(kDesignedWidth), neededWidth + 2 * scaled(kMargin)),
                      std::max(scaled(kDesignedHeight), neededHeight + 2 * scaled(kMargin))};
    if (!place)
        return needed;

    const int width = std::max<int>(clientWidth, needed.cx) - 2 * scaled(kMargin);
    const int spareHeight =
        std::max<int>(clientHeight, needed.cy) - neededHeight - 2 * scaled(kMargin);
    HDWP moves = BeginDeferWindowPos(static_cast<int>(m_entries.size()));
    int y = scaled(kMargin);
    for (size_t r = 0; r < rows.size(); ++r) {
        const int rowHeight = heights[r] + (arrangement[r].grows ? spareHeight : 0);
        // Spare width for fields and springs; a lone control takes the whole row.
        int fixed = 0;
        int flexible = 0;
        int count = 0;
        for (const Cell& c : rows[r]) {
            if (c.layout->overlaid)
                continue;
            if (!c.entry || c.layout->fills)
                ++flexible;
            if (c.entry && !c.layout->fills)
                fixed += c.size.cx;
            if (c.entry)
                ++count;
        }
        fixed += gap * std::max(0, count - 1);
        const int share = flexible ? std::max(0, width - fixed) / flexible : 0;
        int x = scaled(kMargin);
        RECT last{};
        bool first = true;
        for (const Cell& c : rows[r]) {
            const bool lone = rows[r].size() == 1;
            int w = lone ? width : c.size.cx;
            if (!c.entry || c.layout->fills)
                w = std::max<int>(c.entry ? c.size.cx : 0, share);
            if (!c.entry) {
                x += w;
                continue;
            }
            const int h = arrangement[r].grows ? rowHeight : c.size.cy;
            RECT rect{x + (first ? 0 : gap), y + (rowHeight - h) / 2, 0, 0};
            if (c.layout->overlaid)
                rect = last;
            else {
                rect.right = rect.left + w;
                rect.bottom = rect.top + h;
                x = rect.right;
                first = false;
            }
            // The place shared by two controls is as wide as the wider of them.
            if (c.layout->overlaid && c.size.cx > rect.right - rect.left)
                rect.right = rect.left + c.size.cx;
            last = rect;
            moves = DeferWindowPos(moves, c.entry->window, nullptr, rect.left, rect.top,
                                   rect.right - rect.left, rect.bottom - rect.top,
                                   SWP_NOZORDER | SWP_NOACTIVATE);
        }
        y += rowHeight + scaled(kRowGap);
    }
    EndDeferWindowPos(moves);
    return needed;
}

void MainWindow::arrange() {
    RECT client{};
    GetClientRect(m_window, &client);
    arrangeAt(client.right, client.bottom, true);
}

void MainWindow::showCentred(int width, int height) {
    const SIZE least = minimumClientSize();
    const SIZE client{std::max<LONG>(least.cx, scaled(width)),
                      std::max<LONG>(least.cy, scaled(height))};
    const DWORD style = static_cast<DWORD>(GetWindowLongW(m_window, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongW(m_window, GWL_EXSTYLE));
    const RECT frame = windowRectFor(client, style, exStyle, m_dpi);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(m_window, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    const int w = frame.right - frame.left;
    const int h = frame.bottom - frame.top;
    SetWindowPos(m_window, nullptr, work.left + std::max<int>(0, (work.right - work.left - w) / 2),
                 work.top + std::max<int>(0, (work.bottom - work.top - h) / 2), w, h,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(m_window, SW_SHOWDEFAULT); // minimized when the starter asked for that
    UpdateWindow(m_window);
    focusRunButton();
}

SIZE MainWindow::clientSizeAt96() const {
    RECT client{};
    GetClientRect(m_window, &client);
    return {MulDiv(client.right, 96, static_cast<int>(m_dpi)),
            MulDiv(client.bottom, 96, static_cast<int>(m_dpi))};
}

// --- The Frontend port's view --------------------------------------------------------------

void MainWindow::clearProgress() {
    SendMessageW(control("lstProgress"), LB_RESETCONTENT, 0, 0);
}

// Sets a line, adding empty lines up to it when needed: lines from Stop (this thread) and
// from the run (posted) may arrive in either order.
void MainWindow::setProgressLine(int index, const std::wstring& text) {
    const HWND list = control("lstProgress");
    if (index < 0)
        return;
    while (SendMessageW(list, LB_GETCOUNT, 0, 0) <= index)
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L""));
    const LRESULT selected = SendMessageW(list, LB_GETCURSEL, 0, 0);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
    SendMessageW(list, LB_INSERTSTRING, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(text.c_str()));
    if (selected == index)
        SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

// The selected line is scrolled into view, as the list box does for its selection.
void MainWindow::selectProgressLine(int index) {
    const HWND list = control("lstProgress");
    if (index >= 0)
        while (SendMessageW(list, LB_GETCOUNT, 0, 0) <= index)
            SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L""));
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void MainWindow::setProgressValue(int percent) {
    SendMessageW(control("ProgressBar1"), PBM_SETPOS,
                 static_cast<WPARAM>(std::clamp(percent, 0, 100)), 0);
}

void MainWindow::setCaption(const std::wstring& caption) {
    m_caption = caption;
    SetWindowTextW(m_window, caption.c_str());
}

// The busy arrow, not the hourglass: the window still takes Stop and the close box.
void MainWindow::setBusy(bool busy) {
    if (busy == m_busy)
        return;
    m_busy = busy;
    POINT cursor{};
    GetCursorPos(&cursor);
    SetCursorPos(cursor.x, cursor.y); // asks for the pointer again at once
}

// --- User input ----------------------------------------------------------------------------

void MainWindow::command(Entry& e, WORD code) {
    if (m_showingModel)
        return;
    switch (e.kind) {
    case ControlKind::TextBox:
        if (code == EN_CHANGE)
            userEditedText(e);
        break;
    case ControlKind::CheckBox:
        if (code == BN_CLICKED && !m_locked) {
            // A click toggles between clear and ticked, from the greyed state too.
            const int value = m_model.control(e.name).value == 1 ? 0 : 1;
            m_model.setValue(e.name, value);
            apply(e, m_model.control(e.name));
        }
        break;
    case ControlKind::Button:
        if (code != BN_CLICKED || !IsWindowVisible(e.window) || !IsWindowEnabled(e.window))
            break;
        if (e.name == "cmdSync")
            m_events.startClicked();
        else if (e.name == "cmdStop")
            m_events.stopClicked();
        else if (e.name == "cmdWaypointopen")
            browseWaypointFile();
        else if (e.name == "cmdSpoileropen")
            browseSpoilerFolder();
        break;
    case ControlKind::Label:
        if (code == STN_CLICKED && e.name == "Label2")
            openHomePage();
        break;
    default:
        break;
    }
}

void MainWindow::userEditedText(Entry& e) {
    if (m_locked)
        return;
    const std::wstring text = windowText(e.window);
    bool fits = true;
    std::string ansi = fromWide(text, &fits);
    if (!fits) {
        // It would reach the run as other text (with '?' in it): a path to another file.
        apply(e, m_model.control(e.name));
        refuseText(e.name, text);
        return;
    }
    m_model.setText(e.name, std::move(ansi));
    apply(e, m_model.control(e.name)); // cut to 4 characters where the model cuts
}

void MainWindow::refuseText(const std::string& name, const std::wstring& text) {
    showMessageBox(m_window, shell::MessageKind::Warning, m_caption,
                   toWide(shell::refusedTextWarning(m_model, name)) + text);
}

void MainWindow::browseWaypointFile() {
    if (m_locked)
        return;
    takeChosenPath("txtWpFile",
                   chooseWaypointFile(m_window, toWide(m_model.control("txtWpFile").text)));
}

void MainWindow::browseSpoilerFolder() {
    if (m_locked)
        return;
    // The picker's title stays English: it is not one of the translated texts.
    takeChosenPath("txtSpoilerFolder",
                   BrowseForFolder(m_window, L"Spoiler folder",
                                   toWide(m_model.control("txtSpoilerFolder").text)));
}

// A path with a character the code page lacks would reach the run as another path (with
// '?' in it), so it is refused rather than put into the box.
void MainWindow::takeChosenPath(const std::string& name, const std::wstring& chosen) {
    if (chosen.empty() || m_locked)
        return;
    bool fits = true;
    std::string path = fromWide(chosen, &fits);
    if (!fits) {
        refuseText(name, chosen);
        return;
    }
    m_model.setText(name, std::move(path));
    if (Entry* e = find(name))
        apply(*e, m_model.control(name));
}

void MainWindow::openHomePage() {
    const std::wstring address = L"http://" + toWide(m_model.control("Label2").caption);
    ShellExecuteW(m_window, nullptr, address.c_str(), nullptr, L"C:\\", SW_SHOWNORMAL);
}

// --- Window procedures ---------------------------------------------------------------------

LRESULT CALLBACK MainWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->m_window = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == kCallMessage) {
        // A call for a window that is gone is dropped, not run.
        std::unique_ptr<std::function<void()>> call(
            reinterpret_cast<std::function<void()>*>(lParam));
        if (self && call && *call)
            (*call)();
        return 0;
    }
    if (!self || self->m_entries.empty())
        return DefWindowProcW(window, message, wParam, lParam);
    return self->handle(message, wParam, lParam);
}

LRESULT MainWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND: {
        const auto child = reinterpret_cast<HWND>(lParam);
        if (Entry* e = child ? entryOf(child) : nullptr) {
            command(*e, HIWORD(wParam));
            return 0;
        }
        // Escape (from the dialog keys of the message loop) presses Stop during a run.
        if (LOWORD(wParam) == IDCANCEL) {
            const HWND stop = control("cmdStop");
            if (IsWindowVisible(stop) && IsWindowEnabled(stop))
                m_events.stopClicked();
        }
        return 0;
    }
    case DM_GETDEFID: {
        // Enter in a field presses Start, the window's default button, when it shows.
        const HWND start = control("cmdSync");
        if (IsWindowVisible(start) && IsWindowEnabled(start))
            return MAKELRESULT(GetDlgCtrlID(start), DC_HASDEFID);
        return 0;
    }
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->code == TTN_GETDISPINFOW) {
            auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
            static std::wstring shown;
            shown.clear();
            if (const Entry* e = entryOf(reinterpret_cast<HWND>(header->idFrom)))
                if (const shell::Control* c = m_locked ? nullptr : m_model.find(e->name, e->index))
                    shown = toWide(c->toolTip);
            info->lpszText = shown.data();
            return 0;
        }
        break;
    }
    case WM_CTLCOLORSTATIC: {
        const auto dc = reinterpret_cast<HDC>(wParam);
        if (reinterpret_cast<HWND>(lParam) == control("Label2"))
            SetTextColor(dc, RGB(0, 0, 255)); // a link, blue and underlined
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
            if (m_busy) {
                SetCursor(LoadCursorW(nullptr, IDC_APPSTARTING));
                return TRUE;
            }
            if (reinterpret_cast<HWND>(wParam) == control("Label2")) {
                SetCursor(LoadCursorW(nullptr, IDC_HAND));
                return TRUE;
            }
        }
        break;
    case WM_SIZE:
        arrange();
        return 0;
    case WM_GETMINMAXINFO: {
        const SIZE least = minimumClientSize();
        const RECT frame =
            windowRectFor(least, static_cast<DWORD>(GetWindowLongW(m_window, GWL_STYLE)),
                          static_cast<DWORD>(GetWindowLongW(m_window, GWL_EXSTYLE)), m_dpi);
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize = {frame.right - frame.left, frame.bottom - frame.top};
        return 0;
    }
    case WM_DPICHANGED: {
        // Moved to a monitor of another scale: fonts and layout for it, at the size the
        // system suggests or the least the texts need there.
        setDpi(HIWORD(wParam));
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        const SIZE least = minimumClientSize();
        const RECT frame =
            windowRectFor(least, static_cast<DWORD>(GetWindowLongW(m_window, GWL_STYLE)),
                          static_cast<DWORD>(GetWindowLongW(m_window, GWL_EXSTYLE)), m_dpi);
        SetWindowPos(m_window, nullptr, suggested->left, suggested->top,
                     std::max(suggested->right - suggested->left, frame.right - frame.left),
                     std::max(suggested->bottom - suggested->top, frame.bottom - frame.top),
                     SWP_NOZORDER | SWP_NOACTIVATE);
        arrange();
        return 0;
    }
    case WM_CLOSE:
        m_events.closeRequested();
        return 0;
    default:
        break;
    }
    return DefWindowProcW(m_window, message, wParam, lParam);
}

LRESULT CALLBACK MainWindow::controlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<MainWindow*>(data);
    if (Entry* e = self->entryOf(window))
        return self->handleControl(*e, window, message, wParam, lParam);
    return DefSubclassProc(window, message, wParam, lParam);
}

LRESULT MainWindow::handleControl(Entry& e, HWND window, UINT message, WPARAM wParam,
                                  LPARAM lParam) {
    switch (message) {
    case WM_CHAR:
        // A typed character reaches the text box only when the model's input filter keeps
        // it; shortcuts that arrive as control characters (Ctrl+V is 22) are typed too.
        if (e.kind == ControlKind::TextBox && !m_locked) {
            const std::string typed = fromWide(std::wstring(1, static_cast<wchar_t>(wParam)));
            if (!m_model.keyPress(e.name, typed.empty() ? '?' : typed.front()))
                return 0;
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
    case WM_XBUTTONDOWN:
    case WM_XBUTTONDBLCLK:
        // The press decides debug mode and the update check before the click starts the
        // run; Enter, Alt+S and the command line leave them as they are.
        if (e.name == "cmdSync" && IsWindowEnabled(window)) {
            int button = 1;
            if (message == WM_RBUTTONDOWN || message == WM_RBUTTONDBLCLK)
                button = 2;
            else if (message != WM_LBUTTONDOWN && message != WM_LBUTTONDBLCLK)
                button = 4;
            int shift = 0;
            if (wParam & MK_SHIFT)
                shift |= 1;
            if (wParam & MK_CONTROL)
                shift |= 2;
            if (GetKeyState(VK_MENU) < 0)
                shift |= 4;
            m_events.startPressed(button, shift);
        }
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(window, &MainWindow::controlProc, 0);
        break;
    default:
        break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

} // namespace pixtrail::win
