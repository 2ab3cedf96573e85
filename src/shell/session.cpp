#include "shell/session.hpp"

#include "shell/debug_log.hpp"

namespace pixtrail::shell {

Session::Session(Frontend& frontendPort) : frontend(frontendPort), progressList(frontendPort) {}

std::string Session::tr(std::string_view text) const {
    return translator.TranslateText(text);
}

std::string Session::tr(std::string_view text, std::string_view value) const {
    return translateWith(translator, text, value);
}

void Session::setCaption(std::string caption) {
    window.setCaption(caption);
    frontend.captionChanged(caption);
}

void Session::message(MessageKind kind, const std::string& text) {
    frontend.showMessage(kind, caption(), text);
}

void Session::warn(const std::string& text) {
    frontend.busyChanged(false);
    message(MessageKind::Warning, text);
}

void Session::warnIfSettingsNotSaved(const IniWriteResult& result,
                                     const std::string& settingsFile) {
    using Status = IniWriteResult::Status;
    const std::string file = "'" + settingsFile + "'";
    switch (result.status) {
    case Status::Written:
        return;
    case Status::NotAnIniFile:
        message(
            MessageKind::Warning,
            tr("%s does not look like a settings file: the settings were not saved in it", file));
        return;
    case Status::Unreadable:
        message(MessageKind::Warning,
                tr("Cannot read the settings file %s", file + ": " + result.reason));
        return;
    case Status::WriteFailed:
        message(MessageKind::Warning, tr("The settings were not saved: %s", result.reason));
        return;
    }
}

void Session::dobuttons() {
    const bool active = runActive.load();
    window.setVisible("cmdSync", !active);
    window.setVisible("cmdStop", active);
    frontend.runButtonsChanged(active);
    frontend.pumpEvents();
}

void Session::cmdStop_Click() {
    WriteDebug("Stop button pressed");
    stopRun(tr("Stopping in progress"));
}

void Session::stopRun(const std::string& line) {
    runActive = false;
    stopPressed = true;
    // One step for the run's thread: between adding the line and selecting the current one
    // again, the run must not write its result over the stop line.
    progressList.addKeepingCurrent(line);
    frontend.pumpEvents();
}

} // namespace pixtrail::shell
