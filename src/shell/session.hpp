#pragma once

#include "shell/frontend.hpp"
#include "shell/ini_file.hpp"
#include "shell/main_window.hpp"
#include "shell/progress_list.hpp"
#include "shell/run_link.hpp"
#include "shell/translation.hpp"

#include <atomic>
#include <optional>
#include <string>

namespace pixtrail::shell {

/// The main window as the core drives it, without a toolkit: its controls, the frontend
/// that shows them, the progress list, translation, and the state a run shares with Stop
/// and with closing the window.
class Session : public RunLink {
public:
    explicit Session(Frontend& frontend);

    MainWindowModel window;
    Frontend& frontend;
    ProgressList progressList;
    Translator translator;

    std::atomic<bool> runActive{false};
    /// Set by Stop, cleared when a run starts its loop; ends long waits inside a request.
    std::atomic<bool> stopPressed{false};
    bool unattended = false;
    /// Whether a run first saves the window's settings, as Start does. Settings given on
    /// the command line for one run are not saved unless it asks for that.
    bool saveSettings = true;
    /// A message about a missing setting also says how to give it on the command line.
    bool commandLineHints = false;
    /// The "workers" setting given on the command line, which the window has no box for.
    std::optional<int> workers;

    const std::string& caption() const { return window.caption(); }
    void setCaption(std::string caption);

    /// A message box titled with the window caption.
    void message(MessageKind kind, const std::string& text);

    /// Tells the user, naming the settings file and the reason, when saving the settings
    /// did not write them.
    void warnIfSettingsNotSaved(const IniWriteResult& result, const std::string& settingsFile);

    /// Shows Start when no run is active and Stop when one is, then lets events run.
    void dobuttons();

    /// The Stop button: ends the run at its next check, adds the stop line and leaves the
    /// line that was current the current one, so the waypoint in progress still gets its
    /// result there.
    void cmdStop_Click();

    // RunLink
    ProgressList& progress() override { return progressList; }
    std::string tr(std::string_view text) const override;
    std::string tr(std::string_view text, std::string_view value) const override;
    void warn(const std::string& text) override;
    void pumpEvents() override { frontend.pumpEvents(); }
    bool active() const override { return runActive.load(); }
    void stopRun(const std::string& line) override;
};

} // namespace pixtrail::shell
