#include "shell/application.hpp"

#include "scrape/getspoilerpics.hpp"
#include "shell/debug_log.hpp"
#include "update/signature.hpp"

namespace pixtrail::shell {

Application::Application(Frontend& frontendPort, ProgramPaths programPaths,
                         FetchFactory fetchFactory)
    : frontend(frontendPort), paths(std::move(programPaths)), progress(frontendPort),
      updatePublicKey(update::trustedPublicKey()), getspoilerpics(scrape::getspoilerpics),
      m_fetchFactory(std::move(fetchFactory)) {}

scrape::WebFetch& Application::fetch() {
    if (!m_fetch) {
        m_fetch = m_fetchFactory(endpoints);
        m_fetch->setStopRequested([this] { return stopPressed.load(); });
    }
    return *m_fetch;
}

std::string Application::tr(std::string_view text) const {
    return translator.TranslateText(text);
}

std::string Application::tr(std::string_view text, std::string_view value) const {
    return translateWith(translator, text, value);
}

void Application::setCaption(std::string caption) {
    window.setCaption(caption);
    frontend.captionChanged(caption);
}

void Application::message(MessageKind kind, const std::string& text) {
    frontend.showMessage(kind, caption(), text);
}

void Application::warnIfSettingsNotSaved(const IniWriteResult& result) {
    using Status = IniWriteResult::Status;
    const std::string file = "'" + paths.settingsFile + "'";
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

void Application::dobuttons() {
    const bool active = runActive.load();
    window.setVisible("cmdSync", !active);
    window.setVisible("cmdStop", active);
    frontend.runButtonsChanged(active);
    frontend.pumpEvents();
}

void Application::cmdStop_Click() {
    WriteDebug("Stop button pressed");
    stopRun(tr("Stopping in progress"));
}

void Application::stopRun(const std::string& line) {
    runActive = false;
    stopPressed = true;
    // One step for the run's thread: between adding the line and selecting the current one
    // again, the run must not write its result over the stop line.
    progress.addKeepingCurrent(line);
    frontend.pumpEvents();
}

} // namespace pixtrail::shell
