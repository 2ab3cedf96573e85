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

void Application::dobuttons() {
    const bool active = runActive.load();
    window.setVisible("cmdSync", !active);
    window.setVisible("cmdStop", active);
    frontend.runButtonsChanged(active);
    frontend.pumpEvents();
}

void Application::cmdStop_Click() {
    WriteDebug("Stop button pressed");
    runActive = false;
    stopPressed = true;
    const int current = progress.currentIndex();
    progress.add(tr("Stopping in progress"));
    frontend.pumpEvents();
    progress.select(current);
}

} // namespace pixtrail::shell
