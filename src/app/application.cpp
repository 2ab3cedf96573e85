#include "app/application.hpp"

#include "scrape/getspoilerpics.hpp"
#include "update/signature.hpp"
#include "update/update_steps.hpp"

namespace pixtrail::app {

Application::Application(shell::Frontend& frontend, shell::ProgramPaths programPaths,
                         FetchFactory fetchFactory)
    : session(frontend), paths(std::move(programPaths)),
      updatePublicKey(update::trustedPublicKey()), userStore(shell::perUserStore(paths)),
      m_fetchFactory(std::move(fetchFactory)), m_pacing(session) {
    getspoilerpics = [this](scrape::ScrapeCall& call) {
        return scrape::getspoilerpics(call, {session, fetch(), endpoints, m_pacing});
    };
}

scrape::WebFetch& Application::fetch() {
    if (!m_fetch) {
        m_fetch = m_fetchFactory(endpoints);
        m_fetch->setStopRequested([this] { return session.stopPressed.load(); });
    }
    return *m_fetch;
}

void Application::checkForUpdate() {
    update::checkForUpdate({fetch(), endpoints.updateFeedAddress(), *userStore, session.frontend,
                            session.translator, updatePublicKey});
}

sync::RunOutcome Application::cmdSync_Click() {
    sync::RunEnvironment env{session,        paths,
                             endpoints,      [this]() -> scrape::WebFetch& { return fetch(); },
                             getspoilerpics, [this] { checkForUpdate(); },
                             m_pacing};
    return sync::cmdSync_Click(env);
}

void Application::clearNextUpdateDate() {
    update::clearNextUpdateDate(*userStore);
}

} // namespace pixtrail::app
