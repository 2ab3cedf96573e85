#pragma once

#include "shell/main_window.hpp"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace pixtrail::win {

/// Posted to the window with a heap-allocated std::function<void()> in lParam: the call runs
/// on the window's thread and is freed there.
constexpr UINT kCallMessage = WM_APP + 1;

/// The text a window or control shows, whatever its length.
std::wstring windowText(HWND window);

/// The window `frmMain`: the Win32 face of the main window model. As in the Qt window the
/// model is the one place of the window's state: user edits go into it through its setters
/// (so typing, clicking and loaded settings raise the same interlocks, digit filter and
/// 4-character cut), and every change of the model is shown here.
///
/// Model access: the window touches the model only while no run owns it. From the press of
/// Start to the end of the run the run's thread owns it; the controls that would edit the
/// model take no input meanwhile, and the model's changes arrive as copies.
class MainWindow {
public:
    struct Events {
        std::function<void(int button, int shift)> startPressed; ///< before the click
        std::function<void()> startClicked;
        std::function<void()> stopClicked;
        std::function<void()> closeRequested;
    };

    MainWindow(shell::MainWindowModel& model, Events events);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    HWND handle() const { return m_window; }
    /// The child window of a control, or nullptr (timers and the like have none).
    HWND control(std::string_view name, int index = -1) const;

    /// Shows a copy of a changed control. Window's thread only.
    void showControl(const shell::Control& snapshot);

    /// While a run owns the model, the window neither reads nor writes it.
    void setRunOwnsModel(bool owned);
    bool runOwnsModel() const { return m_locked; }

    /// Opens the window centred on its screen's work area, with a client area of `size`
    /// (device-independent pixels) when that is not smaller than the window may be.
    void showCentred(int width = 0, int height = 0);
    /// The client size in device-independent pixels.
    SIZE clientSizeAt96() const;
    UINT dpi() const { return m_dpi; }

    // The Frontend port's view: the progress list, the bar, the caption, the busy pointer.
    void clearProgress();
    void setProgressLine(int index, const std::wstring& text);
    void selectProgressLine(int index);
    void setProgressValue(int percent);
    void setCaption(const std::wstring& caption);
    void setBusy(bool busy);

    static LRESULT CALLBACK windowProc(HWND, UINT, WPARAM, LPARAM);

private:
    struct Entry {
        std::string name;
        int index = -1;
        shell::ControlKind kind = shell::ControlKind::Label;
        HWND window = nullptr;
        bool modelEnabled = true;
        bool visible = true;
    };

    static LRESULT CALLBACK controlProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleControl(Entry& entry, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    void createControls();
    Entry* entryOf(HWND window);
    Entry* find(std::string_view name, int index = -1);
    void apply(Entry& entry, const shell::Control& c);
    void showEnabled(Entry& entry);
    void command(Entry& entry, WORD code);
    void userEditedText(Entry& entry);
    void refuseText(const std::string& name, const std::wstring& text);
    void browseWaypointFile();
    void browseSpoilerFolder();
    void takeChosenPath(const std::string& name, const std::wstring& chosen);
    void openHomePage();
    void focusRunButton();

    // Fonts and layout for the window's current DPI.
    void setDpi(UINT dpi);
    SIZE measure(const Entry& entry, HDC dc) const;
    SIZE minimumClientSize() const;
    SIZE arrangeAt(int clientWidth, int clientHeight, bool place);
    void arrange();
    int scaled(int pixelsAt96) const { return MulDiv(pixelsAt96, static_cast<int>(m_dpi), 96); }

    shell::MainWindowModel& m_model;
    Events m_events;
    HWND m_window = nullptr;
    HWND m_toolTips = nullptr;
    HFONT m_font = nullptr;
    HFONT m_linkFont = nullptr;
    UINT m_dpi = 96;
    std::vector<Entry> m_entries;
    std::wstring m_caption;
    bool m_locked = false;
    bool m_busy = false;
    bool m_showingModel = false; ///< the window, not the user, changes a control now
};

/// Registers the window class once per process; true when it is (or was) registered.
bool registerWindowClass();

} // namespace pixtrail::win
